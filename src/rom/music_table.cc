#include "rom/music_table.h"

#include "format/bytes.h"
#include "format/format.h"
#include "rom/rom_image.h"

namespace quorlin {
namespace {

constexpr std::size_t kEntryBytes = 4;
// Songs lie behind the 68000's vectors and the image's header.
constexpr std::uint32_t kFirstSongAddress = 0x200;
constexpr int kMostFmChannels = 7;  // the DAC channel and six FM channels
constexpr int kMostPsgChannels = 3;

struct Run {
  std::size_t first = 0;   // offset of its first entry
  std::size_t length = 0;  // entries
};

}  // namespace

SongHeaderFit SongHeaderAt(std::span<const std::uint8_t> rom, std::uint32_t address) {
  if (address % 2 != 0 || address < kFirstSongAddress || address >= kCartridgeSpace) {
    return SongHeaderFit::kNone;
  }
  const std::size_t at = address;
  if (at + kSongHeaderSize > rom.size()) return SongHeaderFit::kPastTheEnd;
  const int fm = rom[at + 2], psg = rom[at + 3];
  if (fm < 1 || fm > kMostFmChannels || psg > kMostPsgChannels) return SongHeaderFit::kNone;
  const std::size_t fm_end = at + kSongHeaderSize + std::size_t{kFmHeaderSize} * fm;
  const std::size_t headers_end = fm_end + std::size_t{kPsgHeaderSize} * psg;
  if (headers_end > rom.size()) return SongHeaderFit::kPastTheEnd;
  bool inside = at + ReadBigEndian16(rom, at) <= rom.size();
  for (std::size_t header = at + kSongHeaderSize; header < headers_end;
       header += header < fm_end ? kFmHeaderSize : kPsgHeaderSize) {
    inside = inside && at + ReadBigEndian16(rom, header) < rom.size();
  }
  return inside ? SongHeaderFit::kSong : SongHeaderFit::kPastTheEnd;
}

std::optional<MusicTable> FindMusicTable(std::span<const std::uint8_t> rom) {
  // One pass over each of the two interleaved rows of 4-byte entries at
  // even offsets, keeping the best run so far.
  Run best;
  for (std::size_t row = 0; row < kEntryBytes; row += 2) {
    Run run;
    const auto close = [&] {
      if (run.length >= kFewestSongs && run.length <= kMostSongs &&
          (run.length > best.length || (run.length == best.length && run.first < best.first))) {
        best = run;
      }
      run.length = 0;
    };
    for (std::size_t at = row; at + kEntryBytes <= rom.size(); at += kEntryBytes) {
      if (SongHeaderAt(rom, ReadBigEndian32(rom, at)) != SongHeaderFit::kSong) {
        close();
        continue;
      }
      if (run.length == 0) run.first = at;
      ++run.length;
    }
    close();
  }
  if (best.length == 0) return std::nullopt;

  MusicTable table;
  table.offset = best.first;
  for (std::size_t i = 0; i < best.length; ++i) {
    table.songs.push_back(ReadBigEndian32(rom, best.first + i * kEntryBytes));
  }
  // The table of an image cut short runs on past its end.
  const auto leads_past_the_end = [&](std::size_t entry) {
    return SongHeaderAt(rom, ReadBigEndian32(rom, entry)) == SongHeaderFit::kPastTheEnd;
  };
  const std::size_t after = best.first + best.length * kEntryBytes;
  if (best.first >= kEntryBytes && leads_past_the_end(best.first - kEntryBytes)) {
    table.entry_past_the_end = best.first - kEntryBytes;
  } else if (after + kEntryBytes <= rom.size() && leads_past_the_end(after)) {
    table.entry_past_the_end = after;
  }
  return table;
}

}  // namespace quorlin
