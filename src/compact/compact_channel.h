// Compaction: a reversed channel written with loops (F7) and calls (F8, E3)
// wherever its events repeat, so that it takes a fraction of the bytes of
// its played-out list and plays exactly the same events.
//
// The events are first folded into loops where a block plays back to back,
// smallest blocks first; then blocks that stand in several places become
// subroutines, the block that saves the most bytes first. Before the data is
// given out, it is replayed by the flattening walk and compared with the
// list it stands for.
#ifndef QUORLIN_COMPACT_COMPACT_CHANNEL_H_
#define QUORLIN_COMPACT_COMPACT_CHANNEL_H_

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "compact/extract_subroutines.h"
#include "compact/flat_index.h"
#include "compact/fold_loops.h"
#include "flatten/unpack_channel.h"
#include "format/driver.h"
#include "format/song_layout.h"

namespace quorlin {

// Compacts the channels of one song, one after another, keeping the room
// that replaying them takes from channel to channel.
class ChannelCompactor {
 public:
  // `song_divider`: the song's tempo divider, in force where a list starts.
  ChannelCompactor(const Driver& driver, std::uint8_t song_divider);

  // `events` is the reversed list of `channel`: events back to back, closed
  // by F6 (its pointer is not read), F2 or E4. Returns the compacted data,
  // or the list itself where compaction saves nothing. Throws TrackError,
  // naming the channel, when the compacted data would not play as the
  // list: an internal error.
  std::vector<std::uint8_t> Compact(std::span<const std::uint8_t> events,
                                    const ChannelHeader& channel);

 private:
  std::optional<Grammar> ReadEvents(std::span<const std::uint8_t> list,
                                    std::span<const std::uint8_t>& closing);
  bool PlaysAs(std::span<const std::uint8_t> data, std::span<const std::uint8_t> list,
               ChannelKind kind);

  const Driver& driver_;
  const std::uint8_t song_divider_;
  LoopFolder folder_;
  SubroutineExtractor extractor_;
  FlatIndex events_;  // event bytes -> the event's number
  ChannelWalker walker_;
};

}  // namespace quorlin

#endif  // QUORLIN_COMPACT_COMPACT_CHANNEL_H_
