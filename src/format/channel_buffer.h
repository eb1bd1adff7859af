// What carries one channel through the stages. The diagnostic dumps show it
// as 65,536 bytes, the layout the tool has always had:
//
//   0x0000-0x7FFD  event area: the reversed event list, zeros behind it
//   0x7FFE-0x7FFF  length word: event length, high byte first
//   0x8000-0xFFFF  work area: the converted list, zeros behind it
//
// Inside, each list holds only the bytes that were written, so a channel of
// a few hundred bytes costs a few hundred bytes.
#ifndef QUORLIN_FORMAT_CHANNEL_BUFFER_H_
#define QUORLIN_FORMAT_CHANNEL_BUFFER_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorlin {

struct ChannelBuffer {
  static constexpr std::size_t kImageSize = 0x10000;
  // The longest event list a channel holds: the bytes below the length word.
  static constexpr std::size_t kEventAreaSize = 0x7FFE;
  static constexpr std::size_t kLengthWord = 0x7FFE;
  static constexpr std::size_t kWorkArea = 0x8000;

  // The flattened event list; after the reversal, the reversed list.
  std::vector<std::uint8_t> events;
  // The state inversion's converted list, as long as the reversed list.
  std::vector<std::uint8_t> converted;
  // For each note or rest of the flattened list, in order, the tempo divider
  // at which its duration was counted.
  std::vector<std::uint8_t> note_dividers;

  // The 65,536-byte picture of the channel that the dumps write out.
  void WriteImage(std::span<std::uint8_t, kImageSize> image) const;
};

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_CHANNEL_BUFFER_H_
