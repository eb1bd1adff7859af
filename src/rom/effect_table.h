// The sound driver's effect tables in a game image: one 32-bit big-endian
// ROM address per effect, the normal effects' table (A0, A1, ... in Sonic 1)
// directly followed by the special effects' (D0...). Like the music table,
// they are found by content: the longest run of entries that each lead to
// what an effect header looks like. The search costs one look at each even
// offset.
#ifndef QUORLIN_ROM_EFFECT_TABLE_H_
#define QUORLIN_ROM_EFFECT_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "format/effect_layout.h"

namespace quorlin {

// The fewest entries a run has to be taken for effect tables: Sonic 1 has 49.
inline constexpr std::size_t kFewestEffects = 8;

struct EffectTable {
  std::size_t offset = 0;              // of its first entry
  std::vector<std::uint32_t> effects;  // each entry's address, in order
  // The first that many entries are the normal effects' table, the rest the
  // special effects' table behind it.
  std::size_t normal_count = 0;

  std::size_t SpecialOffset() const { return offset + 4 * normal_count; }
  // The id of entry `index`: counted from the format's first normal or
  // special id.
  int IdOf(const EffectFormat& format, std::size_t index) const;
};

// Whether `address` holds what an effect header of `format` looks like: at
// an even address behind the image's header, its entries whole, its data
// and voices inside the image, its divider not 0.
bool EffectHeaderAt(const EffectFormat& format, std::span<const std::uint8_t> rom,
                    std::uint32_t address);

// The longest run of consecutive 32-bit entries at even offsets behind the
// image's header that each lead to a plausible effect header, of
// kFewestEffects up to as many entries as the format has ids; the first
// such run where two are as long. Nothing when there is none. The first
// normal_count ids' worth of entries are normal effects. No entry lies on
// the music table's bytes, from `music_from` up to `music_end`: entries read
// across the halves of its entries would be written over them.
std::optional<EffectTable> FindEffectTable(const EffectFormat& format,
                                           std::span<const std::uint8_t> rom,
                                           std::size_t music_from, std::size_t music_end);

}  // namespace quorlin

#endif  // QUORLIN_ROM_EFFECT_TABLE_H_
