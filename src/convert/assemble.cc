#include "convert/assemble.h"

#include <algorithm>

namespace quorlin {

std::vector<std::uint8_t> AssembleSong(const SongHeader& song, std::span<const std::uint8_t> voices,
                                       std::span<const ChannelBuffer> channels,
                                       std::span<const std::uint16_t> data_offsets) {
  const std::size_t size = channels.empty() ? song.HeadersSize() + voices.size()
                                            : data_offsets.back() + channels.back().events.size();
  std::vector<std::uint8_t> out(size);
  WriteHeaders(out, song, data_offsets);
  std::copy(voices.begin(), voices.end(), out.begin() + song.HeadersSize());
  for (std::size_t i = 0; i < channels.size(); ++i) {
    std::copy(channels[i].events.begin(), channels[i].events.end(), out.begin() + data_offsets[i]);
  }
  return out;
}

}  // namespace quorlin
