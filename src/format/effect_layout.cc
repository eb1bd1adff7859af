#include "format/effect_layout.h"

#include <algorithm>
#include <string>

#include "format/bytes.h"
#include "format/track_error.h"

namespace quorlin {
namespace {

// What is wrong with the header, or nothing; the tracks read so far go to
// `header` when it is given.
std::optional<TrackError> CheckHeader(const EffectFormat& format,
                                      std::span<const std::uint8_t> track, EffectHeader* header) {
  const EffectHeaderLayout& layout = format.header;
  const auto fail = [](const std::string& what, long long at) {
    return TrackError(ErrorKind::kMalformedTrack, what, {"", at});
  };
  if (track.size() < static_cast<std::size_t>(layout.size)) {
    return fail(
        "the track holds " + std::to_string(track.size()) + " bytes, too few for an effect header",
        0);
  }
  const std::size_t count = track[layout.track_count_at];
  if (count == 0) return fail("the effect header counts no track", layout.track_count_at);
  const std::size_t headers_size = EffectHeadersSize(format, count);
  if (headers_size > track.size()) {
    return fail("the effect's " + std::to_string(count) + " track entries need bytes up to " +
                    FormatOffset(static_cast<long long>(headers_size)) + " but the track ends at " +
                    FormatOffset(track.size()),
                layout.track_count_at);
  }
  if (header != nullptr) {
    header->voice_table_offset = static_cast<std::size_t>(
        format.driver.header_pointers.TargetAt(track, layout.voice_table_at));
    header->tempo_divider = track[layout.tempo_divider_at];
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = static_cast<std::size_t>(layout.size) + i * layout.entry_size;
    const std::string entry = "track entry " + std::to_string(i + 1);
    if (track[at + layout.flags_at] != layout.playing) {
      return fail(entry + " has the playback flags " + FormatOffset(track[at + layout.flags_at]) +
                      " at " + FormatOffset(at + layout.flags_at) + ", not " +
                      FormatOffset(layout.playing),
                  at + layout.flags_at);
    }
    const EffectChannel* channel = format.Channel(track[at + layout.id_at]);
    if (channel == nullptr) {
      return fail(entry + " names no channel an effect can take (" +
                      FormatOffset(track[at + layout.id_at]) + " at " +
                      FormatOffset(at + layout.id_at) + ")",
                  at + layout.id_at);
    }
    const std::int64_t data = format.driver.header_pointers.TargetAt(track, at + layout.data_at);
    if (data < static_cast<std::int64_t>(headers_size) ||
        data >= static_cast<std::int64_t>(track.size())) {
      return fail(std::string(channel->name) + "'s data offset " + FormatOffset(data) +
                      " lies outside the track's data, from " +
                      FormatOffset(static_cast<long long>(headers_size)) + " to " +
                      FormatOffset(track.size()),
                  at + layout.data_at);
    }
    if (header == nullptr) continue;
    EffectTrack& added = header->tracks.emplace_back();
    added.channel = channel;
    added.header.kind = channel->kind;
    added.header.number = channel->number;
    added.header.data_offset = static_cast<std::size_t>(data);
    added.header.transpose = track[at + layout.transpose_at];
    added.header.volume = track[at + layout.volume_at];
  }
  return std::nullopt;
}

}  // namespace

std::size_t EffectHeadersSize(const EffectFormat& format, std::size_t tracks) {
  return static_cast<std::size_t>(format.header.size) +
         tracks * static_cast<std::size_t>(format.header.entry_size);
}

bool IsEffect(const EffectFormat& format, std::span<const std::uint8_t> track) {
  return !CheckHeader(format, track, nullptr);
}

EffectHeader ReadEffectHeader(const EffectFormat& format, std::span<const std::uint8_t> track) {
  EffectHeader header;
  if (auto error = CheckHeader(format, track, &header)) throw std::move(*error);
  return header;
}

void WriteEffectHeader(const EffectFormat& format, std::span<std::uint8_t> out,
                       const EffectHeader& header, std::span<const std::size_t> data_offsets) {
  const EffectHeaderLayout& layout = format.header;
  const PointerForm& pointers = format.driver.header_pointers;
  const auto headers = out.first(EffectHeadersSize(format, header.tracks.size()));
  std::fill(headers.begin(), headers.end(), 0);
  pointers.Write(headers, layout.voice_table_at,
                 static_cast<std::int64_t>(header.voice_table_offset));
  headers[layout.tempo_divider_at] = header.tempo_divider;
  headers[layout.track_count_at] = static_cast<std::uint8_t>(header.tracks.size());
  for (std::size_t i = 0; i < header.tracks.size(); ++i) {
    const EffectTrack& track = header.tracks[i];
    const std::size_t at = static_cast<std::size_t>(layout.size) + i * layout.entry_size;
    headers[at + layout.flags_at] = layout.playing;
    headers[at + layout.id_at] = track.channel->id;
    pointers.Write(headers, at + layout.data_at, static_cast<std::int64_t>(data_offsets[i]));
    headers[at + layout.transpose_at] = track.header.transpose;
    headers[at + layout.volume_at] = track.header.volume;
  }
}

}  // namespace quorlin
