// The writer of SMPS2ASM song files: a song's bytes as source that the
// disassembly's build assembles back into exactly those bytes, laid out as
// the disassembly's own song files are, so that it can replace one of them.
#ifndef QUORLIN_SMPS2ASM_WRITER_H_
#define QUORLIN_SMPS2ASM_WRITER_H_

#include <cstdint>
#include <span>
#include <string>

#include "format/driver.h"
#include "format/effect_layout.h"

namespace quorlin {

// `song` must hold a whole song of `driver` (its headers inside it). Every
// label starts with `label_prefix` ("Mus81_GHZ" gives Mus81_GHZ_Header,
// Mus81_GHZ_FM1...); `comment` stands on the first line, behind "; ".
std::string WriteSource(const Driver& driver, std::span<const std::uint8_t> song,
                        const std::string& label_prefix, const std::string& comment);

// The same for an effect of `format`: its header as smpsHeaderTempoSFX,
// smpsHeaderChanSFX and one smpsHeaderSFXChannel per track, its voices
// under "<prefix>_Voices" behind its tracks' data, even when there are none.
std::string WriteEffectSource(const EffectFormat& format, std::span<const std::uint8_t> effect,
                              const std::string& label_prefix, const std::string& comment);

// A label prefix made from a file name: "Mus81 - GHZ.bin" gives "Mus81_GHZ".
std::string LabelPrefixFor(const std::string& file_name);

}  // namespace quorlin

#endif  // QUORLIN_SMPS2ASM_WRITER_H_
