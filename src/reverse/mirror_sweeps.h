// Pitch sweeps run backwards. The driver's modulation (F0 wait, speed, delta,
// steps) starts afresh at each attacked note, so a reversed list still sweeps
// each note the way it swept forward. A note whose pitch moves one way for
// its whole length is rewritten to start where the forward sweep ended and
// to move with the step negated: a note and detune as near the end pitch as
// the format allows, modulation set to step at once, then, for the frames
// the forward note held its pitch before sweeping, the note's own pitch tied
// on with modulation off. A modulation that turns back within the note
// (vibrato) is left as it is.
#ifndef QUORLIN_REVERSE_MIRROR_SWEEPS_H_
#define QUORLIN_REVERSE_MIRROR_SWEEPS_H_

#include <cstdint>
#include <span>
#include <vector>

#include "format/driver.h"
#include "format/pitch_tables.h"

namespace quorlin {

// How near the mirrored sweeps come to the forward ones.
struct SweepFigures {
  int sweeps = 0;  // notes whose pitch moves one way all along, each mirrored
  int exact = 0;   // of them: at the end pitch exactly, each step in its frame
  // Of the others: the end pitch missed by this many frequency units (FM
  // block/F-number word or PSG period) and cents at most, and the sweeps
  // whose steps fall up to speed - 1 frames late.
  int largest_units_off = 0;
  double largest_cents_off = 0;
  int late = 0;
};

// Returns `reversed`, a reversed list of a channel of `kind` whose
// transposition starts at `transpose`, with its one-way sweeps mirrored.
// Notes timed at a divider other than 1, continued by the next note, or
// whose table index lies outside the table are left as they are. A note
// that continues the one before keeps doing so: F0 sets the modulation's
// counters afresh right before it.
std::vector<std::uint8_t> MirrorSweeps(const Driver& driver, const PitchTables& pitch,
                                       std::span<const std::uint8_t> reversed, ChannelKind kind,
                                       std::uint8_t transpose, std::uint8_t divider,
                                       SweepFigures& figures);

}  // namespace quorlin

#endif  // QUORLIN_REVERSE_MIRROR_SWEEPS_H_
