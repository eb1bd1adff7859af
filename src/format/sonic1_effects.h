// Sonic 1's sound effects: their header, the channels their tracks take, and
// the driver their tracks are read by.
#ifndef QUORLIN_FORMAT_SONIC1_EFFECTS_H_
#define QUORLIN_FORMAT_SONIC1_EFFECTS_H_

#include "format/effect_layout.h"
#include "format/sonic1_driver.h"

namespace quorlin {

namespace sonic1_effects {

// A song track's driver, with two flags that differ on effect tracks. EE
// stops the special effect's track as F2 stops the others (it gives the
// music's FM4 back): the flattening ends the track there and the reversal
// closes it with it. ED lifts the lock that keeps the push sound from
// restarting: at a track's end it stays right before the stop, so that a
// push request cannot restart the reversed sound while it plays.
constexpr Driver EffectTrackDriver(Driver driver) {
  FlagRow& stop_special = driver.flags[flag::kSpecialFm4Stop - driver.notes.first_flag];
  stop_special.walk = FlagWalk::kStop;
  stop_special.inversion = FlagInversion::kTakeOut;
  stop_special.final_rank = 21;  // behind every other closing flag
  driver.flags[flag::kClearPush - driver.notes.first_flag].inversion = FlagInversion::kAtEnd;
  return driver;
}

}  // namespace sonic1_effects

// clang-format off
inline constexpr EffectFormat kSonic1Effects = {
    .header = {.size = 4, .voice_table_at = 0, .tempo_divider_at = 2, .track_count_at = 3,
               .entry_size = 6, .flags_at = 0, .id_at = 1, .data_at = 2, .transpose_at = 4,
               .volume_at = 5, .playing = 0x80},
    // YM2612 key-on codes for FM, PSG latch bits for PSG. The noise
    // channel takes its pitch from PSG3's tone and silences music PSG3.
    .channels = {{{0x02, ChannelKind::kFm, 3, "FM3"},
                  {0x04, ChannelKind::kFm, 4, "FM4"},
                  {0x05, ChannelKind::kFm, 5, "FM5"},
                  {0x80, ChannelKind::kPsg, 1, "PSG1"},
                  {0xA0, ChannelKind::kPsg, 2, "PSG2"},
                  {0xC0, ChannelKind::kPsg, 3, "PSG3"},
                  {0xE0, ChannelKind::kPsg, 3, "Noise"}}},
    // A0-CF normal, D0-DF special: the driver tells them apart by id.
    .ids = {.first_id = 0xA0, .normal_count = 48, .first_special_id = 0xD0, .special_count = 16},
    .driver = sonic1_effects::EffectTrackDriver(kSonic1Driver),
    .pitch = kSonic1Pitch,
};
// clang-format on

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_SONIC1_EFFECTS_H_
