#include "format/song_layout.h"

#include <algorithm>

#include "format/bytes.h"
#include "format/track_error.h"

namespace quorlin {
namespace {

ChannelHeader ReadChannelHeader(const Driver& driver, std::span<const std::uint8_t> track,
                                std::size_t at, ChannelKind kind, int number) {
  const ChannelEntryLayout& entry = driver.Entry(kind);
  ChannelHeader header;
  header.kind = kind;
  header.number = number;
  const std::int64_t data = driver.header_pointers.TargetAt(track, at + entry.data_at);
  if (entry.transpose_at) header.transpose = track[at + *entry.transpose_at];
  if (entry.volume_at) header.volume = track[at + *entry.volume_at];
  if (entry.psg_voice_at) header.psg_voice = track[at + *entry.psg_voice_at];
  if (data < 0 || static_cast<std::size_t>(data) >= track.size()) {
    throw TrackError(ErrorKind::kMalformedTrack,
                     header.Name() + "'s data offset " + FormatOffset(data) +
                         " lies outside the track, which ends at " + FormatOffset(track.size()),
                     {header.Name(), at + entry.data_at});
  }
  header.data_offset = static_cast<std::size_t>(data);
  return header;
}

}  // namespace

std::string ChannelHeader::Name() const {
  switch (kind) {
    case ChannelKind::kDac:
      return "DAC";
    case ChannelKind::kFm:
      return "FM" + std::to_string(number);
    case ChannelKind::kPsg:
      return "PSG" + std::to_string(number);
  }
  return "?";
}

SongHeader ReadSongHeader(const Driver& driver, std::span<const std::uint8_t> track) {
  const SongHeaderLayout& layout = driver.song_header;
  if (track.size() < static_cast<std::size_t>(layout.size)) {
    throw TrackError(ErrorKind::kMalformedTrack, "the track holds " + std::to_string(track.size()) +
                                                     " bytes, too few for its " +
                                                     std::to_string(layout.size) +
                                                     "-byte song header");
  }
  const std::uint8_t fm_count = track[layout.fm_count_at];
  if (fm_count < SongHeader::kDacCount) {
    throw TrackError(ErrorKind::kMalformedTrack,
                     "the song header counts no DAC channel (byte " +
                         std::to_string(layout.fm_count_at) + " at " +
                         FormatOffset(layout.fm_count_at) + " is 0)",
                     {"", layout.fm_count_at});
  }
  SongHeader song;
  song.voice_table_offset =
      static_cast<std::size_t>(driver.header_pointers.TargetAt(track, layout.voice_table_at));
  song.fm_count = fm_count - SongHeader::kDacCount;
  song.psg_count = track[layout.psg_count_at];
  song.tempo_divider = track[layout.tempo_divider_at];
  song.tempo = track[layout.tempo_at];
  return song;
}

std::vector<ChannelHeader> ReadChannelHeaders(const Driver& driver,
                                              std::span<const std::uint8_t> track,
                                              const SongHeader& song) {
  const std::size_t headers_size = HeadersSize(driver, song);
  if (headers_size > track.size()) {
    throw TrackError(ErrorKind::kMalformedTrack,
                     "the channel headers need bytes up to " +
                         FormatOffset(static_cast<long long>(headers_size)) +
                         " but the track ends at " + FormatOffset(track.size()));
  }
  std::vector<ChannelHeader> channels;
  channels.reserve(song.ChannelCount());
  ForEachChannelEntry(driver, song, [&](ChannelKind kind, int number, std::size_t at) {
    channels.push_back(ReadChannelHeader(driver, track, at, kind, number));
  });
  return channels;
}

void WriteHeaders(const Driver& driver, std::span<std::uint8_t> out, const SongHeader& song,
                  std::span<const std::size_t> data_offsets) {
  const SongHeaderLayout& layout = driver.song_header;
  const std::size_t headers_size = HeadersSize(driver, song);
  const auto headers = out.first(headers_size);
  std::fill(headers.begin(), headers.end(), 0);
  driver.header_pointers.Write(headers, layout.voice_table_at,
                               static_cast<std::int64_t>(headers_size));
  headers[layout.fm_count_at] = static_cast<std::uint8_t>(SongHeader::kDacCount + song.fm_count);
  headers[layout.psg_count_at] = static_cast<std::uint8_t>(song.psg_count);
  headers[layout.tempo_divider_at] = song.tempo_divider;
  headers[layout.tempo_at] = song.tempo;
  std::size_t channel = 0;
  ForEachChannelEntry(driver, song, [&](ChannelKind kind, int, std::size_t at) {
    driver.header_pointers.Write(headers, at + static_cast<std::size_t>(driver.Entry(kind).data_at),
                                 static_cast<std::int64_t>(data_offsets[channel++]));
  });
}

}  // namespace quorlin
