// Diagnostic dumps: every channel's converted and reversed lists, the voice
// records and the tempo divider timeline of a converted track, handed to a
// sink as named files. They show what flattening, inversion and reversal
// produced.
//
// A channel is dumped as the 65,536-byte picture the tool has always shown:
//
//   0x0000-0x7FFD  event area: the reversed event list, zeros behind it
//   0x7FFE-0x7FFF  length word: event length, high byte first
//   0x8000-0xFFFF  work area: the converted list, zeros behind it
//
// A channel whose lists are longer than the event area (a song may play one
// out to any length) is dumped as its reversed list followed by its
// converted list, as long, without the length word.
#ifndef QUORLIN_DIAGNOSTICS_DUMP_H_
#define QUORLIN_DIAGNOSTICS_DUMP_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "flatten/tempo_divider_timeline.h"
#include "format/song_layout.h"

namespace quorlin {

// Where dump files go: the front end writes them into a folder, tests and the
// fuzzer keep or discard them.
class DumpSink {
 public:
  virtual ~DumpSink() = default;
  virtual void Write(const std::string& name, std::span<const std::uint8_t> bytes) = 0;
};

// What a finished conversion hands the dumps; the lists in channel order.
struct DumpContent {
  const SongHeader& song;
  std::span<const std::vector<std::uint8_t>> converted;
  std::span<const std::vector<std::uint8_t>> reversed;
  std::span<const std::uint8_t> voices;
  const TempoDividerTimeline& timeline;
};

// "FM0A.bin": the kind's name and the channel number in two hex digits.
std::string DumpFileName(std::string_view kind_name, int number);

// DAC01.bin, FM01.bin..., PSG01.bin..., Voices.bin and FlagEB.bin.
void WriteDumps(const DumpContent& content, DumpSink& sink);

}  // namespace quorlin

#endif  // QUORLIN_DIAGNOSTICS_DUMP_H_
