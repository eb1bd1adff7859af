#include "diagnostics/dump.h"

#include <array>
#include <memory>
#include <vector>

namespace quorlin {
namespace {

char HexDigit(int d) { return static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10); }

void AppendBigEndian32(std::vector<std::uint8_t>& out, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(bits >> shift));
  }
}

}  // namespace

std::string DumpFileName(std::string_view kind_name, int number) {
  std::string name(kind_name);
  name += HexDigit(number >> 4 & 0xF);
  name += HexDigit(number & 0xF);
  return name + ".bin";
}

void DumpChannel(DumpSink& sink, std::string_view kind_name, int channel_count,
                 std::span<const ChannelBuffer> channels, std::size_t& next_channel) {
  if (channel_count <= 0) return;
  // One picture, filled anew for each channel.
  auto image = std::make_unique<std::array<std::uint8_t, ChannelBuffer::kImageSize>>();
  for (int number = 1; number <= channel_count; ++number) {
    const ChannelBuffer& channel = channels[next_channel++];
    if (channel.FitsImage()) {
      channel.WriteImage(*image);
      sink.Write(DumpFileName(kind_name, number), *image);
      continue;
    }
    std::vector<std::uint8_t> lists(channel.events);
    lists.insert(lists.end(), channel.converted.begin(), channel.converted.end());
    sink.Write(DumpFileName(kind_name, number), lists);
  }
}

void WriteDumps(const DumpContent& content, DumpSink& sink) {
  std::size_t next_channel = 0;
  DumpChannel(sink, "DAC", SongHeader::kDacCount, content.channels, next_channel);
  DumpChannel(sink, "FM", content.song.fm_count, content.channels, next_channel);
  DumpChannel(sink, "PSG", content.song.psg_count, content.channels, next_channel);
  sink.Write("Voices.bin", content.voices);
  std::vector<std::uint8_t> timeline;
  for (const auto& [clock, divider] : content.timeline.Pairs()) {
    AppendBigEndian32(timeline, clock);
    AppendBigEndian32(timeline, divider);
  }
  sink.Write("FlagEB.bin", timeline);
}

}  // namespace quorlin
