// libFuzzer target: converts one track (a song, dumps included, or an
// effect) in memory, the way the tool does (with loops and calls for half of
// the inputs; as a Sonic 2 song at the address its pointers show for another
// half). Any crash, sanitizer report or exception other than TrackError is a
// fault.
#include <cstddef>
#include <cstdint>
#include <span>

#include "convert/convert_effect.h"
#include "convert/convert_song.h"
#include "format/song_base.h"
#include "format/sonic1_driver.h"
#include "format/sonic1_effects.h"
#include "format/sonic2_driver.h"
#include "format/track_error.h"

namespace {

class DiscardingSink : public quorlin::DumpSink {
 public:
  void Write(const std::string&, std::span<const std::uint8_t> bytes) override {
    volatile std::size_t size = bytes.size();
    (void)size;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Larger tracks run the same code, only longer.
  if (size > 0x20000) return -1;
  // Songs of many channels run the same code as songs of a few; keeping to a
  // few keeps the fuzzer fast.
  if (size >= 4 && data[2] + data[3] > 16) return -1;
  quorlin::ConvertOptions options;
  // Smaller step limits: the limit checks are reached as before, sooner.
  options.limits = {0x1000, 0x8000};
  // Half of the inputs are written with loops and calls, checked as the
  // tool checks them.
  options.compact = size % 2 == 1;
  DiscardingSink sink;
  const std::span<const std::uint8_t> track(data, size);
  try {
    if (size % 4 >= 2) {
      const quorlin::Driver driver =
          quorlin::kSonic2Driver.AtAddress(quorlin::FindSongAddress(quorlin::kSonic2Driver, track));
      quorlin::ConvertSong(driver, track, options, &sink);
    } else if (quorlin::IsEffect(quorlin::kSonic1Effects, track)) {
      // A track whose header reads as an effect's is converted as one, as
      // the tool does.
      quorlin::ConvertEffect(quorlin::kSonic1Effects, track, options);
    } else {
      quorlin::ConvertSong(quorlin::kSonic1Driver, track, options, &sink);
    }
  } catch (const quorlin::TrackError& error) {
    // Compacted data that does not play as its list, or a list that a stage
    // wrote broken, is a fault of the tool.
    if (error.kind() == quorlin::ErrorKind::kInternal) __builtin_trap();
  }
  return 0;
}
