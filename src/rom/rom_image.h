// A Mega Drive game image (ROM) as the tool reads and writes it:
//
//   0x0100  "SEGA"...   the system name, which marks a Mega Drive ROM
//   0x018E  u16         checksum: the 16-bit sum of the big-endian words from
//                       0x0200 to the end, which the game checks at boot
//   0x01A4  u32         the ROM's last address
//
// Dumps in other forms (a copier header, interleaved blocks) are told apart
// so that they can be refused by name.
#ifndef QUORLIN_ROM_ROM_IMAGE_H_
#define QUORLIN_ROM_ROM_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "format/format.h"

namespace quorlin {

inline constexpr std::size_t kSmallestRom = 128 << 10;
inline constexpr std::size_t kRomChecksum = 0x18E;
inline constexpr std::size_t kRomEndAddress = 0x1A4;
inline constexpr std::size_t kChecksumStart = 0x200;

// True for a file with "SEGA" at 0x100: a game image, or a piece of one
// (CheckRomImage tells which).
bool IsMegaDriveRom(std::span<const std::uint8_t> file);

// Throws TrackError for a file marked as a game that cannot be a whole one:
// larger than a cartridge, smaller than any game (128 KiB), or shorter than
// its header's last address says.
void CheckRomImage(std::span<const std::uint8_t> file);

// For a Mega Drive game in another dump form, what that form is ("an SMD
// dump: ..."), so that it can be refused by name; nothing otherwise.
std::optional<std::string> OtherDumpForm(std::span<const std::uint8_t> file);

// The 16-bit sum of the big-endian words from 0x200 to the end; a last odd
// byte counts as the high byte of a word.
std::uint16_t RomChecksum(std::span<const std::uint8_t> rom);

// Writes the last address and the checksum of `rom` into its header.
void SealRom(std::vector<std::uint8_t>& rom);

}  // namespace quorlin

#endif  // QUORLIN_ROM_ROM_IMAGE_H_
