// Diagnostic dumps: every ChannelBuffer of a converted track, its voice
// records and its tempo divider timeline, written as files into the track's
// SongFolder. They show what flattening, inversion and reversal produced.
#ifndef QUORLIN_DIAGNOSTICS_DUMP_H_
#define QUORLIN_DIAGNOSTICS_DUMP_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "track/channel_buffer.h"

namespace quorlin {

class Conversion;

// Where dump files go; tests capture them in memory.
class DumpSink {
 public:
  virtual ~DumpSink() = default;
  virtual void Write(const std::string& name, std::span<const std::uint8_t> bytes) = 0;
};

// Writes into a folder that it creates. A file that cannot be written is
// skipped with one console line; the conversion goes on.
class FileDumpSink : public DumpSink {
 public:
  FileDumpSink(std::string folder, std::ostream& console);
  void Write(const std::string& name, std::span<const std::uint8_t> bytes) override;

 private:
  std::string folder_;
  std::ostream& console_;
};

// "FM0A.bin": the kind's name and the channel number in two hex digits.
std::string DumpFileName(std::string_view kind_name, int number);

// Dumps `channel_count` whole ChannelBuffers from `buffers[next_channel]` on,
// numbered from 01, and advances `next_channel` past them.
void DumpChannel(DumpSink& sink, std::string_view kind_name, int channel_count,
                 std::span<const std::unique_ptr<ChannelBuffer>> buffers,
                 std::size_t& next_channel);

// DAC01.bin, FM01.bin..., PSG01.bin..., Voices.bin and FlagEB.bin.
void WriteDumps(const Conversion& conversion, DumpSink& sink);

}  // namespace quorlin

#endif  // QUORLIN_DIAGNOSTICS_DUMP_H_
