// The reader of SMPS2ASM song files: assembles the source of one song, as
// the disassembly of the driver's game builds it, into the song's bytes.
//
// It knows the assembler language that song files use (labels, dc.b, dc.w,
// even, numbers, expressions, symbols, if/elseif/else/endif) and every macro
// and equate that the disassembly's include file defines for the driver
// (its SonicDriverVer: 1 for Sonic 1, 2 for Sonic 2), the voice macros and
// the conversions of songs written for other drivers among them. Pointers
// take the driver's forms: a Sonic 2 song's addresses count from where the
// driver is placed (Driver::AtAddress), as the build's z80_ptr makes them.
#ifndef QUORLIN_SMPS2ASM_ASSEMBLER_H_
#define QUORLIN_SMPS2ASM_ASSEMBLER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "format/driver.h"

namespace quorlin {

// A symbol set for the whole run, like the build's FixMusicAndSFXDataBugs.
struct SourceDefine {
  std::string name;
  std::int64_t value;
};

struct AssembledSong {
  std::vector<std::uint8_t> bytes;  // from the song's first byte, without a pad
  // The song's first label without "_Header" ("Mus81_GHZ" from
  // "Mus81_GHZ_Header"), or "" when the song has no label before its header.
  std::string label_prefix;
  // Its header is an effect's (smpsHeaderTempoSFX, smpsHeaderChanSFX,
  // smpsHeaderSFXChannel), not a song's.
  bool effect = false;
};

// The build's own settings: FixMusicAndSFXDataBugs = 0. `defines` come on top.
std::vector<SourceDefine> StandardDefines();

// Assembles a song for `driver`. Throws TrackError "line N: what is wrong"
// for source the build would not assemble, or assemble into anything but
// one song from its first byte.
AssembledSong AssembleSource(const Driver& driver, std::string_view source,
                             const std::vector<SourceDefine>& defines);

}  // namespace quorlin

#endif  // QUORLIN_SMPS2ASM_ASSEMBLER_H_
