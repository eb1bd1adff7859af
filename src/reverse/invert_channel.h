// State inversion: rewrites every state-setting flag of a flattened event
// list so that it carries the state that held before it, places the no-attack
// flag E7 so that the reversed song joins the same notes, takes the closing
// F6, E4 or F2 out of its place and appends the state in which the channel
// ended, then that closing flag.
#ifndef QUORLIN_REVERSE_INVERT_CHANNEL_H_
#define QUORLIN_REVERSE_INVERT_CHANNEL_H_

#include <array>
#include <cstdint>
#include <vector>

#include "format/driver.h"
#include "format/flat_channel.h"
#include "format/song_layout.h"

namespace quorlin {

// How the reversed song keeps each note's tempo divider.
enum class DividerInversion {
  // E5 and EB are inverted like every other state flag.
  kRestoreFlags,
  // E5 and EB are dropped, and each note that is timed by another divider
  // than the note after it, and the last note, get an E5 with their own
  // divider behind them: so after the reversal every channel sets the
  // divider of each note itself. For songs in which the global divider EB
  // changes, which the driver applies to every channel at once, or in which
  // a note keeps the divider of a duration read before a change.
  kPerNote,
};

// Inverts the channels of one song.
class ChannelInverter {
 public:
  // `tempo` and `divider` are the song header's: the tempo (flag EA) and the
  // global and channel tempo dividers (flags EB, E5) start from them.
  ChannelInverter(const Driver& driver, std::uint8_t tempo, std::uint8_t divider,
                  DividerInversion dividers);

  // Returns the converted list of the flattened `flat`. The channel's kind
  // decides how E7 and F9 are inverted; its name is for errors. Throws
  // TrackError for a list that breaks off inside an event.
  std::vector<std::uint8_t> Invert(const FlatChannel& flat, const ChannelHeader& channel) const;

  using State = std::array<std::array<std::uint8_t, 4>, 32>;  // per flag, its values

 private:
  const Driver& driver_;
  const DividerInversion dividers_;
  State start_{};  // what each state holds before the channel's first flag that sets it
  std::vector<std::uint8_t> final_state_order_;  // the flags that append a final-state command
};

}  // namespace quorlin

#endif  // QUORLIN_REVERSE_INVERT_CHANNEL_H_
