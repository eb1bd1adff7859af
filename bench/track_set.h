// Tracks to time the conversion on: ordinary songs and adversarial ones that
// try to make a walk run long, plus songs of the largest channel count.
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

std::vector<NamedTrack> TrackSet(const std::string& examples_folder);

}  // namespace quorlin::bench

#endif  // QUORLIN_BENCH_TRACK_SET_H_
