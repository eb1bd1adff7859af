#include "convert/assemble.h"

#include <algorithm>

namespace quorlin {

std::vector<std::size_t> PlaceChannels(const Driver& driver, const SongHeader& song,
                                       std::size_t voice_bytes,
                                       std::span<const ChannelData> channels) {
  std::vector<std::size_t> offsets;
  offsets.reserve(channels.size());
  std::size_t offset = HeadersSize(driver, song) + voice_bytes;
  for (const ChannelData& data : channels) {
    offsets.push_back(offset);
    offset += data.size();
  }
  return offsets;
}

std::vector<std::uint8_t> AssembleSong(const Driver& driver, const SongHeader& song,
                                       std::span<const std::uint8_t> voices,
                                       std::span<const ChannelData> channels,
                                       std::span<const std::size_t> data_offsets) {
  const std::size_t headers_size = HeadersSize(driver, song);
  const std::size_t size = channels.empty() ? headers_size + voices.size()
                                            : data_offsets.back() + channels.back().size();
  std::vector<std::uint8_t> out(size);
  WriteHeaders(driver, out, song, data_offsets);
  std::copy(voices.begin(), voices.end(), out.begin() + headers_size);
  for (std::size_t i = 0; i < channels.size(); ++i) {
    std::copy(channels[i].begin(), channels[i].end(), out.begin() + data_offsets[i]);
  }
  return out;
}

}  // namespace quorlin
