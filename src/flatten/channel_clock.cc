#include "flatten/channel_clock.h"

namespace quorlin {

std::uint8_t ChannelClock::Cut(std::uint8_t duration, int divider) const {
  // The clock was below the target when the step began, so the cut leaves
  // between 1 and `duration` units: the crossing note is shortened, never dropped.
  const std::int64_t overshoot_units = (std::int64_t{value_} - target_) / divider / kUnit;
  return static_cast<std::uint8_t>(duration - overshoot_units);
}

std::int64_t ChannelClock::FillUnits() const {
  return (std::int64_t{target_} - value_) / divider_ / kUnit;
}

}  // namespace quorlin
