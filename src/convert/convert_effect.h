// The entry point of a sound effect's conversion: an effect's bytes in, the
// reversed effect's bytes out. An effect is read by the same stages as a
// song, under its own header: every track flattened to the longest track's
// length (a shorter one gets rests where it had stopped), inverted and
// reversed as a song channel, so that all tracks end together; each ends
// with its stop flag, never a loop.
#ifndef QUORLIN_CONVERT_CONVERT_EFFECT_H_
#define QUORLIN_CONVERT_CONVERT_EFFECT_H_

#include <cstdint>
#include <span>
#include <vector>

#include "convert/convert_song.h"
#include "format/effect_layout.h"
#include "reverse/mirror_sweeps.h"

namespace quorlin {

struct ConvertedEffect {
  EffectHeader header;  // the input's
  int voice_count = 0;
  std::vector<std::uint8_t> bytes;  // the reversed effect
  SweepFigures sweeps;              // how near its mirrored sweeps come
};

// Reads `track` as an effect of `format` and writes its reversal: the header
// and entries, then each track's data in header order, then the voices.
// Throws TrackError as ConvertSong does.
ConvertedEffect ConvertEffect(const EffectFormat& format, std::span<const std::uint8_t> track,
                              const ConvertOptions& options = {});

}  // namespace quorlin

#endif  // QUORLIN_CONVERT_CONVERT_EFFECT_H_
