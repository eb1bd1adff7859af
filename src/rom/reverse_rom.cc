#include "rom/reverse_rom.h"

#include <map>

#include "convert/convert_effect.h"
#include "format/bytes.h"
#include "format/track_error.h"
#include "rom/rom_image.h"

namespace quorlin {
namespace {

constexpr int kFirstSongNumber = 0x81;

// Places reversals behind the file's last byte, at even addresses: bytes
// that look like padding may be data (a table that ends in zeros), and stay.
class Placer {
 public:
  explicit Placer(std::vector<std::uint8_t>& image)
      : image_(image), end_((image.size() + 1) & ~std::size_t{1}) {}

  // Copies `bytes` behind what is placed and returns their address.
  std::uint32_t Place(std::span<const std::uint8_t> bytes) {
    const std::size_t size = bytes.size();
    if (end_ + size > kCartridgeSpace) {
      throw TrackError(ErrorKind::kSizeLimit,
                       "with its reversals behind it the ROM would outgrow the 4 MiB of a "
                       "cartridge");
    }
    if (end_ + size > image_.size()) image_.resize(end_ + size, 0xFF);
    std::copy(bytes.begin(), bytes.end(), image_.begin() + static_cast<std::ptrdiff_t>(end_));
    const std::size_t at = end_;
    end_ = (end_ + size + 1) & ~std::size_t{1};
    return static_cast<std::uint32_t>(at);
  }

 private:
  std::vector<std::uint8_t>& image_;
  std::size_t end_;
};

// Every effect of the tables reversed in place of its entry's effect; an
// entry that shares an earlier one's effect shares its reversal.
void ReverseEffects(const EffectFormat& format, std::span<const std::uint8_t> rom,
                    const ConvertOptions& options, Placer& placer, ReversedRom& result) {
  const EffectTable& table = *result.effect_table;
  std::map<std::uint32_t, std::size_t> reversed_at;  // original address -> the entry reversing it
  for (std::size_t i = 0; i < table.effects.size(); ++i) {
    RomEffect effect;
    effect.id = table.IdOf(format, i);
    effect.address = table.effects[i];
    const std::size_t entry = table.offset + 4 * i;
    if (const auto earlier = reversed_at.find(effect.address); earlier != reversed_at.end()) {
      const RomEffect& first = result.effects[earlier->second];
      effect.same_as = first.id;
      if (first.reversed) {
        WriteBigEndian32(result.image, entry,
                         ReadBigEndian32(result.image, table.offset + 4 * earlier->second));
        effect.reversed = true;
        ++result.effects_reversed;
      }
      result.effects.push_back(std::move(effect));
      continue;
    }
    reversed_at.emplace(effect.address, i);
    ConvertedEffect reversal;
    try {
      reversal = ConvertEffect(format, rom.subspan(effect.address), options);
    } catch (const TrackError& error) {
      effect.error = error.what();  // the effect keeps its original data and entry
      result.effects.push_back(std::move(effect));
      continue;
    }
    // Placed first: placing may move the image.
    const std::uint32_t address = placer.Place(reversal.bytes);
    WriteBigEndian32(result.image, entry, address);
    effect.reversed = true;
    ++result.effects_reversed;
    result.effects.push_back(std::move(effect));
  }
}

}  // namespace

ReversedRom ReverseRom(const Driver& driver, std::span<const std::uint8_t> rom,
                       const WalkLimits& limits, const EffectFormat* effects) {
  CheckRomImage(rom);
  std::optional<MusicTable> table = FindMusicTable(driver, rom, effects);
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
  Placer placer(image);
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
    // Placed first: placing may move the image.
    const std::uint32_t address = placer.Place(reversal.bytes);
    WriteBigEndian32(image, entry, address);
    reversal.bytes.clear();
    song.reversal = std::move(reversal);
    ++result.reversed;
    result.songs.push_back(std::move(song));
  }
  if (effects != nullptr) {
    result.effect_table =
        FindEffectTable(*effects, rom, table->offset, table->offset + 4 * table->songs.size());
    if (result.effect_table) ReverseEffects(*effects, rom, compact, placer, result);
  }
  if (image.size() % 2 != 0) image.push_back(0xFF);
  SealRom(image);
  return result;
}

}  // namespace quorlin
