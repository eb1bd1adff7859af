#include "diagnostics/dump.h"

#include <vector>

#include "track/conversion.h"
#include "track/file_system.h"

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

FileDumpSink::FileDumpSink(std::string folder, std::ostream& console)
    : folder_(std::move(folder)), console_(console) {
  CreateFolder(folder_);
}

void FileDumpSink::Write(const std::string& name, std::span<const std::uint8_t> bytes) {
  const std::string path = folder_ + name;
  if (!WriteFileWhole(path, bytes)) {
    console_ << "    Dump skipped; could not write " << path << "\n";
  }
}

std::string DumpFileName(std::string_view kind_name, int number) {
  std::string name(kind_name);
  name += HexDigit(number >> 4 & 0xF);
  name += HexDigit(number & 0xF);
  return name + ".bin";
}

void DumpChannel(DumpSink& sink, std::string_view kind_name, int channel_count,
                 std::span<const std::unique_ptr<ChannelBuffer>> buffers,
                 std::size_t& next_channel) {
  for (int number = 1; number <= channel_count; ++number) {
    sink.Write(DumpFileName(kind_name, number), buffers[next_channel++]->bytes);
  }
}

void WriteDumps(const Conversion& conversion, DumpSink& sink) {
  const auto& buffers = conversion.channels();
  std::size_t next_channel = 0;
  DumpChannel(sink, "DAC", SongHeader::kDacCount, buffers, next_channel);
  DumpChannel(sink, "FM", conversion.song().fm_count, buffers, next_channel);
  DumpChannel(sink, "PSG", conversion.song().psg_count, buffers, next_channel);
  sink.Write("Voices.bin", conversion.voices());
  std::vector<std::uint8_t> timeline;
  for (const auto& [clock, divider] : conversion.timeline().Pairs()) {
    AppendBigEndian32(timeline, clock);
    AppendBigEndian32(timeline, divider);
  }
  sink.Write("FlagEB.bin", timeline);
}

}  // namespace quorlin
