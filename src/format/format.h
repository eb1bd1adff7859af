// The facts of the Sonic 1 SMPS song layout that the whole tool shares.
//
// A song file, all multi-byte values big-endian:
//
//   0x00  u16  voice table offset (absolute)
//   0x02  u8   FM channel count, the DAC channel included
//   0x03  u8   PSG channel count
//   0x04  u8   tempo divider
//   0x05  u8   tempo
//   0x06       channel headers, without gaps:
//                DAC  u16 data offset, 2 bytes never read
//                FM   u16 data offset, u8 transposition, u8 volume      (each)
//                PSG  u16 data offset, u8 transposition, u8 volume,
//                     1 byte never read, u8 PSG voice                   (each)
//   anywhere   voice records of 25 bytes, record n at voice offset + 25 * n
//   anywhere   channel data: event streams, pointers relative to themselves
//
// Channel data bytes: 00-7F duration, 80 rest, 81-DF note, E0-FF coordination
// flag followed by its parameter bytes (table below).
#ifndef QUORLIN_FORMAT_FORMAT_H_
#define QUORLIN_FORMAT_FORMAT_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace quorlin {

inline constexpr int kSongHeaderSize = 6;
inline constexpr int kDacHeaderSize = 4;
inline constexpr int kFmHeaderSize = 4;
inline constexpr int kPsgHeaderSize = 6;
inline constexpr int kVoiceRecordSize = 25;
inline constexpr int kMaxVoiceCount = 256;

// The largest file read as a track: the Mega Drive's cartridge space. A
// song's channel data may reach anywhere in it through relative pointers.
inline constexpr std::size_t kLargestTrack = 4 << 20;

enum class ChannelKind : std::uint8_t { kDac = 0, kFm = 1, kPsg = 2 };

// Byte classes of channel data.
inline constexpr std::uint8_t kLastDuration = 0x7F;
inline constexpr std::uint8_t kRest = 0x80;
inline constexpr std::uint8_t kLastNote = 0xDF;
inline constexpr std::uint8_t kFirstFlag = 0xE0;
inline constexpr std::uint8_t kFirstMeaninglessFlag = 0xFA;

inline constexpr bool IsDuration(std::uint8_t b) { return b <= kLastDuration; }
inline constexpr bool IsNote(std::uint8_t b) { return b >= kRest && b <= kLastNote; }
inline constexpr bool IsFlag(std::uint8_t b) { return b >= kFirstFlag; }
inline constexpr bool IsMeaninglessFlag(std::uint8_t b) { return b >= kFirstMeaninglessFlag; }

// The longest channel that loops: its closing F6 jumps back from its own
// pointer by at most 32,768 bytes, a signed 16-bit relative pointer.
inline constexpr std::size_t kLongestLoopingChannel = 0x8001;

// The longest rest a fill writes: durations are 7-bit values.
inline constexpr int kLongestRest = 0x7F;

// Coordination flags, named by their role. A name is only a label.
namespace flag {
inline constexpr std::uint8_t kPan = 0xE0;
inline constexpr std::uint8_t kDetune = 0xE1;
inline constexpr std::uint8_t kCommunication = 0xE2;
inline constexpr std::uint8_t kReturn = 0xE3;
inline constexpr std::uint8_t kFadeIn = 0xE4;
inline constexpr std::uint8_t kChannelTempoDivider = 0xE5;
inline constexpr std::uint8_t kFmVolumeStep = 0xE6;
inline constexpr std::uint8_t kNoAttack = 0xE7;
inline constexpr std::uint8_t kNoteTimeout = 0xE8;
inline constexpr std::uint8_t kTransposeStep = 0xE9;
inline constexpr std::uint8_t kTempo = 0xEA;
inline constexpr std::uint8_t kGlobalTempoDivider = 0xEB;
inline constexpr std::uint8_t kPsgVolumeStep = 0xEC;
inline constexpr std::uint8_t kClearPush = 0xED;
inline constexpr std::uint8_t kSpecialFm4Stop = 0xEE;
inline constexpr std::uint8_t kVoice = 0xEF;
inline constexpr std::uint8_t kModulationSetup = 0xF0;
inline constexpr std::uint8_t kModulationOn = 0xF1;
inline constexpr std::uint8_t kStop = 0xF2;
inline constexpr std::uint8_t kPsgNoise = 0xF3;
inline constexpr std::uint8_t kModulationOff = 0xF4;
inline constexpr std::uint8_t kPsgVoice = 0xF5;
inline constexpr std::uint8_t kJump = 0xF6;
inline constexpr std::uint8_t kLoop = 0xF7;
inline constexpr std::uint8_t kCall = 0xF8;
inline constexpr std::uint8_t kF9Op = 0xF9;
}  // namespace flag

