// The 65,536 bytes that carry one channel through every stage:
//
//   0x0000-0x7FFD  event area: the flattened, later the reversed event list
//   0x7FFE-0x7FFF  length word: event length, high byte first
//   0x8000-0xFFFF  work area: visited map while flattening, converted list
//                  while reversing
//
// The diagnostic dumps write the whole buffer out, so this layout is part of
// what the tool shows.
#ifndef QUORLIN_TRACK_CHANNEL_BUFFER_H_
#define QUORLIN_TRACK_CHANNEL_BUFFER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "track/bytes.h"

namespace quorlin {

struct ChannelBuffer {
  static constexpr std::size_t kSize = 0x10000;
  static constexpr std::size_t kEventAreaSize = 0x7FFE;
  static constexpr std::size_t kLengthWord = 0x7FFE;
  static constexpr std::size_t kWorkArea = 0x8000;
  static constexpr std::size_t kWorkAreaSize = kSize - kWorkArea;

  std::array<std::uint8_t, kSize> bytes{};

  void Clear() { bytes.fill(0); }
  std::size_t EventLength() const { return ReadBigEndian16(bytes, kLengthWord); }
  void SetEventLength(std::size_t length) {
    WriteBigEndian16(bytes, kLengthWord, static_cast<std::uint16_t>(length));
  }
  std::span<std::uint8_t, kEventAreaSize> EventArea() {
    return std::span(bytes).first<kEventAreaSize>();
  }
  std::span<const std::uint8_t> Events() const { return std::span(bytes).first(EventLength()); }
  std::span<std::uint8_t, kWorkAreaSize> WorkArea() {
    return std::span(bytes).last<kWorkAreaSize>();
  }
};

}  // namespace quorlin

#endif  // QUORLIN_TRACK_CHANNEL_BUFFER_H_
