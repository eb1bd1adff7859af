#include "rom/music_table.h"

#include "format/bytes.h"
#include "format/song_layout.h"
#include "rom/effect_table.h"
#include "rom/rom_image.h"

namespace quorlin {
namespace {

constexpr std::size_t kEntryBytes = 4;
// Songs lie behind the 68000's vectors and the image's header, and so
// does the table: the header's checksum is rewritten.
constexpr std::uint32_t kFirstSongAddress = 0x200;

struct Run {
  std::size_t first = 0;   // offset of its first entry
  std::size_t length = 0;  // entries
};

// The rest of SongHeaderAt, for the few addresses whose channel counts fit:
// whether the channel headers, the voice table and every channel's data lie
// inside the image.
SongHeaderFit SongInside(const Driver& driver, std::span<const std::uint8_t> song, int fm,
                         int psg) {
  SongHeader header;
  header.fm_count = fm - SongHeader::kDacCount;
  header.psg_count = psg;
  if (HeadersSize(driver, header) > song.size()) return SongHeaderFit::kPastTheEnd;
  // The voice table may start at the image's end: a song may select no voice.
  const auto leads_below = [&](std::size_t pointer_at, std::size_t end) {
    const std::int64_t target = driver.header_pointers.TargetAt(song, pointer_at);
    return target >= 0 && static_cast<std::size_t>(target) < end;
  };
  bool inside =
      leads_below(static_cast<std::size_t>(driver.song_header.voice_table_at), song.size() + 1);
  ForEachChannelEntry(driver, header, [&](ChannelKind kind, int, std::size_t entry_at) {
    inside = inside && leads_below(entry_at + static_cast<std::size_t>(driver.Entry(kind).data_at),
                                   song.size());
  });
  return inside ? SongHeaderFit::kSong : SongHeaderFit::kPastTheEnd;
}

// SongHeaderAt, as the search asks it at every even offset: most addresses
// are refused at once.
SongHeaderFit FitAt(const Driver& driver, std::span<const std::uint8_t> rom,
                    std::uint32_t address) {
  const SongHeaderLayout& layout = driver.song_header;
  if (address % 2 != 0 || address < kFirstSongAddress || address >= kCartridgeSpace) {
    return SongHeaderFit::kNone;
  }
  const std::size_t at = address;
  if (at + static_cast<std::size_t>(layout.size) > rom.size()) return SongHeaderFit::kPastTheEnd;
  const int fm = rom[at + layout.fm_count_at], psg = rom[at + layout.psg_count_at];
  if (fm < SongHeader::kDacCount || fm > layout.most_fm_channels ||
      psg > layout.most_psg_channels) {
    return SongHeaderFit::kNone;
  }
  return SongInside(driver, rom.subspan(at), fm, psg);
}

}  // namespace

SongHeaderFit SongHeaderAt(const Driver& driver, std::span<const std::uint8_t> rom,
                           std::uint32_t address) {
  return FitAt(driver, rom, address);
}

std::optional<MusicTable> FindMusicTable(const Driver& driver, std::span<const std::uint8_t> rom,
                                         const EffectFormat* effects) {
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
    for (std::size_t at = kFirstSongAddress + row; at + kEntryBytes <= rom.size();
         at += kEntryBytes) {
      const std::uint32_t address = ReadBigEndian32(rom, at);
      if (FitAt(driver, rom, address) != SongHeaderFit::kSong ||
          (effects != nullptr && EffectHeaderAt(*effects, rom, address))) {
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
    return FitAt(driver, rom, ReadBigEndian32(rom, entry)) == SongHeaderFit::kPastTheEnd;
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
