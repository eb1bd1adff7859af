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
#ifndef QUORLIN_TRACK_FORMAT_H_
#define QUORLIN_TRACK_FORMAT_H_

#include <array>
#include <cstdint>

namespace quorlin {

inline constexpr int kSongHeaderSize = 6;
inline constexpr int kDacHeaderSize = 4;
inline constexpr int kFmHeaderSize = 4;
inline constexpr int kPsgHeaderSize = 6;
inline constexpr int kVoiceRecordSize = 25;
inline constexpr int kMaxVoiceCount = 256;

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

// Number of parameter bytes behind each flag byte E0-FF. FA-FF carry none and
// mean nothing to the tool.
inline constexpr std::array<std::uint8_t, 32> kFlagParameterCount = {
    1, 1, 1, 0,  // E0 pan, E1 detune, E2 communication, E3 return
    0, 1, 1, 0,  // E4 fade-in, E5 channel divider, E6 FM volume step, E7 no-attack
    1, 1, 1, 1,  // E8 note timeout, E9 transpose step, EA tempo, EB global divider
    1, 0, 0, 1,  // EC PSG volume step, ED clear-push, EE special-FM4 stop, EF voice
    4, 0, 0, 1,  // F0 modulation set-up, F1 modulation on, F2 stop, F3 PSG noise
    0, 1, 2, 4,  // F4 modulation off, F5 PSG voice, F6 jump, F7 loop
    2, 0, 0, 0,  // F8 call, F9 op, FA, FB
    0, 0, 0, 0,  // FC, FD, FE, FF
};

inline constexpr int FlagParameterCount(std::uint8_t flag_byte) {
  return kFlagParameterCount[flag_byte - kFirstFlag];
}

}  // namespace quorlin

#endif  // QUORLIN_TRACK_FORMAT_H_
