// Which track positions a walk has read. All walks of a song share one map:
// each walk marks with a number of its own, so nothing is cleared between
// walks. The map grows with the highest position marked, so it costs what
// the channels reach, not what the track holds (a song in a game image may
// reach anywhere in it).
#ifndef QUORLIN_FLATTEN_VISITED_MAP_H_
#define QUORLIN_FLATTEN_VISITED_MAP_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorlin {

class VisitedMap {
 public:
  // Begins a walk with no position marked.
  void StartWalk();
  void Mark(std::size_t position) {
    if (position >= stamps_.size()) [[unlikely]]
      Grow(position);
    stamps_[position] = walk_;
  }
  bool IsVisited(long long position) const {
    return position >= 0 && static_cast<std::size_t>(position) < stamps_.size() &&
           stamps_[position] == walk_;
  }

 private:
  void Grow(std::size_t position);

  std::vector<std::uint16_t> stamps_;
  std::uint16_t walk_ = 0;
};

}  // namespace quorlin

#endif  // QUORLIN_FLATTEN_VISITED_MAP_H_
