// FM voices as the smpsVc macros write them: twelve lines set values and
// smpsVcTotalLevel emits the 25-byte record. Argument k of a macro is one
// chip operator for every driver (4: register +0, 3: +8, 2: +4, 1: +C); each
// group of four holds them in the order of the registers the driver writes
// its bytes to (VoiceOrder: Sonic 1 +0, +8, +4, +C gives k = 4, 3, 2, 1;
// Sonic 2 +0, +4, +8, +C gives k = 4, 2, 3, 1):
//
//   byte  0       (U << 6) + (FB << 3) + ALG
//   bytes 1-4     (DT << 4) + CF
//   bytes 5-8     (RS << 6) + AR
//   bytes 9-12    AM | D1R | X
//   bytes 13-16   D2R
//   bytes 17-20   (DL << 4) + RR
//   bytes 21-24   TL | MASK
//
// In mode 0 (smpsHeaderStartSong N) AM is its argument shifted left by 5 and
// MASK sets bit 7 of the TL byte of every carrier operator of the algorithm;
// in mode 1 (smpsHeaderStartSong N, 1) AM is shifted by 7 and there is no
// mask.
#ifndef QUORLIN_SMPS2ASM_VOICE_H_
#define QUORLIN_SMPS2ASM_VOICE_H_

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quorlin {

inline constexpr int kVoiceMacroCount = 13;

// The values that the smpsVc macros give, each as its arguments 1-4 (or
// one value): the macro's lines in their order, from smpsVcAlgorithm to
// smpsVcTotalLevel; smpsVcUnusedBits has five (U, then x1-x4).
struct VoiceLine {
  std::string_view macro;
  int arguments;  // the most it takes
  int required;
};
inline constexpr std::array<VoiceLine, kVoiceMacroCount> kVoiceLines = {{
    {"smpsVcAlgorithm", 1, 1},
    {"smpsVcFeedback", 1, 1},
    {"smpsVcUnusedBits", 5, 1},
    {"smpsVcDetune", 4, 4},
    {"smpsVcCoarseFreq", 4, 4},
    {"smpsVcRateScale", 4, 4},
    {"smpsVcAttackRate", 4, 4},
    {"smpsVcAmpMod", 4, 4},
    {"smpsVcDecayRate1", 4, 4},
    {"smpsVcDecayRate2", 4, 4},
    {"smpsVcDecayLevel", 4, 4},
    {"smpsVcReleaseRate", 4, 4},
    {"smpsVcTotalLevel", 4, 4},
}};

// The index in kVoiceLines of a macro name, or -1.
int VoiceLineIndex(std::string_view macro);

// Each line's argument values as given; x1-x4 of smpsVcUnusedBits count only
// when all four were given.
using VoiceValues = std::array<std::array<std::int64_t, 5>, kVoiceMacroCount>;

// The register offset (from a group's first register) that each byte of a
// record's groups of four goes to, in record order: the driver's
// SourceForm::voice_registers.
using VoiceOrder = std::array<std::uint8_t, 4>;

// The 25 record values, before they are stored as bytes. `mode` is the
// second argument of smpsHeaderStartSong (0 when absent).
std::array<std::int64_t, 25> VoiceRecord(const VoiceValues& values, bool all_four_x,
                                         std::int64_t mode, const VoiceOrder& order);

// True when a record can be written in mode 0: every carrier TL byte has
// bit 7 set, which mode 0 always sets.
bool FitsModeZero(std::span<const std::uint8_t> record, const VoiceOrder& order);

// The 13 macro lines (and the comment lines before them) that give `record`
// back in `mode` 0 or 1, each line indented by a tab.
std::vector<std::string> VoiceSource(std::span<const std::uint8_t> record, int mode,
                                     const VoiceOrder& order);

}  // namespace quorlin

#endif  // QUORLIN_SMPS2ASM_VOICE_H_
