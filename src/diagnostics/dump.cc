#include "diagnostics/dump.h"

#include <algorithm>
#include <array>
#include <memory>

#include "format/bytes.h"

namespace quorlin {
namespace {

// The picture of one channel.
constexpr std::size_t kPictureSize = 0x10000;
constexpr std::size_t kEventAreaSize = 0x7FFE;  // the longest list it shows
constexpr std::size_t kLengthWord = 0x7FFE;
constexpr std::size_t kWorkArea = 0x8000;
using Picture = std::array<std::uint8_t, kPictureSize>;

char HexDigit(int d) { return static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10); }

void AppendBigEndian32(std::vector<std::uint8_t>& out, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(bits >> shift));
  }
}

void DrawPicture(const std::vector<std::uint8_t>& reversed,
                 const std::vector<std::uint8_t>& converted, Picture& picture) {
  std::fill(picture.begin(), picture.end(), 0);
  std::copy(reversed.begin(), reversed.end(), picture.begin());
  WriteBigEndian16(picture, kLengthWord, static_cast<std::uint16_t>(reversed.size()));
  std::copy(converted.begin(), converted.end(), picture.begin() + kWorkArea);
}

// Dumps `channel_count` channels from `next_channel` on, numbered from 01,
// and advances `next_channel` past them.
void DumpChannels(const DumpContent& content, DumpSink& sink, std::string_view kind_name,
                  int channel_count, std::size_t& next_channel) {
  if (channel_count <= 0) return;
  // One picture, drawn anew for each channel.
  auto picture = std::make_unique<Picture>();
  for (int number = 1; number <= channel_count; ++number, ++next_channel) {
    const std::vector<std::uint8_t>& reversed = content.reversed[next_channel];
    const std::vector<std::uint8_t>& converted = content.converted[next_channel];
    if (reversed.size() <= kEventAreaSize) {
      DrawPicture(reversed, converted, *picture);
      sink.Write(DumpFileName(kind_name, number), *picture);
      continue;
    }
    std::vector<std::uint8_t> lists(reversed);
    lists.insert(lists.end(), converted.begin(), converted.end());
    sink.Write(DumpFileName(kind_name, number), lists);
  }
}

}  // namespace

std::string DumpFileName(std::string_view kind_name, int number) {
  std::string name(kind_name);
  name += HexDigit(number >> 4 & 0xF);
  name += HexDigit(number & 0xF);
  return name + ".bin";
}

void WriteDumps(const DumpContent& content, DumpSink& sink) {
  std::size_t next_channel = 0;
  DumpChannels(content, sink, "DAC", SongHeader::kDacCount, next_channel);
  DumpChannels(content, sink, "FM", content.song.fm_count, next_channel);
  DumpChannels(content, sink, "PSG", content.song.psg_count, next_channel);
  sink.Write("Voices.bin", content.voices);
  std::vector<std::uint8_t> timeline;
  for (const DividerChange& change : content.timeline) {
    AppendBigEndian32(timeline, change.clock);
    AppendBigEndian32(timeline, change.divider);
  }
  sink.Write("FlagEB.bin", timeline);
}

}  // namespace quorlin
