#include "flatten/visited_map.h"

#include <algorithm>

namespace quorlin {

void VisitedMap::StartWalk() {
  if (++walk_ == 0) {
    // After 65,535 walks the numbers start again, on a cleared map.
    std::fill(stamps_.begin(), stamps_.end(), 0);
    walk_ = 1;
  }
}

void VisitedMap::Grow(std::size_t position) {
  constexpr std::size_t kFirstSize = 0x100;
  stamps_.resize(std::max({position + 1, 2 * stamps_.size(), kFirstSize}), 0);
}

}  // namespace quorlin
