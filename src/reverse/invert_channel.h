// State inversion: rewrites every state-setting flag of a flattened event
// list so that it carries the state that held before it, moves each no-attack
// flag E7 one event later, takes the closing F6, E4 or F2 out of its place and
// appends the state in which the channel ended, then that closing flag.
//
// Reads `events` and writes the converted list into `converted`.
#ifndef QUORLIN_REVERSE_INVERT_CHANNEL_H_
#define QUORLIN_REVERSE_INVERT_CHANNEL_H_

#include <cstdint>
#include <string>

#include "format/channel_buffer.h"

namespace quorlin {

// `tempo` and `divider` are the song header's: the tempo (flag EA) and the
// global and channel tempo dividers (flags EB, E5) start from them. Throws
// TrackError when the converted list would not fit the event area.
void InvertChannel(ChannelBuffer& buffer, std::uint8_t tempo, std::uint8_t divider,
                   const std::string& channel_name);

}  // namespace quorlin

#endif  // QUORLIN_REVERSE_INVERT_CHANNEL_H_
