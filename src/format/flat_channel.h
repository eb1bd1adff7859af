// A channel played out by the flattening: what the state inversion reads.
#ifndef QUORLIN_FORMAT_FLAT_CHANNEL_H_
#define QUORLIN_FORMAT_FLAT_CHANNEL_H_

#include <cstddef>
#include <cstdint>
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

struct FlatChannel {
  // The flattened event list: every note with its duration, the header
  // values as leading commands, closed by a stop flag or the terminator F6 00 00.
  std::vector<std::uint8_t> events;
  // The tempo dividers at which the durations of its notes and rests were
  // counted, in order, as runs of notes that share one.
  std::vector<DividerRun> divider_runs;
  // Where the rests begin that fill a stopped channel to the song's length,
  // in front of its stop flag; kNoFill when the walk wrote none.
  static constexpr std::size_t kNoFill = SIZE_MAX;
  std::size_t fill_start = kNoFill;
};

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_FLAT_CHANNEL_H_
