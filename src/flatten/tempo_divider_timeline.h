// The DAC channel's changes of the global tempo divider (flag EB), each with
// the DAC clock at which it happened. The FM and PSG walks of the same pass
// take them over once their own clocks have passed that point. The
// diagnostic dump writes them out.
#ifndef QUORLIN_FLATTEN_TEMPO_DIVIDER_TIMELINE_H_
#define QUORLIN_FLATTEN_TEMPO_DIVIDER_TIMELINE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorlin {

struct DividerChange {
  std::int32_t clock;
  std::uint8_t divider;
  bool operator==(const DividerChange&) const = default;
};

using TempoDividerTimeline = std::vector<DividerChange>;

// The most changes a song records: the tool's table has always held 511
// pairs and an end marker in 1,024 entries.
inline constexpr std::size_t kTimelineCapacity = 511;

}  // namespace quorlin

#endif  // QUORLIN_FLATTEN_TEMPO_DIVIDER_TIMELINE_H_
