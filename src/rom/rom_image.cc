#include "rom/rom_image.h"

#include <algorithm>
#include <string_view>

#include "format/bytes.h"
#include "format/track_error.h"

namespace quorlin {
namespace {

constexpr std::size_t kSystemName = 0x100;
constexpr std::size_t kCopierHeader = 512;
constexpr std::size_t kSmdBlock = 16 << 10;

bool HasSega(std::span<const std::uint8_t> bytes, std::size_t at) {
  constexpr std::string_view kSega = "SEGA";
  return bytes.size() >= at + kSega.size() &&
         std::equal(kSega.begin(), kSega.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

bool IsMegaDriveRom(std::span<const std::uint8_t> file) { return HasSega(file, kSystemName); }

void CheckRomImage(std::span<const std::uint8_t> file) {
  if (file.size() > kCartridgeSpace) {
    throw TrackError(ErrorKind::kSizeLimit,
                     "the ROM is larger than 4 MiB, more than a cartridge holds");
  }
  if (file.size() < kSmallestRom) {
    throw TrackError(ErrorKind::kMalformedTrack,
                     "the file is marked as a Mega Drive game (\"SEGA\" at 0x100) but holds " +
                         std::to_string(file.size()) + " bytes, too few for a game (at least " +
                         std::to_string(kSmallestRom) + "); it is not read as a song either");
  }
  // A last address beyond the cartridge space is no size at all: a blank
  // header reads FF FF FF FF there.
  const std::uint32_t last = ReadBigEndian32(file, kRomEndAddress);
  if (last < kCartridgeSpace && last >= file.size()) {
    throw TrackError(ErrorKind::kMalformedTrack,
                     "the ROM is cut short: its header gives its last address as " +
                         FormatOffset(last) + ", so " + std::to_string(std::size_t{last} + 1) +
                         " bytes, but the file holds " + std::to_string(file.size()),
                     {"", static_cast<long long>(kRomEndAddress)});
  }
}

std::optional<std::string> OtherDumpForm(std::span<const std::uint8_t> file) {
  if (file.size() < kSmallestRom) return std::nullopt;
  if (file.size() % kSmdBlock == kCopierHeader) {
    // A copier's header of 512 bytes, the ROM behind it: in 16 KiB blocks of
    // its odd bytes, then its even ones (SMD, marked AA BB at 8), or whole.
    if (file[8] == 0xAA && file[9] == 0xBB) {
      return "an SMD dump (a 512-byte copier header, then the ROM interleaved in 16 KiB "
             "blocks); make a plain .bin ROM of it first";
    }
    if (HasSega(file, kCopierHeader + kSystemName)) {
      return "a ROM behind a 512-byte copier header; make a plain .bin ROM of it first";
    }
  }
  // MGD: the ROM's odd bytes in the first half of the file, its even ones in
  // the second, so "SEGA" stands as "EA" at 0x80 and "SG" half a file on.
  const std::size_t half = file.size() / 2;
  if (file.size() % 2 == 0 && file[0x80] == 'E' && file[0x81] == 'A' && file[half + 0x80] == 'S' &&
      file[half + 0x81] == 'G') {
    return "an MGD dump (the ROM's odd and even bytes in two halves); make a plain .bin ROM "
           "of it first";
  }
  return std::nullopt;
}

std::uint16_t RomChecksum(std::span<const std::uint8_t> rom) {
  std::uint16_t sum = 0;
  for (std::size_t at = kChecksumStart; at < rom.size(); at += 2) {
    const std::uint16_t low = at + 1 < rom.size() ? rom[at + 1] : 0;
    sum = static_cast<std::uint16_t>(sum + (rom[at] << 8 | low));
  }
  return sum;
}

void SealRom(std::vector<std::uint8_t>& rom) {
  WriteBigEndian32(rom, kRomEndAddress, static_cast<std::uint32_t>(rom.size() - 1));
  const std::uint16_t checksum = RomChecksum(rom);
  rom[kRomChecksum] = static_cast<std::uint8_t>(checksum >> 8);
  rom[kRomChecksum + 1] = static_cast<std::uint8_t>(checksum & 0xFF);
}

}  // namespace quorlin
