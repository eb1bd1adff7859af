// Flattening: plays one channel of a loaded track into a straight event
// list. Calls, returns, loops and jumps are followed and vanish; every note
// gets an explicit duration; the channel header's transposition, volume and
// PSG voice become leading commands. The list ends with the stop flag that
// ended the channel or with the terminator F6 00 00.
#ifndef QUORLIN_FLATTEN_UNPACK_CHANNEL_H_
#define QUORLIN_FLATTEN_UNPACK_CHANNEL_H_

#include <cstdint>
#include <span>
#include <vector>

#include "flatten/tempo_divider_timeline.h"
#include "flatten/visited_map.h"
#include "format/channel_buffer.h"
#include "format/song_layout.h"

namespace quorlin {

// The DAC sample shift, fixed when the tool is built: DAC notes other than the
// rest are moved by PlusDAC - 0x80, so not at all.
inline constexpr int PlusDAC = 0x80;

// Step limits that keep a broken track from running for long: a step reads
// one event. No track that converts into a valid output comes near them.
struct WalkLimits {
  std::int64_t steps_per_walk = 0x40000;
  std::int64_t steps_per_song = 0x200000;  // both passes together
};

// What all walks of one pass share, and the room they write in.
struct PassState {
  std::int32_t target = 0;  // 0: measuring walks; otherwise the clock to fit to
  std::uint8_t song_divider = 0;
  int max_voice = 0;           // the highest voice number any flag EF selected
  bool selects_voice = false;  // some flag EF did
  TempoDividerTimeline timeline;
  WalkLimits limits;
  std::int64_t steps_left = limits.steps_per_song;  // carried over from pass to pass
  // Set by any walk that writes flag EB, or that plays a note with the
  // duration given last while another divider is in force than when that
  // duration was read: the song then needs each note's divider written out.
  bool wrote_global_divider = false;
  bool reused_duration_across_divider = false;
  // False: the walks only keep time, and leave their buffers as they are
  // (the measuring pass of a song needs no lists).
  bool keep_lists = true;
  // A measuring walk ends at its this many-th jump (F6) onto data it has
  // played: 2 plays a looped body twice, 1 plays a channel once through.
  int revisit_budget = 2;
  VisitedMap visited;
  // Where a walk writes its list before it is copied to the channel; it
  // keeps its room from walk to walk.
  std::vector<std::uint8_t> scratch;
  std::vector<DividerRun> divider_runs;  // likewise, for the dividers of its notes
};

// Walks one channel and leaves its event list in `buffer.events`, and the
// dividers that timed its notes in `buffer.divider_runs`; returns its
// ChannelClock. The DAC channel must be walked first in each pass: it fills
// the timeline that the FM and PSG walks read. Throws TrackError, naming the
// channel and the offset, for any track that breaks a limit.
std::int32_t UnpackChannel(const ChannelHeader& channel, std::span<const std::uint8_t> track,
                           ChannelBuffer& buffer, PassState& pass);

}  // namespace quorlin

#endif  // QUORLIN_FLATTEN_UNPACK_CHANNEL_H_
