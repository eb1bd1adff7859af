#include "format/song_layout.h"

#include <algorithm>

#include "format/bytes.h"
#include "format/track_error.h"

namespace quorlin {
namespace {

int HeaderSize(ChannelKind kind) {
  return kind == ChannelKind::kPsg ? kPsgHeaderSize : kFmHeaderSize;
}

ChannelHeader ReadChannelHeader(std::span<const std::uint8_t> track, std::size_t at,
                                ChannelKind kind, int number) {
  ChannelHeader header;
  header.kind = kind;
  header.number = number;
  header.data_offset = ReadBigEndian16(track, at);
  // The DAC header's bytes 2-3 and the PSG header's byte 4 are never read.
  if (kind != ChannelKind::kDac) {
    header.transpose = track[at + 2];
    header.volume = track[at + 3];
  }
  if (kind == ChannelKind::kPsg) header.psg_voice = track[at + 5];
  if (header.data_offset >= track.size()) {
    throw TrackError(header.Name() + "'s data offset " + FormatOffset(header.data_offset) +
                     " lies outside the track, which ends at " + FormatOffset(track.size()));
  }
  return header;
}

}  // namespace

int SongHeader::HeadersSize() const {
  return kSongHeaderSize + kDacHeaderSize + kFmHeaderSize * fm_count + kPsgHeaderSize * psg_count;
}

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

SongHeader ReadSongHeader(std::span<const std::uint8_t> track) {
  if (track.size() < kSongHeaderSize) {
    throw TrackError("the track holds " + std::to_string(track.size()) +
                     " bytes, too few for its 6-byte song header");
  }
  if (track[2] == 0) {
    throw TrackError("the song header counts no DAC channel (byte 2 at 0x0002 is 0)");
  }
  SongHeader song;
  song.voice_table_offset = ReadBigEndian16(track, 0);
  song.fm_count = track[2] - SongHeader::kDacCount;
  song.psg_count = track[3];
  song.tempo_divider = track[4];
  song.tempo = track[5];
  return song;
}

std::vector<ChannelHeader> ReadChannelHeaders(std::span<const std::uint8_t> track,
                                              const SongHeader& song) {
  if (static_cast<std::size_t>(song.HeadersSize()) > track.size()) {
    throw TrackError("the channel headers need bytes up to " + FormatOffset(song.HeadersSize()) +
                     " but the track ends at " + FormatOffset(track.size()));
  }
  std::vector<ChannelHeader> channels;
  channels.reserve(song.ChannelCount());
  std::size_t cursor = kSongHeaderSize;
  const auto add = [&](ChannelKind kind, int count) {
    for (int number = 1; number <= count; ++number) {
      channels.push_back(ReadChannelHeader(track, cursor, kind, number));
      cursor += HeaderSize(kind);
    }
  };
  add(ChannelKind::kDac, SongHeader::kDacCount);
  add(ChannelKind::kFm, song.fm_count);
  add(ChannelKind::kPsg, song.psg_count);
  return channels;
}

void WriteHeaders(std::span<std::uint8_t> out, const SongHeader& song,
                  std::span<const std::uint16_t> data_offsets) {
  const auto headers = out.first(song.HeadersSize());
  std::fill(headers.begin(), headers.end(), 0);
  WriteBigEndian16(headers, 0, static_cast<std::uint16_t>(song.HeadersSize()));
  headers[2] = static_cast<std::uint8_t>(SongHeader::kDacCount + song.fm_count);
  headers[3] = static_cast<std::uint8_t>(song.psg_count);
  headers[4] = song.tempo_divider;
  headers[5] = song.tempo;
  std::size_t at = kSongHeaderSize;
  const int first_psg = SongHeader::kDacCount + song.fm_count;
  for (int i = 0; i < static_cast<int>(data_offsets.size()); ++i) {
    WriteBigEndian16(headers, at, data_offsets[i]);
    at += HeaderSize(i < first_psg ? ChannelKind::kFm : ChannelKind::kPsg);
  }
}

}  // namespace quorlin
