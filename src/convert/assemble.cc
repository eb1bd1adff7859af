#include "convert/assemble.h"

#include <algorithm>

#include "format/events.h"

namespace quorlin {
namespace {

// The pointers of the channel data at `at`, written as if it started at
// offset 0, made to lead to the same bytes where it lies. Pointers counted
// from their own position keep their values.
void PlacePointers(const Driver& driver, std::span<std::uint8_t> song, std::size_t at,
                   std::size_t size) {
  const std::span<const std::uint8_t> data = song.subspan(at, size);
  for (EventReader reader(driver, data); !reader.Done();) {
    const Event event = reader.Next();
    if (event.kind != EventKind::kFlag || !event.flag->HasPointer() || event.CutShort()) continue;
    const std::size_t pointer_at = event.end() - PointerForm::kBytes;
    const std::int64_t target = driver.data_pointers.TargetAt(data, pointer_at);
    driver.data_pointers.Write(song, at + pointer_at, static_cast<std::int64_t>(at) + target);
  }
}

}  // namespace

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

std::size_t SongSize(const Driver& driver, const SongHeader& song, std::size_t voice_bytes,
                     std::span<const ChannelData> channels,
                     std::span<const std::size_t> data_offsets) {
  return channels.empty() ? HeadersSize(driver, song) + voice_bytes
                          : data_offsets.back() + channels.back().size();
}

std::vector<std::uint8_t> AssembleSong(const Driver& driver, const SongHeader& song,
                                       std::span<const std::uint8_t> voices,
                                       std::span<const ChannelData> channels,
                                       std::span<const std::size_t> data_offsets) {
  const std::size_t headers_size = HeadersSize(driver, song);
  std::vector<std::uint8_t> out(SongSize(driver, song, voices.size(), channels, data_offsets));
  WriteHeaders(driver, out, song, data_offsets);
  std::copy(voices.begin(), voices.end(), out.begin() + headers_size);
  for (std::size_t i = 0; i < channels.size(); ++i) {
    std::copy(channels[i].begin(), channels[i].end(), out.begin() + data_offsets[i]);
    PlacePointers(driver, out, data_offsets[i], channels[i].size());
  }
  return out;
}

}  // namespace quorlin