// What the flattening walk does when it meets a flag.
enum class FlagWalk : std::uint8_t {
  kCopy,            // written with its parameters as read
  kReturn,          // back behind the last call; nothing written
  kStop,            // ends the channel (rests fill it first in a fitting walk)
  kChannelDivider,  // copied; sets the channel's tempo divider
  kGlobalDivider,   // copied; sets the divider, and the DAC's timeline entry
  kVoice,           // copied; counts towards the voices the song uses
  kJump,            // followed; nothing written
  kLoop,            // played out; nothing written
  kCall,            // followed; nothing written
  kIgnore,          // nothing written, nothing done
};

// What the state inversion writes in a flag's place.
enum class FlagInversion : std::uint8_t {
  kCopy,     // the flag unchanged; no state
  kRestore,  // the flag with the value(s) held before it
  kStep,     // the flag with its step negated; a running total is kept
  // Nothing here. On the DAC channel, which ignores E7, one E7 behind the
  // next note; elsewhere E7 stands before the note that a join continues.
  kNoAttack,
  kModulation,  // the modulation state byte (F1 or F4) held before it, alone
  // The modulation state byte held before it, then the flag with the set-up
  // held before it: F0 sets modulation up and switches it on.
  kModulationSetup,
  kTakeOut,  // nothing here; the flag closes the converted list
  // On FM channels the voice before it (normal release), as F9's fast
  // release lasts until the next voice load EF; copied on the others.
  kFastRelease,
  kDrop,  // nothing at all
};

// The value a flag's state holds before the channel's first flag of its kind.
enum class StartValue : std::uint8_t {
  kZero,
  kPanCentre,      // C0
  kNoiseE0,        // E0
  kModulationOff,  // the byte F4
  kSongTempo,      // song header byte 5
  kSongDivider,    // song header byte 4
};

struct FlagRow {
  std::uint8_t parameters;  // bytes that follow the flag (n in the table)
  FlagWalk walk;
  FlagInversion inversion;
  StartValue start;
  // Place in the final-state commands that the inversion appends (1 first);
  // 0 for a flag that appends nothing.
  std::uint8_t final_rank;
  // The flag whose state and seen-marker this one shares: itself, but F1 for
  // F4, as both set the one modulation state.
  std::uint8_t state;
};

