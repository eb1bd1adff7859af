// Reading the song header and the channel headers of a loaded track.
#ifndef QUORLIN_TRACK_SONG_LAYOUT_H_
#define QUORLIN_TRACK_SONG_LAYOUT_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "track/format.h"

namespace quorlin {

struct SongHeader {
  std::uint16_t voice_table_offset = 0;
  int fm_count = 0;  // FM channels besides the DAC channel
  int psg_count = 0;
  std::uint8_t tempo_divider = 0;
  std::uint8_t tempo = 0;

  static constexpr int kDacCount = 1;
  int ChannelCount() const { return kDacCount + fm_count + psg_count; }
  // Size of the song header and every channel header: where an output's
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

// Both throw TrackError when the headers do not fit the file or describe no
// DAC channel.
SongHeader ReadSongHeader(std::span<const std::uint8_t> image);
// In channel order: the DAC channel, the FM channels, the PSG channels.
std::vector<ChannelHeader> ReadChannelHeaders(std::span<const std::uint8_t> image,
                                              const SongHeader& song);

}  // namespace quorlin

#endif  // QUORLIN_TRACK_SONG_LAYOUT_H_
