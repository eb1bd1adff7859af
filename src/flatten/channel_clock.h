// A channel's playing time while it is flattened. Each played duration d adds
// d * 256 * divider, with the divider that was in force when the duration
// byte was read (the driver multiplies a duration as it reads it and keeps
// the product); a stop flag in a measuring walk adds 1, less than any
// duration. A fitting walk (target not 0) runs to the target: a note that
// crosses it is cut, a channel that stops early is filled with rests.
#ifndef QUORLIN_FLATTEN_CHANNEL_CLOCK_H_
#define QUORLIN_FLATTEN_CHANNEL_CLOCK_H_

#include <cstdint>

namespace quorlin {

class ChannelClock {
 public:
  static constexpr std::int64_t kUnit = 256;

  ChannelClock(std::int32_t target, int divider) : target_(target), divider_(divider) {}

  std::int32_t value() const { return value_; }
  std::int32_t target() const { return target_; }
  int divider() const { return divider_; }
  void set_divider(int divider) { divider_ = divider; }

  bool Fitting() const { return target_ != 0; }
  bool ReachedTarget() const { return Fitting() && value_ >= target_; }

  // False when playing `duration` at `divider` would carry the clock past
  // 2^31 - 1.
  bool CanPlay(std::uint8_t duration, int divider) const {
    return value_ + duration * kUnit * divider <= INT32_MAX;
  }
  // Advances the clock by the whole duration, counted at `divider`, and
  // returns the duration byte to write: the duration itself, or what is left
  // of it up to the target.
  std::uint8_t Play(std::uint8_t duration, int divider) {
    value_ = static_cast<std::int32_t>(value_ + duration * kUnit * divider);
    if (!Fitting() || value_ <= target_) return duration;
    return Cut(duration, divider);
  }

  // The clock bump of a stop flag in a measuring walk.
  bool CanBumpForStop() const { return value_ < INT32_MAX; }
  void BumpForStop() { ++value_; }
  // The gap to the target in duration units, at the current divider, which
  // must not be 0. The clock is not advanced by the fill.
  std::int64_t FillUnits() const;

 private:
  std::uint8_t Cut(std::uint8_t duration, int divider) const;

  std::int32_t value_ = 0;
  std::int32_t target_;
  int divider_;
};

}  // namespace quorlin

#endif  // QUORLIN_FLATTEN_CHANNEL_CLOCK_H_
