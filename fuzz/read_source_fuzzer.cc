// libFuzzer target: reads one SMPS2ASM source as the tool does, for Sonic 1
// or (a byte of the input decides) for Sonic 2 at $1380. A source that reads
// and converts is written back as source from its reversed song or effect
// (with loops and calls for half of the inputs), which must read back into
// the very same bytes. Any crash, sanitizer
// report, exception other than TrackError or failed round trip is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "convert/convert_effect.h"
#include "convert/convert_song.h"
#include "format/sonic1_driver.h"
#include "format/sonic1_effects.h"
#include "format/sonic2_driver.h"
#include "format/track_error.h"
#include "smps2asm/assembler.h"
#include "smps2asm/writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0x10000) return -1;
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  std::vector<std::uint8_t> reversed;
  const quorlin::Driver driver =
      size % 4 >= 2 ? quorlin::kSonic2Driver.AtAddress(0x1380) : quorlin::kSonic1Driver;
  bool effect = false;
  try {
    const quorlin::AssembledSong song =
        quorlin::AssembleSource(driver, source, quorlin::StandardDefines());
    if (song.bytes.size() >= 4 && song.bytes[2] + song.bytes[3] > 16) return 0;
    quorlin::ConvertOptions options;
    options.limits = {0x1000, 0x8000};
    options.compact = size % 2 == 1;
    effect = song.effect;
    // The tool reads Sonic 1's effects only.
    if (effect && size % 4 >= 2) return 0;
    reversed = effect ? quorlin::ConvertEffect(quorlin::kSonic1Effects, song.bytes, options).bytes
                      : quorlin::ConvertSong(driver, song.bytes, options).bytes;
  } catch (const quorlin::TrackError&) {
    return 0;
  }
  const std::string written =
      effect ? quorlin::WriteEffectSource(quorlin::kSonic1Effects, reversed, "Effect", "fuzz")
             : quorlin::WriteSource(driver, reversed, "Song", "fuzz");
  if (quorlin::AssembleSource(driver, written, quorlin::StandardDefines()).bytes != reversed)
    std::abort();
  return 0;
}
