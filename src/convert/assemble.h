// Output assembly: the reversed song as one block of bytes, laid out without
// gaps: song header, channel headers, voice records, then every channel's
// events in channel order.
#ifndef QUORLIN_CONVERT_ASSEMBLE_H_
#define QUORLIN_CONVERT_ASSEMBLE_H_

#include <cstdint>
#include <span>
#include <vector>

#include "format/channel_buffer.h"
#include "format/song_layout.h"

namespace quorlin {

// The whole reversed song: the headers, `voices` right behind them, and each
// channel's events at its entry of `data_offsets`, which the caller placed
// back to back behind the voices.
std::vector<std::uint8_t> AssembleSong(const SongHeader& song, std::span<const std::uint8_t> voices,
                                       std::span<const ChannelBuffer> channels,
                                       std::span<const std::uint16_t> data_offsets);

}  // namespace quorlin

#endif  // QUORLIN_CONVERT_ASSEMBLE_H_
