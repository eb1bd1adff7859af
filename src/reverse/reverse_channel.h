// Event reversal and loop closure: writes the converted list's events in
// reverse order, keeping the bytes inside each event in their order, then
// moves the first event (the closing F6, E4 or F2) to the end. A closing F6
// gets a pointer back to the channel's first byte, so the reversed channel
// loops for ever; E4 and F2 simply end it.
#ifndef QUORLIN_REVERSE_REVERSE_CHANNEL_H_
#define QUORLIN_REVERSE_REVERSE_CHANNEL_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/driver.h"
#include "format/flat_channel.h"
#include "format/song_layout.h"

namespace quorlin {

// Returns the reversed list of the converted list `converted`, as long.
// It is written into the memory of `room` (the flattened list, say, which
// has served), so that a long list needs no fresh memory.
std::vector<std::uint8_t> ReverseChannel(const Driver& driver,
                                         std::span<const std::uint8_t> converted,
                                         const std::string& channel_name,
                                         std::vector<std::uint8_t> room = {});

// Every fitted channel of `flat` (a song's or an effect's, in channel order)
// inverted and reversed; each flattened list gives its memory to its
// reversed list. Notes time themselves where `notes_need_their_dividers`.
// With `converted`, the inverted lists are kept there too.
std::vector<std::vector<std::uint8_t>> InvertAndReverse(
    const Driver& driver, const SongHeader& song, std::span<const ChannelHeader> headers,
    std::span<FlatChannel> flat, bool notes_need_their_dividers,
    std::vector<std::vector<std::uint8_t>>* converted = nullptr);

}  // namespace quorlin

#endif  // QUORLIN_REVERSE_REVERSE_CHANNEL_H_