namespace flag_table {
using W = FlagWalk;
using I = FlagInversion;
using S = StartValue;
// One row per flag byte E0-FF.
// clang-format off
inline constexpr std::array<FlagRow, 32> kRows = {{
    // n walk                inversion            start              rank state
    {1, W::kCopy,           I::kRestore,         S::kPanCentre,     1,  0xE0},  // E0 pan
    {1, W::kCopy,           I::kRestore,         S::kZero,          2,  0xE1},  // E1 detune
    {1, W::kCopy,           I::kRestore,         S::kZero,          3,  0xE2},  // E2 communication
    {0, W::kReturn,         I::kCopy,            S::kZero,          0,  0xE3},  // E3 return
    {0, W::kStop,           I::kTakeOut,         S::kZero,          19, 0xE4},  // E4 fade-in
    {1, W::kChannelDivider, I::kRestore,         S::kSongDivider,   4,  0xE5},  // E5 channel div.
    {1, W::kCopy,           I::kStep,            S::kZero,          5,  0xE6},  // E6 FM volume step
    {0, W::kCopy,           I::kNoAttack,        S::kZero,          0,  0xE7},  // E7 no-attack
    {1, W::kCopy,           I::kRestore,         S::kZero,          6,  0xE8},  // E8 note timeout
    {1, W::kCopy,           I::kStep,            S::kZero,          7,  0xE9},  // E9 transpose step
    {1, W::kCopy,           I::kRestore,         S::kSongTempo,     8,  0xEA},  // EA tempo
    {1, W::kGlobalDivider,  I::kRestore,         S::kSongDivider,   9,  0xEB},  // EB global divider
    {1, W::kCopy,           I::kStep,            S::kZero,          10, 0xEC},  // EC PSG volume
    {0, W::kCopy,           I::kCopy,            S::kZero,          0,  0xED},  // ED clear-push
    {0, W::kCopy,           I::kCopy,            S::kZero,          0,  0xEE},  // EE FM4 stop
    {1, W::kVoice,          I::kRestore,         S::kZero,          11, 0xEF},  // EF voice
    {4, W::kCopy,           I::kModulationSetup, S::kZero,          13, 0xF0},  // F0 mod. set-up
    {0, W::kCopy,           I::kModulation,      S::kModulationOff, 12, 0xF1},  // F1 modulation on
    {0, W::kStop,           I::kTakeOut,         S::kZero,          20, 0xF2},  // F2 stop
    {1, W::kCopy,           I::kRestore,         S::kNoiseE0,       14, 0xF3},  // F3 PSG noise
    {0, W::kCopy,           I::kModulation,      S::kModulationOff, 0,  0xF1},  // F4 modulation off
    {1, W::kCopy,           I::kRestore,         S::kZero,          15, 0xF5},  // F5 PSG voice
    {2, W::kJump,           I::kTakeOut,         S::kZero,          18, 0xF6},  // F6 jump
    {4, W::kLoop,           I::kRestore,         S::kZero,          16, 0xF7},  // F7 loop
    {2, W::kCall,           I::kRestore,         S::kZero,          17, 0xF8},  // F8 call
    {0, W::kCopy,           I::kFastRelease,     S::kZero,          0,  0xF9},  // F9 op
    {0, W::kIgnore,         I::kDrop,            S::kZero,          0,  0xFA},  // FA
    {0, W::kIgnore,         I::kDrop,            S::kZero,          0,  0xFB},  // FB
    {0, W::kIgnore,         I::kDrop,            S::kZero,          0,  0xFC},  // FC
    {0, W::kIgnore,         I::kDrop,            S::kZero,          0,  0xFD},  // FD
    {0, W::kIgnore,         I::kDrop,            S::kZero,          0,  0xFE},  // FE
    {0, W::kIgnore,         I::kDrop,            S::kZero,          0,  0xFF},  // FF
}};
// clang-format on
}  // namespace flag_table

inline constexpr const FlagRow& Flag(std::uint8_t flag_byte) {
  return flag_table::kRows[flag_byte - kFirstFlag];
}

inline constexpr int FlagParameterCount(std::uint8_t flag_byte) {
  return Flag(flag_byte).parameters;
}

// The bytes of the event that starts with `first` in a played-out list: a
// note or rest and its duration, or a flag and its parameters.
inline constexpr std::size_t EventSize(std::uint8_t first) {
  return IsFlag(first) ? 1 + static_cast<std::size_t>(FlagParameterCount(first)) : 2;
}

// The flags that append a final-state command, in the order they append.
inline constexpr auto kFinalStateOrder = [] {
  constexpr auto count = std::count_if(flag_table::kRows.begin(), flag_table::kRows.end(),
                                       [](const FlagRow& row) { return row.final_rank != 0; });
  std::array<std::uint8_t, count> order{};
  for (int f = kFirstFlag; f <= 0xFF; ++f) {
    const std::uint8_t rank = Flag(static_cast<std::uint8_t>(f)).final_rank;
    if (rank != 0) order[rank - 1] = static_cast<std::uint8_t>(f);
  }
  return order;
}();

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_FORMAT_H_
