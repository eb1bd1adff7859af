// The Sonic 1 SMPS driver, the tool's default (format/sonic2_driver.h builds on it).
//
// A song file, all multi-byte values big-endian:
//
//   0x00  u16  voice table offset (absolute)
//   0x02  u8   FM channel count, the DAC channel included
//   0x03  u8   PSG channel count
//   0x04  u8   tempo divider
//   0x05  u8   tempo
//   0x06       channel entries, without gaps:
//                DAC  u16 data offset, 2 bytes never read
//                FM   u16 data offset, u8 transposition, u8 volume      (each)
//                PSG  u16 data offset, u8 transposition, u8 volume,
//                     1 byte never read, u8 PSG voice                   (each)
//   anywhere   voice records of 25 bytes, record n at voice offset + 25 * n
//   anywhere   channel data: event streams, pointers relative to themselves
//
// Channel data bytes: 00-7F duration, 80 rest, 81-DF note, E0-FF coordination
// flag followed by its parameter bytes (table below). The pointer of F6, F7
// and F8 is a signed 16-bit value counted from the pointer's second byte.
#ifndef QUORLIN_FORMAT_SONIC1_DRIVER_H_
#define QUORLIN_FORMAT_SONIC1_DRIVER_H_

#include "format/driver.h"

namespace quorlin {

namespace sonic1_flags {
using W = FlagWalk;
using I = FlagInversion;
using S = StartValue;
// One row per flag byte E0-FF.
// clang-format off
inline constexpr std::array<FlagRow, 32> kRows = {{
    // n walk                inversion            start              rank state ends
    {1, W::kCopy,           I::kRestore,         S::kPanCentre,     1,  0xE0, false},  // E0 pan
    {1, W::kCopy,           I::kRestore,         S::kZero,          2,  0xE1, false},  // E1 detune
    {1, W::kCopy,           I::kRestore,         S::kZero,          3,  0xE2, false},  // E2 communication
    {0, W::kReturn,         I::kCopy,            S::kZero,          0,  0xE3, true},   // E3 return
    {0, W::kStop,           I::kTakeOut,         S::kZero,          19, 0xE4, true},   // E4 fade-in
    {1, W::kChannelDivider, I::kRestore,         S::kSongDivider,   4,  0xE5, false},  // E5 channel div.
    {1, W::kCopy,           I::kStep,            S::kZero,          5,  0xE6, false},  // E6 FM volume step
    {0, W::kCopy,           I::kNoAttack,        S::kZero,          0,  0xE7, false},  // E7 no-attack
    {1, W::kCopy,           I::kRestore,         S::kZero,          6,  0xE8, false},  // E8 note timeout
    {1, W::kCopy,           I::kStep,            S::kZero,          7,  0xE9, false},  // E9 transpose step
    {1, W::kCopy,           I::kRestore,         S::kSongTempo,     8,  0xEA, false},  // EA tempo
    {1, W::kGlobalDivider,  I::kRestore,         S::kSongDivider,   9,  0xEB, false},  // EB global divider
    {1, W::kCopy,           I::kStep,            S::kZero,          10, 0xEC, false},  // EC PSG volume
    {0, W::kCopy,           I::kCopy,            S::kZero,          0,  0xED, false},  // ED clear-push
    {0, W::kCopy,           I::kCopy,            S::kZero,          0,  0xEE, true},   // EE FM4 stop
    {1, W::kVoice,          I::kRestore,         S::kZero,          11, 0xEF, false},  // EF voice
    {4, W::kCopy,           I::kModulationSetup, S::kZero,          13, 0xF0, false},  // F0 mod. set-up
    {0, W::kCopy,           I::kModulation,      S::kModulationOff, 12, 0xF1, false},  // F1 modulation on
    {0, W::kStop,           I::kTakeOut,         S::kZero,          20, 0xF2, true},   // F2 stop
    {1, W::kCopy,           I::kRestore,         S::kNoiseE0,       14, 0xF3, false},  // F3 PSG noise
    {0, W::kCopy,           I::kModulation,      S::kModulationOff, 0,  0xF1, false},  // F4 modulation off
    {1, W::kCopy,           I::kRestore,         S::kZero,          15, 0xF5, false},  // F5 PSG voice
    {2, W::kJump,           I::kTakeOut,         S::kZero,          18, 0xF6, true},   // F6 jump
    {4, W::kLoop,           I::kRestore,         S::kZero,          16, 0xF7, false},  // F7 loop
    {2, W::kCall,           I::kRestore,         S::kZero,          17, 0xF8, false},  // F8 call
    {0, W::kCopy,           I::kFastRelease,     S::kZero,          0,  0xF9, false},  // F9 op
    {0, W::kIgnore,         I::kDrop,            S::kZero,          0,  0xFA, false},  // FA
    {0, W::kIgnore,         I::kDrop,            S::kZero,          0,  0xFB, false},  // FB
    {0, W::kIgnore,         I::kDrop,            S::kZero,          0,  0xFC, false},  // FC
    {0, W::kIgnore,         I::kDrop,            S::kZero,          0,  0xFD, false},  // FD
    {0, W::kIgnore,         I::kDrop,            S::kZero,          0,  0xFE, false},  // FE
    {0, W::kIgnore,         I::kDrop,            S::kZero,          0,  0xFF, false},  // FF
}};
}  // namespace sonic1_flags

// clang-format off
inline constexpr Driver kSonic1Driver = {
    .name = "Sonic 1",
    // DAC notes are played as written.
    .notes = {.last_duration = 0x7F, .rest = 0x80, .first_note = 0x81, .last_note = 0xDF,
              .first_flag = 0xE0, .plus_dac = 0x80},
    .flags = sonic1_flags::kRows,
    .header_pointers = {PointerForm::Base::kSongStart, ByteOrder::kBigEndian, 0},
    .data_pointers = {PointerForm::Base::kOwnPosition, ByteOrder::kBigEndian, 1},
    .song_header = {.size = 6, .voice_table_at = 0, .fm_count_at = 2, .psg_count_at = 3,
                    .tempo_divider_at = 4, .tempo_at = 5,
                    .most_fm_channels = 7, .most_psg_channels = 3},
    // DAC, FM, PSG: size, data, transposition, volume, PSG voice. The DAC
    // entry's bytes 2-3 and the PSG entry's byte 4 are never read.
    .channel_entries = {{{4, 0, {}, {}, {}}, {4, 0, 2, 3, {}}, {6, 0, 2, 3, 5}}},
    // Counters at 0x24-0x27 and 4-byte return addresses from 0x30 down: two
    // calls nest beside all four counters. The tool has always walked
    // Sonic 1 tracks with counters and return addresses apart.
    .track_memory = {.loop_counters_at = 0x24, .loop_counters = 4,
                     .stack_top = 0x30, .stack_entry_size = 4, .deepest_call = 4,
                     .written_loop_counters = 4, .refuse_shared_bytes = false},
    // A closing jump at the end of a channel reaches back 32,768 bytes from
    // its pointer's second byte at most.
    .limits = {.longest_looping_channel = 0x8001, .largest_data_offset = 0xFFFF,
               .compressed_song_bytes = 0},
    // Offsets and distances: a song plays wherever it lies.
    .placement = {.by_address = false, .default_base = 0, .address_space = 0x10000,
                  .compressed_song_base = 0},
    // Voice record groups go to registers +0, +8, +4, +C: the chip's
    // operators 1, 2, 3, 4.
    .source = {.driver_version = 1, .voice_registers = {0x0, 0x8, 0x4, 0xC}},
    .game_images = true,
};
// clang-format on

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_SONIC1_DRIVER_H_
