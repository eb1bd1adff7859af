// Output assembly: the reversed song as one block of bytes, laid out without
// gaps: song header, channel headers (transposition and volume 0, their
// values already stand as commands in the event lists), voice records, then
// every channel's events in channel order.
#ifndef QUORLIN_TRACK_ASSEMBLE_H_
#define QUORLIN_TRACK_ASSEMBLE_H_

#include <cstdint>
#include <span>
#include <vector>

#include "track/song_layout.h"

namespace quorlin {

// Throws TrackError when a channel's data would start at `offset` beyond
// 0xFFFF, which a 16-bit channel header cannot hold.
void CheckChannelDataOffset(std::size_t offset, const ChannelHeader& channel);

// `channels` holds the event lists in channel order, `headers` names them.
// Throws TrackError as CheckChannelDataOffset does.
std::vector<std::uint8_t> AssembleSong(const SongHeader& song, std::span<const std::uint8_t> voices,
                                       std::span<const std::span<const std::uint8_t>> channels,
                                       std::span<const ChannelHeader> headers);

}  // namespace quorlin

#endif  // QUORLIN_TRACK_ASSEMBLE_H_
