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

// The example song, then tracks that stress the limits.
std::vector<NamedTrack> StressTracks(const std::string& examples_folder);

}  // namespace quorlin::bench

#endif  // QUORLIN_BENCH_TRACK_SET_H_
