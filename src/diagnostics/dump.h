// Diagnostic dumps: every ChannelBuffer of a converted track, its voice
// records and its tempo divider timeline, handed to a sink as named files.
// They show what flattening, inversion and reversal produced.
#ifndef QUORLIN_DIAGNOSTICS_DUMP_H_
#define QUORLIN_DIAGNOSTICS_DUMP_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "flatten/tempo_divider_timeline.h"
#include "format/channel_buffer.h"
#include "format/song_layout.h"

namespace quorlin {

// Where dump files go: the front end writes them into a folder, tests and the
// fuzzer keep or discard them.
class DumpSink {
 public:
  virtual ~DumpSink() = default;
  virtual void Write(const std::string& name, std::span<const std::uint8_t> bytes) = 0;
};

// What a finished conversion hands the dumps.
struct DumpContent {
  const SongHeader& song;
  std::span<const ChannelBuffer> channels;  // in channel order
  std::span<const std::uint8_t> voices;
  const TempoDividerTimeline& timeline;
};

// "FM0A.bin": the kind's name and the channel number in two hex digits.
std::string DumpFileName(std::string_view kind_name, int number);

// Dumps `channel_count` channels from `channels[next_channel]` on, numbered
// from 01, and advances `next_channel` past them.
void DumpChannel(DumpSink& sink, std::string_view kind_name, int channel_count,
                 std::span<const ChannelBuffer> channels, std::size_t& next_channel);

// DAC01.bin, FM01.bin..., PSG01.bin..., Voices.bin and FlagEB.bin.
void WriteDumps(const DumpContent& content, DumpSink& sink);

}  // namespace quorlin

#endif  // QUORLIN_DIAGNOSTICS_DUMP_H_
