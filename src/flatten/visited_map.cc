#include "flatten/visited_map.h"

#include <algorithm>

namespace quorlin {

void VisitedMap::StartWalk(std::size_t track_size) {
  const std::size_t covered = std::min<std::size_t>(track_size, kPositions);
  if (covered > stamps_.size()) stamps_.resize(covered, 0);
  if (++walk_ == 0) {
    // After 65,535 walks the numbers start again, on a cleared map.
    std::fill(stamps_.begin(), stamps_.end(), 0);
    walk_ = 1;
  }
}

}  // namespace quorlin
