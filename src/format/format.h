// The words every SMPS driver shares: the cartridge space its songs live in,
// the kinds of channel, the size of a voice record, and the coordination
// flags by their role. What each flag does, how long it is and everything
// else in which drivers differ is the Driver's (format/driver.h).
#ifndef QUORLIN_FORMAT_FORMAT_H_
#define QUORLIN_FORMAT_FORMAT_H_

#include <cstddef>
#include <cstdint>

namespace quorlin {

// The Mega Drive's cartridge space: the largest file read as a track or a
// game image. A song's data may reach anywhere in it.
inline constexpr std::size_t kCartridgeSpace = 4 << 20;

enum class ChannelKind : std::uint8_t { kDac = 0, kFm = 1, kPsg = 2 };

// FM voices: records of 25 bytes, record n at the voice table + 25 * n.
inline constexpr int kVoiceRecordSize = 25;

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

}  // namespace quorlin

#endif  // QUORLIN_FORMAT_FORMAT_H_
