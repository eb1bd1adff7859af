// The DAC channel's changes of the global tempo divider (flag EB), each with
// the DAC clock at which it happened. The FM and PSG walks of the same pass
// take them over once their own clocks have passed that point.
//
// Stored as the tool always stored it: 1,024 signed 32-bit entries, pairs of
// (clock, divider) from index 0, ended by -1 in the place of a clock. The
// diagnostic dump writes these pairs out.
#ifndef QUORLIN_FLATTEN_TEMPO_DIVIDER_TIMELINE_H_
#define QUORLIN_FLATTEN_TEMPO_DIVIDER_TIMELINE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace quorlin {

class TempoDividerTimeline {
 public:
  static constexpr std::size_t kEntries = 1024;
  static constexpr std::int32_t kEnd = -1;
  // 511 pairs and the end marker fill all but the last entry.
  static constexpr std::size_t kCapacityPairs = (kEntries - 1) / 2;

  TempoDividerTimeline() { Clear(); }

  void Clear() { entries_[0] = kEnd; }

  // Appends a pair at `index` (the writer's cursor, advanced by 2) and the end
  // marker behind it. Returns false, changing nothing, when the timeline is full.
  bool Record(std::size_t& index, std::int32_t clock, std::uint8_t divider);

  // The pair at `index`, if any: the clock, or kEnd, then the divider.
  std::int32_t ClockAt(std::size_t index) const { return entries_[index]; }
  std::int32_t DividerAt(std::size_t index) const { return entries_[index + 1]; }

  std::vector<std::pair<std::int32_t, std::int32_t>> Pairs() const;

 private:
  std::array<std::int32_t, kEntries> entries_;
};

}  // namespace quorlin

#endif  // QUORLIN_FLATTEN_TEMPO_DIVIDER_TIMELINE_H_
