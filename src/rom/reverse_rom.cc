#include "rom/reverse_rom.h"

#include <map>

#include "format/bytes.h"
#include "format/track_error.h"
#include "rom/rom_image.h"

namespace quorlin {
namespace {

constexpr int kFirstSongNumber = 0x81;

}  // namespace

ReversedRom ReverseRom(const Driver& driver, std::span<const std::uint8_t> rom,
                       const WalkLimits& limits) {
  CheckRomImage(rom);
  std::optional<MusicTable> table = FindMusicTable(driver, rom);
  if (!table) {
    throw TrackError(ErrorKind::kMalformedTrack, "no Sonic 1 music table found in this ROM");
  }
  if (const auto entry = table->entry_past_the_end) {
    throw TrackError(ErrorKind::kMalformedTrack,
                     "the ROM is cut short or damaged: its music table at " +
                         FormatOffset(table->offset) + " runs on with an entry at " +
                         FormatOffset(*entry) + " that leads to " +
                         FormatOffset(ReadBigEndian32(rom, *entry)) +
                         ", past the end of the file at " + FormatOffset(rom.size()),
                     {"", static_cast<long long>(*entry)});
  }

  ReversedRom result;
  result.table = *table;
  result.image.assign(rom.begin(), rom.end());
  std::vector<std::uint8_t>& image = result.image;
  // Reversals go behind the file's last byte, at even addresses: bytes that
  // look like padding may be data (a table that ends in zeros), and stay.
  std::size_t end = (rom.size() + 1) & ~std::size_t{1};
  ConvertOptions compact;
  compact.limits = limits;
  std::int64_t image_steps_left = limits.steps_per_image;
  compact.limits.image_steps_left = &image_steps_left;
  compact.compact = true;
  std::map<std::uint32_t, std::size_t> reversed_at;  // original address -> the entry reversing it
  for (std::size_t i = 0; i < table->songs.size(); ++i) {
    RomSong song;
    song.number = kFirstSongNumber + static_cast<int>(i);
    song.address = table->songs[i];
    const std::size_t entry = table->offset + 4 * i;
    if (const auto earlier = reversed_at.find(song.address); earlier != reversed_at.end()) {
      const RomSong& first = result.songs[earlier->second];
      song.same_as = first.number;
      if (first.reversal) {
        WriteBigEndian32(image, entry, ReadBigEndian32(image, table->offset + 4 * earlier->second));
        ++result.reversed;
      }
      result.songs.push_back(std::move(song));
      continue;
    }
    reversed_at.emplace(song.address, i);
    ConvertedSong reversal;
    try {
      reversal = ConvertSong(driver, rom.subspan(song.address), compact);
    } catch (const TrackError& error) {
      // The song keeps its original data and entry.
      song.error = error.what();
      result.songs.push_back(std::move(song));
      continue;
    }
    const std::size_t size = reversal.bytes.size();
    if (end + size > kCartridgeSpace) {
      throw TrackError(ErrorKind::kSizeLimit,
                       "with its reversed songs the ROM would outgrow the 4 MiB of a cartridge");
    }
    if (end + size > image.size()) image.resize(end + size, 0xFF);
    std::copy(reversal.bytes.begin(), reversal.bytes.end(),
              image.begin() + static_cast<std::ptrdiff_t>(end));
    WriteBigEndian32(image, entry, static_cast<std::uint32_t>(end));
    end = (end + size + 1) & ~std::size_t{1};
    reversal.bytes.clear();
    song.reversal = std::move(reversal);
    ++result.reversed;
    result.songs.push_back(std::move(song));
  }
  if (image.size() % 2 != 0) image.push_back(0xFF);
  SealRom(image);
  return result;
}

}  // namespace quorlin
