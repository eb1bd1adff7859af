#include "flatten/tempo_divider_timeline.h"

namespace quorlin {

bool TempoDividerTimeline::Record(std::size_t& index, std::int32_t clock, std::uint8_t divider) {
  if (index + 2 >= kEntries) return false;
  entries_[index] = clock;
  entries_[index + 1] = divider;
  index += 2;
  entries_[index] = kEnd;
  return true;
}

std::vector<std::pair<std::int32_t, std::int32_t>> TempoDividerTimeline::Pairs() const {
  std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
  for (std::size_t i = 0; i + 1 < kEntries && entries_[i] != kEnd; i += 2) {
    pairs.emplace_back(entries_[i], entries_[i + 1]);
  }
  return pairs;
}

}  // namespace quorlin
