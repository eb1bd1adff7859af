// Output assembly: the reversed song as one block of bytes, laid out without
// gaps: song header, channel headers, voice records, then every channel's
// data in channel order.
#ifndef QUORLIN_CONVERT_ASSEMBLE_H_
#define QUORLIN_CONVERT_ASSEMBLE_H_

#include <cstdint>
#include <span>
#include <vector>

#include "format/driver.h"
#include "format/song_layout.h"

namespace quorlin {

using ChannelData = std::vector<std::uint8_t>;

// The first `voice_count` voice records of `track`'s voice table. Throws
// TrackError when they run past its end.
std::vector<std::uint8_t> CopyVoices(std::span<const std::uint8_t> track,
                                     std::size_t voice_table_offset, int voice_count);

// Where each channel's data starts when the channels follow each other
// behind `voice_bytes` of voice records.
std::vector<std::size_t> PlaceChannels(const Driver& driver, const SongHeader& song,
                                       std::size_t voice_bytes,
                                       std::span<const ChannelData> channels);

// The size of the song that AssembleSong lays out.
std::size_t SongSize(const Driver& driver, const SongHeader& song, std::size_t voice_bytes,
                     std::span<const ChannelData> channels,
                     std::span<const std::size_t> data_offsets);

// The whole reversed song: the headers, `voices` right behind them, and each
// channel's data at its entry of `data_offsets` (from PlaceChannels, each
// one a channel entry can hold). Each channel's pointers lead where they
// led in its data alone, which started at offset 0.
std::vector<std::uint8_t> AssembleSong(const Driver& driver, const SongHeader& song,
                                       std::span<const std::uint8_t> voices,
                                       std::span<const ChannelData> channels,
                                       std::span<const std::size_t> data_offsets);

}  // namespace quorlin

#endif  // QUORLIN_CONVERT_ASSEMBLE_H_
