// The macros that write coordination flags, for the Sonic 1 driver: each
// flag's macro and the older names the include file keeps for some. The
// writer uses the first name of each flag, as the disassembly's songs do.
// E7 has no macro: it is the value smpsNoAttack inside dc.b. For the Sonic 2
// driver (SonicDriverVer 2) a few differ: smpsPSGAlterVolS2 writes E6,
// smpsStopSpecial F2, smpsClearPush stops the build; no macro writes ED, EE
// or FA-FF, which a song holds as dc.b.
#ifndef QUORLIN_SMPS2ASM_FLAG_MACROS_H_
#define QUORLIN_SMPS2ASM_FLAG_MACROS_H_

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorlin {

struct FlagMacro {
  std::string_view name;
  std::uint8_t flag;
};

// clang-format off
inline constexpr FlagMacro kFlagMacros[] = {
    {"smpsPan", 0xE0},
    {"smpsAlterNote", 0xE1},    {"smpsDetune", 0xE1},
    {"smpsNop", 0xE2},
    {"smpsReturn", 0xE3},
    {"smpsFade", 0xE4},
    {"smpsChanTempoDiv", 0xE5},
    {"smpsAlterVol", 0xE6},     {"smpsFMAlterVol", 0xE6},
    {"smpsNoteFill", 0xE8},
    {"smpsAlterPitch", 0xE9},   {"smpsChangeTransposition", 0xE9},
    {"smpsSetTempoMod", 0xEA},
    {"smpsSetTempoDiv", 0xEB},
    {"smpsPSGAlterVol", 0xEC},  {"smpsPSGAlterVolS2", 0xEC},
    {"smpsClearPush", 0xED},
    {"smpsStopSpecial", 0xEE},
    {"smpsSetvoice", 0xEF},     {"smpsFMvoice", 0xEF},
    {"smpsModSet", 0xF0},
    {"smpsModOn", 0xF1},
    {"smpsStop", 0xF2},
    {"smpsPSGform", 0xF3},
    {"smpsModOff", 0xF4},
    {"smpsPSGvoice", 0xF5},
    {"smpsJump", 0xF6},
    {"smpsLoop", 0xF7},
    {"smpsCall", 0xF8},
    {"smpsMaxRelRate", 0xF9},   {"smpsWeirdD1LRR", 0xF9},
};
// clang-format on

// What driver 2's include makes of the Sonic 1 macros that differ.
inline constexpr FlagMacro kSonic2FlagMacros[] = {
    {"smpsPSGAlterVolS2", 0xE6},
    {"smpsStopSpecial", 0xF2},
};

// The flag a macro writes, or nothing for a name that is no flag macro.
inline std::optional<std::uint8_t> FlagOfMacro(std::string_view name, int driver_version = 1) {
  if (driver_version == 2) {
    for (const FlagMacro& macro : kSonic2FlagMacros) {
      if (macro.name == name) return macro.flag;
    }
  }
  for (const FlagMacro& macro : kFlagMacros) {
    if (macro.name == name) return macro.flag;
  }
  return std::nullopt;
}

// The macro that writes a flag (E0-F9 but E7), or "" for none: the flag is
// written as dc.b.
inline std::string_view MacroOfFlag(std::uint8_t flag, int driver_version = 1) {
  if (driver_version == 2 && (flag == 0xED || flag == 0xEE)) return {};
  for (const FlagMacro& macro : kFlagMacros) {
    if (macro.flag == flag) return macro.name;
  }
  return {};
}

}  // namespace quorlin

#endif  // QUORLIN_SMPS2ASM_FLAG_MACROS_H_
