// The names that the disassembly's include file defines before the songs,
// for the driver it assembles songs for (its SonicDriverVer, 1 or 2): notes
// (nC0 = $81 ... nBb7 = $DF, nRst = $80; driver 2's include adds nDb, nGs
// and the other enharmonic names), DAC samples (dKick = $81 ..., each
// driver's own set), PSG envelopes (fTone_01 ... fTone_09; driver 2 up to
// fTone_0D), octave steps (smpsPitch01hi = $0C ...), smpsNoAttack = $E7 and
// a few more; and the pan names that smpsPan defines.
#ifndef QUORLIN_SMPS2ASM_EQUATES_H_
#define QUORLIN_SMPS2ASM_EQUATES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorlin {

// The value of a name the include file defines, or nothing.
std::optional<std::int64_t> IncludedEquate(std::string_view name, int driver_version);

// The value of panNone, panRight, panLeft, panCentre or panCenter.
std::optional<std::int64_t> PanName(std::string_view name);

// "cFM3" ... "cNoise" for the channel id of an effect's track, or "$xx".
std::string ChannelConstant(std::uint8_t id);

// "nC0" ... "nBb7" for 0x81-0xDF, "nRst" for 0x80.
std::string_view NoteName(std::uint8_t note);

// "dKick", "dSnare" ... for the samples that have a name.
std::optional<std::string_view> DacSampleName(std::uint8_t sample, int driver_version);

// "fTone_01" ... "fTone_09" (... "fTone_0D" for driver 2).
std::optional<std::string> PsgEnvelopeName(std::uint8_t envelope, int driver_version);

// "panNone", "panRight", "panLeft", "panCenter" for the top two bits of an
// E0 parameter.
std::string PanNameOf(std::uint8_t pan);

}  // namespace quorlin

#endif  // QUORLIN_SMPS2ASM_EQUATES_H_
