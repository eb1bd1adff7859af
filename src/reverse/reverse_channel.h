// Event reversal and loop closure: writes the converted list's events in
// reverse order, keeping the bytes inside each event in their order, then
// moves the first event (the closing F6, E4 or F2) to the end. A closing F6
// gets a pointer back to the channel's first byte, so the reversed channel
// loops for ever; E4 and F2 simply end it.
#ifndef QUORLIN_REVERSE_REVERSE_CHANNEL_H_
#define QUORLIN_REVERSE_REVERSE_CHANNEL_H_

#include <string>

#include "format/channel_buffer.h"

namespace quorlin {

// Reads `converted` and leaves the reversed list, as long, in `events`.
void ReverseChannel(ChannelBuffer& buffer, const std::string& channel_name);

}  // namespace quorlin

#endif  // QUORLIN_REVERSE_REVERSE_CHANNEL_H_
