// libFuzzer target: converts one track in memory, dumps included, the way the
// tool does. Any crash, sanitizer report or exception other than TrackError
// is a fault.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "diagnostics/dump.h"
#include "track/conversion.h"
#include "track/process_file.h"
#include "track/track_error.h"

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
  if (size > quorlin::kReachableTrackBytes) return -1;
  // Songs of many channels run the same code as songs of a few, each channel
  // costing 64 KiB of buffer; keeping to a few keeps the fuzzer fast.
  if (size >= 4 && data[2] + data[3] > 16) return -1;
  try {
    // Smaller step limits: the limit checks are reached as before, sooner.
    quorlin::Conversion conversion(std::vector<std::uint8_t>(data, data + size),
                                   quorlin::WalkLimits{0x1000, 0x8000});
    conversion.Flatten();
    conversion.CopyVoices();
    conversion.Reverse();
    DiscardingSink sink;
    quorlin::WriteDumps(conversion, sink);
    conversion.Assemble();
  } catch (const quorlin::TrackError&) {
  }
  return 0;
}
