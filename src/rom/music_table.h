// The sound driver's music table in a game image: one 32-bit big-endian ROM
// address per song, the songs in order (81, 82, ... in Sonic 1). Revisions
// and hacks move it and may add songs, so it is found by its content.
#ifndef QUORLIN_ROM_MUSIC_TABLE_H_
#define QUORLIN_ROM_MUSIC_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "format/driver.h"

namespace quorlin {

// The fewest entries a table has: Sonic 1 has 19 songs.
inline constexpr std::size_t kFewestSongs = 8;

struct MusicTable {
  std::size_t offset = 0;            // of its first entry
  std::vector<std::uint32_t> songs;  // each entry's address, in order
};

// Whether the song at an address reads and converts without error.
using SongCheck = std::function<bool(std::uint32_t address)>;

// The longest run of consecutive 32-bit entries, each the even address of a
// song that `converts`, at least kFewestSongs long; the first such run
// where two are as long. Runs are joined across entries whose address holds
// a song header whose song does not convert: such a song stays in the table
// (to be reported), and the songs behind it count. Only entries whose
// address holds a plausible song header are asked about.
std::optional<MusicTable> FindMusicTable(const Driver& driver, std::span<const std::uint8_t> rom,
                                         const SongCheck& converts);

// Whether `address` holds what a song header of `driver` looks like: a DAC
// channel and no more FM and PSG channels than the sound chips have,
// headers and offsets inside the image.
bool LooksLikeSong(const Driver& driver, std::span<const std::uint8_t> rom, std::uint32_t address);

}  // namespace quorlin

#endif  // QUORLIN_ROM_MUSIC_TABLE_H_
