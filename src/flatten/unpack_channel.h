// Flattening: plays one channel of a loaded track into a straight event
// list. Calls, returns, loops and jumps are followed and vanish; every note
// gets an explicit duration; the channel header's transposition, volume and
// PSG voice become leading commands. The list ends with the stop flag that
// ended the channel or with the terminator F6 00 00.
#ifndef QUORLIN_FLATTEN_UNPACK_CHANNEL_H_
#define QUORLIN_FLATTEN_UNPACK_CHANNEL_H_

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "flatten/tempo_divider_timeline.h"
#include "flatten/visited_map.h"
#include "format/driver.h"
#include "format/flat_channel.h"
#include "format/song_layout.h"

namespace quorlin {

// Step limits that keep a broken track from running for long: a step reads
// one event. No track that converts into a valid output comes near them.
struct WalkLimits {
  std::int64_t steps_per_walk = 0x40000;
  std::int64_t steps_per_song = 0x200000;  // both passes together
  // The songs of one game image share this many steps: without it, an image
  // of 127 long songs built on one block of notes would take minutes.
  std::int64_t steps_per_image = 0x200000;
  // For a song of a game image: what the image has left of those steps,
  // counted down by every walk, whether or not its song converts. Null for
  // a song on its own.
  std::int64_t* image_steps_left = nullptr;
};

// What a walk is told: the pass it belongs to.
struct WalkSettings {
  std::int32_t target = 0;        // 0: a measuring walk; otherwise the clock to fit to
  std::uint8_t song_divider = 0;  // the song header's: every channel's clock starts with it
  // False: the walk only keeps time (the measuring pass of a song needs no lists).
  bool keep_list = true;
  // A measuring walk ends at its this many-th jump (F6) onto data it has
  // played: 2 plays a looped body twice, 1 plays a channel once through.
  int revisit_budget = 2;
  WalkLimits limits;
  std::int64_t steps_left = WalkLimits().steps_per_song;  // of the song's steps
  // For an FM or PSG walk, the changes of the global divider that the DAC
  // walk of the same pass recorded.
  std::span<const DividerChange> timeline;
};

// What a walk gives.
struct WalkResult {
  std::int32_t clock = 0;  // the channel's playing time
  FlatChannel channel;     // its list, when the walk keeps one
  // A DAC walk's changes of the global divider, for the other walks of its pass.
  TempoDividerTimeline timeline;
  std::optional<std::uint8_t> max_voice;  // the highest voice a flag EF selects
  // The walk wrote flag EB, or played a note with the duration given last
  // while another divider was in force than when that duration was read:
  // the song then needs each note's divider written out.
  bool wrote_global_divider = false;
  bool reused_duration_across_divider = false;
  std::int64_t steps = 0;
};

// Walks channels, keeping the room its walks work in from walk to walk.
class ChannelWalker {
 public:
  explicit ChannelWalker(const Driver& driver);

  // Walks one channel of `track`. The DAC channel must be walked first in
  // each pass: the FM and PSG walks take over its timeline. Throws
  // TrackError, naming the channel and the offset, for any track that
  // breaks a limit.
  WalkResult Walk(const ChannelHeader& channel, std::span<const std::uint8_t> track,
                  const WalkSettings& settings);

  // Plays `data` once through from its first byte, as a channel of `kind`
  // without header values whose clock starts at `song_divider`, within
  // `steps` steps. Returns the events played, which hold until the next
  // walk, or nothing when the data does not play to an end that way.
  std::optional<std::span<const std::uint8_t>> Replay(ChannelKind kind,
                                                      std::span<const std::uint8_t> data,
                                                      std::uint8_t song_divider,
                                                      std::int64_t steps);

  // Where a walk writes before its list is handed out.
  struct Room {
    VisitedMap visited;
    std::vector<std::uint8_t> list;
    std::vector<DividerRun> divider_runs;
  };

 private:
  const Driver& driver_;
  Room room_;
};

}  // namespace quorlin

#endif  // QUORLIN_FLATTEN_UNPACK_CHANNEL_H_
