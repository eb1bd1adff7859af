// libFuzzer target: converts one track in memory, dumps included, the way the
// tool does. Any crash, sanitizer report or exception other than TrackError
// is a fault.
#include <cstddef>
#include <cstdint>
#include <span>

#include "convert/convert_song.h"
#include "format/format.h"
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
  if (size > quorlin::kReachableTrackBytes) return -1;
  // Songs of many channels run the same code as songs of a few; keeping to a
  // few keeps the fuzzer fast.
  if (size >= 4 && data[2] + data[3] > 16) return -1;
  quorlin::ConvertOptions options;
  // Smaller step limits: the limit checks are reached as before, sooner.
  options.limits = {0x1000, 0x8000};
  DiscardingSink sink;
  try {
    quorlin::ConvertSong(std::span(data, size), options, &sink);
  } catch (const quorlin::TrackError&) {
  }
  return 0;
}
