// The song header and the channel headers: read from a track, and written
// for the reversed song.
#ifndef QUORLIN_FORMAT_SONG_LAYOUT_H_
#define QUORLIN_FORMAT_SONG_LAYOUT_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/format.h"

namespace quorlin {

struct SongHeader {
  std::uint16_t voice_table_offset = 0;
  int fm_count = 0;  // FM channels besides the DAC channel
  int psg_count = 0;
  std::uint8_t tempo_divider = 0;
  std::uint8_t tempo = 0;

  static constexpr int kDacCount = 1;
  int ChannelCount() const { return kDacCount + fm_count + psg_count; }
  // Size of the song header and every channel header: where a written song's
  // voice table starts.
  int HeadersSize() const;
};

struct ChannelHeader {
  ChannelKind kind = ChannelKind::kDac;
  int number = 1;  // counts the channels of one kind from 1
  std::uint16_t data_offset = 0;
  std::uint8_t transpose = 0;
  std::uint8_t volume = 0;
  std::uint8_t psg_voice = 0;

  // "DAC", "FM2", "PSG1": how error lines name a channel.
  std::string Name() const;
};

// Both throw TrackError when the headers do not fit the track or describe no
// DAC channel.
SongHeader ReadSongHeader(std::span<const std::uint8_t> track);
// In channel order: the DAC channel, the FM channels, the PSG channels.
std::vector<ChannelHeader> ReadChannelHeaders(std::span<const std::uint8_t> track,
                                              const SongHeader& song);

// Writes the song header and one channel header per data offset, in channel
// order, at the start of `out` (song.HeadersSize() bytes). The voice table
// follows the headers; transposition, volume and PSG voice are written as 0,
// since the reversed event lists carry them as commands.
void WriteHeaders(std::span<std::uint8_t> out, const SongHeader& song,
                  std::span<const std::uint16_t> data_offsets);

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_SONG_LAYOUT_H_
