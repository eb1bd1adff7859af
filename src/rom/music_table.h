// The sound driver's music table in a game image: one 32-bit big-endian ROM
// address per song, the songs in order (81, 82, ... in Sonic 1). Revisions
// and hacks move it and may add songs, so it is found by its content: a run
// of entries that each lead to what a song header looks like. No song is
// converted to find it, so the search costs one look at each even offset.
#ifndef QUORLIN_ROM_MUSIC_TABLE_H_
#define QUORLIN_ROM_MUSIC_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "format/driver.h"
#include "format/effect_layout.h"

namespace quorlin {

// The fewest entries a table has: Sonic 1 has 19 songs.
inline constexpr std::size_t kFewestSongs = 8;
// The most: song numbers are bytes counted from 81, so 81-FF.
inline constexpr std::size_t kMostSongs = 0xFF - 0x81 + 1;

struct MusicTable {
  std::size_t offset = 0;            // of its first entry
  std::vector<std::uint32_t> songs;  // each entry's address, in order
  // An entry just before or behind the table that leads past the image's
  // end to what may be a song: the table of an image cut short. Its offset.
  std::optional<std::size_t> entry_past_the_end;
};

// The longest run of consecutive 32-bit entries at even offsets behind the
// image's header that each lead to a plausible song header (SongHeaderAt),
// of kFewestSongs to kMostSongs entries; the first such run where two are
// as long. A longer run is no music table. Nothing when there is none.
// With `effects`, an entry that leads to what an effect header of theirs
// looks like leads to no song: an effect's header may read as a song's.
std::optional<MusicTable> FindMusicTable(const Driver& driver, std::span<const std::uint8_t> rom,
                                         const EffectFormat* effects = nullptr);

enum class SongHeaderFit : std::uint8_t {
  kNone,        // no song header there
  kSong,        // a plausible song header, all it points to inside the image
  kPastTheEnd,  // a song header could start there if the image were longer
};

// Whether `address` holds what a song header of `driver` looks like: at an
// even address behind the image's header, a DAC channel and no more FM and
// PSG channels than the sound chips have, the channel headers, the voice
// table and every channel's data inside the image.
SongHeaderFit SongHeaderAt(const Driver& driver, std::span<const std::uint8_t> rom,
                           std::uint32_t address);

}  // namespace quorlin

#endif  // QUORLIN_ROM_MUSIC_TABLE_H_
