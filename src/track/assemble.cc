#include "track/assemble.h"

#include <algorithm>

#include "track/bytes.h"
#include "track/track_error.h"

namespace quorlin {
namespace {

constexpr std::size_t kLargestOffset = 0xFFFF;

std::size_t OutputSize(const SongHeader& song, std::span<const std::uint8_t> voices,
                       std::span<const std::span<const std::uint8_t>> channels,
                       std::span<const ChannelHeader> headers) {
  std::size_t data = song.HeadersSize() + voices.size();
  for (std::size_t i = 0; i < channels.size(); ++i) {
    CheckChannelDataOffset(data, headers[i]);
    data += channels[i].size();
  }
  return data;
}

}  // namespace

void CheckChannelDataOffset(std::size_t offset, const ChannelHeader& channel) {
  if (offset > kLargestOffset) {
    throw TrackError("the reversed song would place " + channel.Name() + "'s data at " +
                     FormatOffset(offset) +
                     ", beyond the offset 0xFFFF that a channel header "
                     "can hold");
  }
}

std::vector<std::uint8_t> AssembleSong(const SongHeader& song, std::span<const std::uint8_t> voices,
                                       std::span<const std::span<const std::uint8_t>> channels,
                                       std::span<const ChannelHeader> headers) {
  std::vector<std::uint8_t> out(OutputSize(song, voices, channels, headers));
  const std::size_t voice_table = song.HeadersSize();
  WriteBigEndian16(out, 0, static_cast<std::uint16_t>(voice_table));
  out[2] = static_cast<std::uint8_t>(SongHeader::kDacCount + song.fm_count);
  out[3] = static_cast<std::uint8_t>(song.psg_count);
  out[4] = song.tempo_divider;
  out[5] = song.tempo;
  std::copy(voices.begin(), voices.end(), out.begin() + voice_table);

  std::size_t header = kSongHeaderSize;
  std::size_t data = voice_table + voices.size();
  for (std::size_t i = 0; i < channels.size(); ++i) {
    WriteBigEndian16(out, header, static_cast<std::uint16_t>(data));
    // Transposition, volume and, for PSG channels, two more bytes stay 0.
    header += headers[i].kind == ChannelKind::kPsg ? kPsgHeaderSize : kFmHeaderSize;
    std::copy(channels[i].begin(), channels[i].end(), out.begin() + data);
    data += channels[i].size();
  }
  return out;
}

}  // namespace quorlin
