// Which track positions a walk has read. All walks of a song share one map:
// each walk marks with a number of its own, so nothing is cleared between
// walks, and the map covers only the positions the track has.
#ifndef QUORLIN_FLATTEN_VISITED_MAP_H_
#define QUORLIN_FLATTEN_VISITED_MAP_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorlin {

class VisitedMap {
 public:
  // Channel data can be followed up to here: the map has always been the
  // 32 KiB work area of a ChannelBuffer.
  static constexpr int kPositions = 0x8000;

  // Begins a walk over a track of `track_size` bytes with no position marked.
  void StartWalk(std::size_t track_size);
  // `position` lies in the track and below kPositions.
  void Mark(int position) { stamps_[position] = walk_; }
  bool IsVisited(int position) const {
    return position >= 0 && static_cast<std::size_t>(position) < stamps_.size() &&
           stamps_[position] == walk_;
  }

 private:
  std::vector<std::uint16_t> stamps_;
  std::uint16_t walk_ = 0;
};

}  // namespace quorlin

#endif  // QUORLIN_FLATTEN_VISITED_MAP_H_
