// The song header and the channel entries behind it, laid out as the
// driver's song header and channel entry layouts say: read from a track, and
// written for the reversed song.
#ifndef QUORLIN_FORMAT_SONG_LAYOUT_H_
#define QUORLIN_FORMAT_SONG_LAYOUT_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/driver.h"

namespace quorlin {

struct SongHeader {
  std::size_t voice_table_offset = 0;
  int fm_count = 0;  // FM channels besides the DAC channel
  int psg_count = 0;
  std::uint8_t tempo_divider = 0;
  std::uint8_t tempo = 0;

  static constexpr int kDacCount = 1;
  int ChannelCount() const { return kDacCount + fm_count + psg_count; }
};

struct ChannelHeader {
  ChannelKind kind = ChannelKind::kDac;
  int number = 1;  // counts the channels of one kind from 1
  std::size_t data_offset = 0;
  std::uint8_t transpose = 0;
  std::uint8_t volume = 0;
  std::uint8_t psg_voice = 0;

  // "DAC", "FM2", "PSG1": how error lines name a channel.
  std::string Name() const;
};

// Size of the song header and every channel entry: where a written song's
// voice table starts.
inline std::size_t HeadersSize(const Driver& driver, const SongHeader& song) {
  const auto size = [&](ChannelKind kind, int count) {
    return static_cast<std::size_t>(driver.Entry(kind).size) * static_cast<std::size_t>(count);
  };
  return static_cast<std::size_t>(driver.song_header.size) +
         size(ChannelKind::kDac, SongHeader::kDacCount) + size(ChannelKind::kFm, song.fm_count) +
         size(ChannelKind::kPsg, song.psg_count);
}

// Calls `each(kind, number, at)` for every channel's entry in channel order:
// the DAC channel, the FM channels, the PSG channels, each kind numbered
// from 1; `at` counts from the song's first byte.
template <typename Each>
void ForEachChannelEntry(const Driver& driver, const SongHeader& song, Each each) {
  std::size_t at = static_cast<std::size_t>(driver.song_header.size);
  const auto entries = [&](ChannelKind kind, int count) {
    for (int number = 1; number <= count; ++number) {
      each(kind, number, at);
      at += static_cast<std::size_t>(driver.Entry(kind).size);
    }
  };
  entries(ChannelKind::kDac, SongHeader::kDacCount);
  entries(ChannelKind::kFm, song.fm_count);
  entries(ChannelKind::kPsg, song.psg_count);
}

// Both throw TrackError when the headers do not fit the track or describe no
// DAC channel.
SongHeader ReadSongHeader(const Driver& driver, std::span<const std::uint8_t> track);
// In channel order: the DAC channel, the FM channels, the PSG channels.
std::vector<ChannelHeader> ReadChannelHeaders(const Driver& driver,
                                              std::span<const std::uint8_t> track,
                                              const SongHeader& song);

// Writes the song header and one channel entry per data offset, in channel
// order, at the start of `out` (HeadersSize bytes). The voice table follows
// the headers; transposition, volume and PSG voice are written as 0, since
// the reversed event lists carry them as commands.
void WriteHeaders(const Driver& driver, std::span<std::uint8_t> out, const SongHeader& song,
                  std::span<const std::size_t> data_offsets);

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_SONG_LAYOUT_H_
