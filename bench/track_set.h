// Tracks to time the conversion on: songs shaped like the real ones, and
// adversarial ones that try to make a walk run long, or use the most
// channels a song can have.
#ifndef QUORLIN_BENCH_TRACK_SET_H_
#define QUORLIN_BENCH_TRACK_SET_H_

#include <string>
#include <vector>

#include "song_builder.h"

namespace quorlin::bench {

struct NamedTrack {
  std::string name;
  testing::Bytes bytes;
};

// 19 generated songs of 6 to 10 channels with loops and calls, as large as
// the 19 songs of the game (206 bytes to 4.8 KB): "song_01" to "song_19".
std::vector<NamedTrack> OrdinarySongs();

// A song as SMPS2ASM source of at least 5,000 lines: 200 voices and nine
// channels of long runs of notes. "large_source".
NamedTrack LargeSource();

// A 512 KiB game image: pseudo-random code and data up to 0x70000, the 19
// ordinary songs and their table near 0x71A9C, where the game keeps its
// own, padding behind them. "game_rom".
NamedTrack GameRom();

// Game images built to make the music table search and the conversion of
// the table's songs slow: a run of hundreds of thousands of entries leading
// to thousands of song headers, all plausible, whose channels play 15,000
// notes each in a loop, around the 19 ordinary songs and their table.
// "crafted_rom_128k", "crafted_rom_3_75m": one run, too long to be a table;
// "crafted_rom_3_75m_runs_of_127": runs of 127 entries, the most a table
// holds, each leading to songs of ten such channels. (3.75 MiB leaves room
// for the reversals within the 4 MiB of a cartridge.)
std::vector<NamedTrack> CraftedRoms();

// The example song, then tracks that stress the limits.
std::vector<NamedTrack> StressTracks(const std::string& examples_folder);

}  // namespace quorlin::bench

#endif  // QUORLIN_BENCH_TRACK_SET_H_
