// What carries one channel through the stages. The diagnostic dumps show it
// as 65,536 bytes, the layout the tool has always had:
//
//   0x0000-0x7FFD  event area: the reversed event list, zeros behind it
//   0x7FFE-0x7FFF  length word: event length, high byte first
//   0x8000-0xFFFF  work area: the converted list, zeros behind it
//
// A channel whose lists are longer than the event area (a song may play
// one out to any length) is dumped as its reversed list followed by its
// converted list, as long, without the length word.
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

// Notes in a row whose durations were counted at one tempo divider.
struct DividerRun {
  std::uint8_t divider;
  std::uint32_t notes;
  bool operator==(const DividerRun&) const = default;
};

// Appends `notes` notes counted at `divider` to `runs`, extending the last
// run when it has the same divider: neighbouring runs always differ.
void AddNotes(std::vector<DividerRun>& runs, std::uint8_t divider, std::size_t notes);

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
  // The tempo dividers at which the durations of the flattened list's notes
  // and rests were counted, in order, as runs of notes that share one.
  std::vector<DividerRun> divider_runs;
  // Where the rests begin that fill a stopped channel to the song's length,
  // in front of its stop flag; kNoFill when the walk wrote none.
  static constexpr std::size_t kNoFill = SIZE_MAX;
  std::size_t fill_start = kNoFill;

  // True when the lists fit the 65,536-byte picture.
  bool FitsImage() const { return events.size() <= kEventAreaSize; }
  // The 65,536-byte picture of the channel that the dumps write out.
  void WriteImage(std::span<std::uint8_t, kImageSize> image) const;
};

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_CHANNEL_BUFFER_H_
