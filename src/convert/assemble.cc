#include "convert/assemble.h"

#include <algorithm>
#include <string>

#include "format/bytes.h"
#include "format/track_error.h"

namespace quorlin {

std::vector<std::uint8_t> CopyVoices(std::span<const std::uint8_t> track,
                                     std::size_t voice_table_offset, int voice_count) {
  // No record is read, so the voice table offset may lead anywhere.
  if (voice_count == 0) return {};
  const std::size_t begin = voice_table_offset;
  const std::size_t end = begin + std::size_t{kVoiceRecordSize} * voice_count;
  if (end > track.size()) {
    throw TrackError(ErrorKind::kMalformedTrack,
                     "voice records 0-" + std::to_string(voice_count - 1) + " at " +
                         FormatOffset(static_cast<long long>(begin)) + "-" +
                         FormatOffset(static_cast<long long>(end) - 1) +
                         " run past the end of the track at " + FormatOffset(track.size()),
                     {"", static_cast<long long>(begin)});
  }
  return {track.begin() + begin, track.begin() + end};
}

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
