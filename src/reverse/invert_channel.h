// State inversion: rewrites every state-setting flag of a flattened event
// list so that it carries the state that held before it, places the no-attack
// flag E7 so that the reversed song joins the same notes, takes the closing
// F6, E4 or F2 out of its place and appends the state in which the channel
// ended, then that closing flag.
//
// Reads `events` (and `divider_runs`) and writes the converted list into
// `converted`.
#ifndef QUORLIN_REVERSE_INVERT_CHANNEL_H_
#define QUORLIN_REVERSE_INVERT_CHANNEL_H_

#include <cstdint>
#include <string>

#include "format/channel_buffer.h"
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

// `tempo` and `divider` are the song header's: the tempo (flag EA) and the
// global and channel tempo dividers (flags EB, E5) start from them. The
// channel's kind decides how E7 and F9 are inverted; its name is for errors.
// Throws TrackError for a list that breaks off inside an event.
void InvertChannel(ChannelBuffer& buffer, const ChannelHeader& channel, std::uint8_t tempo,
                   std::uint8_t divider, DividerInversion dividers);

}  // namespace quorlin

#endif  // QUORLIN_REVERSE_INVERT_CHANNEL_H_
