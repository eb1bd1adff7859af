#include "rom/effect_table.h"

#include <algorithm>

#include "format/bytes.h"
#include "format/format.h"

namespace quorlin {
namespace {

constexpr std::size_t kEntryBytes = 4;
// Effects lie behind the 68000's vectors and the image's header, and so
// do the tables: the header's checksum is rewritten.
constexpr std::uint32_t kFirstEffectAddress = 0x200;
// An effect's header reaches its data and voices by 16-bit offsets.
constexpr std::size_t kEffectReach = 0x10000;

}  // namespace

// The address must be even: the driver reads the header by words.
bool EffectHeaderAt(const EffectFormat& format, std::span<const std::uint8_t> rom,
                    std::uint32_t address) {
  if (address % 2 != 0 || address < kFirstEffectAddress || address >= rom.size()) return false;
  const auto effect = rom.subspan(address, std::min(rom.size() - address, kEffectReach));
  const EffectHeaderLayout& layout = format.header;
  if (effect.size() < static_cast<std::size_t>(layout.size) ||
      effect[layout.tempo_divider_at] == 0 ||
      effect[layout.size + layout.flags_at] != layout.playing) {
    return false;
  }
  const std::int64_t voices = format.driver.header_pointers.TargetAt(effect, layout.voice_table_at);
  return voices >= 0 && static_cast<std::size_t>(voices) <= effect.size() &&
         IsEffect(format, effect);
}

int EffectTable::IdOf(const EffectFormat& format, std::size_t index) const {
  return index < normal_count
             ? format.ids.first_id + static_cast<int>(index)
             : format.ids.first_special_id + static_cast<int>(index - normal_count);
}

std::optional<EffectTable> FindEffectTable(const EffectFormat& format,
                                           std::span<const std::uint8_t> rom,
                                           std::size_t music_from, std::size_t music_end) {
  const std::size_t most =
      static_cast<std::size_t>(format.ids.normal_count + format.ids.special_count);
  std::size_t best_first = 0, best_length = 0;
  for (std::size_t row = 0; row < kEntryBytes; row += 2) {
    std::size_t first = 0, length = 0;
    const auto close = [&] {
      if (length >= kFewestEffects && length <= most &&
          (length > best_length || (length == best_length && first < best_first))) {
        best_first = first;
        best_length = length;
      }
      length = 0;
    };
    for (std::size_t at = kFirstEffectAddress + row; at + kEntryBytes <= rom.size();
         at += kEntryBytes) {
      if ((at + kEntryBytes > music_from && at < music_end) ||
          !EffectHeaderAt(format, rom, ReadBigEndian32(rom, at))) {
        close();
        continue;
      }
      if (length == 0) first = at;
      ++length;
    }
    close();
  }
  if (best_length == 0) return std::nullopt;
  EffectTable table;
  table.offset = best_first;
  for (std::size_t i = 0; i < best_length; ++i) {
    table.effects.push_back(ReadBigEndian32(rom, best_first + i * kEntryBytes));
  }
  table.normal_count = std::min(best_length, static_cast<std::size_t>(format.ids.normal_count));
  return table;
}

}  // namespace quorlin
