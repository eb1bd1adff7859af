#include "convert/assemble.h"

#include <algorithm>
#include <string>

#include "format/bytes.h"
#include "format/track_error.h"

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

std::vector<std::uint8_t> CopyVoices(std::span<const std::uint8_t> track,
                                     std::size_t voice_table_offset, int voice_count) {
  // No record is read, so the voice table offset may lead anywhere.
  if (voice_count == 0) return {};
  // An offset that leads before the song (an address below a Sonic 2
  // song's own) is kept as a very large one.
  const std::size_t begin = voice_table_offset;
  const std::size_t end = begin + std::size_t{kVoiceRecordSize} * voice_count;
  if (begin > track.size() || end - begin > track.size() - begin) {
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
