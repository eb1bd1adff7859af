#include "smps2asm/voice.h"

#include "smps2asm/source_style.h"

namespace quorlin {
namespace {

// The index of each macro line in kVoiceLines.
enum Line {
  kAlgorithm,
  kFeedback,
  kUnusedBits,
  kDetune,
  kCoarseFreq,
  kRateScale,
  kAttackRate,
  kAmpMod,
  kDecayRate1,
  kDecayRate2,
  kDecayLevel,
  kReleaseRate,
  kTotalLevel
};

// Bit 7 of the TL byte of each carrier operator, by algorithm, for the
// macros' arguments 1-4.
constexpr std::array<std::array<std::uint8_t, 4>, 8> kCarrierMask = {{
    {0x80, 0, 0, 0},
    {0x80, 0, 0, 0},
    {0x80, 0, 0, 0},
    {0x80, 0, 0, 0},
    {0x80, 0, 0x80, 0},
    {0x80, 0x80, 0x80, 0},
    {0x80, 0x80, 0x80, 0},
    {0x80, 0x80, 0x80, 0x80},
}};

// The argument index (0-3 for arguments 1-4) of the operator whose
// register lies at `offset` from a group's first register.
constexpr int ArgumentAt(std::uint8_t offset) {
  switch (offset) {
    case 0x0:
      return 3;
    case 0x8:
      return 2;
    case 0x4:
      return 1;
    default:  // 0xC
      return 0;
  }
}

// For each byte of a group, in record order, its argument index.
std::array<int, 4> Arguments(const VoiceOrder& order) {
  std::array<int, 4> arguments{};
  for (std::size_t j = 0; j < 4; ++j) arguments[j] = ArgumentAt(order[j]);
  return arguments;
}

// The macro line `line` of kVoiceLines with `values` as its operands.
std::string ValuesLine(Line line, const std::vector<std::int64_t>& values) {
  std::string operands;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) operands += ", ";
    operands += HexByte(values[i]);
  }
  return MacroLine(kVoiceLines[line].macro, operands);
}

}  // namespace

int VoiceLineIndex(std::string_view macro) {
  if (!macro.starts_with("smpsVc")) return -1;
  for (int i = 0; i < kVoiceMacroCount; ++i) {
    if (macro == kVoiceLines[i].macro) return i;
  }
  return -1;
}

std::array<std::int64_t, 25> VoiceRecord(const VoiceValues& v, bool all_four_x, std::int64_t mode,
                                         const VoiceOrder& order) {
  std::array<std::int64_t, 25> record{};
  const std::int64_t algorithm = v[kAlgorithm][0];
  record[0] = (v[kUnusedBits][0] << 6) + (v[kFeedback][0] << 3) + algorithm;
  const int am_shift = mode == 0 ? 5 : 7;
  const std::array<int, 4> arguments = Arguments(order);
  for (int j = 1; j <= 4; ++j) {
    const int k = arguments[j - 1];
    const std::int64_t x = all_four_x ? v[kUnusedBits][k + 1] << 5 : 0;
    record[j] = (v[kDetune][k] << 4) + v[kCoarseFreq][k];
    record[4 + j] = (v[kRateScale][k] << 6) + v[kAttackRate][k];
    record[8 + j] = (v[kAmpMod][k] << am_shift) | v[kDecayRate1][k] | x;
    record[12 + j] = v[kDecayRate2][k];
    record[16 + j] = (v[kDecayLevel][k] << 4) + v[kReleaseRate][k];
    const std::uint8_t mask =
        mode == 0 && algorithm >= 0 && algorithm < 8 ? kCarrierMask[algorithm][k] : 0;
    record[20 + j] = v[kTotalLevel][k] | mask;
  }
  return record;
}

bool FitsModeZero(std::span<const std::uint8_t> record, const VoiceOrder& order) {
  const auto& mask = kCarrierMask[record[0] & 7];
  const std::array<int, 4> arguments = Arguments(order);
  for (int j = 1; j <= 4; ++j) {
    const std::uint8_t bit = mask[arguments[j - 1]];
    if ((record[20 + j] & bit) != bit) return false;
  }
  return true;
}

std::vector<std::string> VoiceSource(std::span<const std::uint8_t> b, int mode,
                                     const VoiceOrder& order) {
  // The group's byte (1-4) that holds each argument.
  std::array<int, 4> byte_of{};
  const std::array<int, 4> arguments = Arguments(order);
  for (int j = 1; j <= 4; ++j) byte_of[arguments[j - 1]] = j;
  const auto group = [&](int first, auto value) {
    std::vector<std::int64_t> args;
    for (int k = 0; k < 4; ++k) args.push_back(value(b[first + byte_of[k]]));
    return args;
  };
  const auto& mask = kCarrierMask[b[0] & 7];
  std::vector<std::int64_t> unused{b[0] >> 6};
  if (mode != 0) {
    const auto x = group(8, [](int byte) { return byte >> 5 & 3; });
    if (x != std::vector<std::int64_t>(4, 0)) unused.insert(unused.end(), x.begin(), x.end());
  }
  std::vector<std::int64_t> total_level;
  for (int k = 0; k < 4; ++k) {
    const int j = byte_of[k];
    total_level.push_back(mode == 0 ? b[20 + j] & ~mask[k] : b[20 + j]);
  }
  return {
      ValuesLine(kAlgorithm, {b[0] & 7}),
      ValuesLine(kFeedback, {b[0] >> 3 & 7}),
      ValuesLine(kUnusedBits, unused),
      ValuesLine(kDetune, group(0, [](int byte) { return byte >> 4; })),
      ValuesLine(kCoarseFreq, group(0, [](int byte) { return byte & 0x0F; })),
      ValuesLine(kRateScale, group(4, [](int byte) { return byte >> 6; })),
      ValuesLine(kAttackRate, group(4, [](int byte) { return byte & 0x3F; })),
      ValuesLine(kAmpMod, group(8, [mode](int byte) { return byte >> (mode == 0 ? 5 : 7); })),
      ValuesLine(kDecayRate1, group(8, [](int byte) { return byte & 0x1F; })),
      ValuesLine(kDecayRate2, group(12, [](int byte) { return byte; })),
      ValuesLine(kDecayLevel, group(16, [](int byte) { return byte >> 4; })),
      ValuesLine(kReleaseRate, group(16, [](int byte) { return byte & 0x0F; })),
      ValuesLine(kTotalLevel, total_level),
  };
}

}  // namespace quorlin
