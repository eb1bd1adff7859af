#include "track/song_layout.h"

#include "track/bytes.h"
#include "track/track_error.h"

namespace quorlin {
namespace {

int HeaderSize(ChannelKind kind) {
  switch (kind) {
    case ChannelKind::kDac:
      return kDacHeaderSize;
    case ChannelKind::kFm:
      return kFmHeaderSize;
    case ChannelKind::kPsg:
      return kPsgHeaderSize;
  }
  return 0;
}

ChannelHeader ReadChannelHeader(std::span<const std::uint8_t> image, std::size_t at,
                                ChannelKind kind, int number) {
  ChannelHeader header;
  header.kind = kind;
  header.number = number;
  header.data_offset = ReadBigEndian16(image, at);
  // The DAC header's bytes 2-3 and the PSG header's byte 4 are never read.
  if (kind != ChannelKind::kDac) {
    header.transpose = image[at + 2];
    header.volume = image[at + 3];
  }
  if (kind == ChannelKind::kPsg) header.psg_voice = image[at + 5];
  if (header.data_offset >= image.size()) {
    throw TrackError(header.Name() + "'s data offset " + FormatOffset(header.data_offset) +
                     " lies outside the track, which ends at " + FormatOffset(image.size()));
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

SongHeader ReadSongHeader(std::span<const std::uint8_t> image) {
  if (image.size() < kSongHeaderSize) {
    throw TrackError("the track holds " + std::to_string(image.size()) +
                     " bytes, too few for its 6-byte song header");
  }
  if (image[2] == 0) {
    throw TrackError("the song header counts no DAC channel (byte 2 at 0x0002 is 0)");
  }
  SongHeader song;
  song.voice_table_offset = ReadBigEndian16(image, 0);
  song.fm_count = image[2] - SongHeader::kDacCount;
  song.psg_count = image[3];
  song.tempo_divider = image[4];
  song.tempo = image[5];
  return song;
}

std::vector<ChannelHeader> ReadChannelHeaders(std::span<const std::uint8_t> image,
                                              const SongHeader& song) {
  if (static_cast<std::size_t>(song.HeadersSize()) > image.size()) {
    throw TrackError("the channel headers need bytes up to " + FormatOffset(song.HeadersSize()) +
                     " but the track ends at " + FormatOffset(image.size()));
  }
  std::vector<ChannelHeader> channels;
  channels.reserve(song.ChannelCount());
  std::size_t cursor = kSongHeaderSize;
  const auto add = [&](ChannelKind kind, int count) {
    for (int number = 1; number <= count; ++number) {
      channels.push_back(ReadChannelHeader(image, cursor, kind, number));
      cursor += HeaderSize(kind);
    }
  };
  add(ChannelKind::kDac, SongHeader::kDacCount);
  add(ChannelKind::kFm, song.fm_count);
  add(ChannelKind::kPsg, song.psg_count);
  return channels;
}

}  // namespace quorlin
