#include "rom/music_table.h"

#include <algorithm>
#include <unordered_map>

#include "format/bytes.h"
#include "format/song_layout.h"

namespace quorlin {
namespace {

constexpr std::size_t kEntryBytes = 4;
// Songs lie behind the 68000's vectors and the image's header.
constexpr std::uint32_t kFirstSongAddress = 0x200;

struct Run {
  std::size_t first;   // offset of its first entry
  std::size_t length;  // entries
};

// Runs of entries that hold plausible song addresses, longest first.
std::vector<Run> PlausibleRuns(const Driver& driver, std::span<const std::uint8_t> rom) {
  std::vector<Run> runs;
  // Entries stand at even offsets: two interleaved rows of 4-byte entries.
  for (std::size_t row = 0; row < kEntryBytes; row += 2) {
    Run run{row, 0};
    for (std::size_t at = row; at + kEntryBytes <= rom.size(); at += kEntryBytes) {
      if (LooksLikeSong(driver, rom, ReadBigEndian32(rom, at))) {
        if (run.length == 0) run.first = at;
        ++run.length;
        continue;
      }
      if (run.length >= kFewestSongs) runs.push_back(run);
      run.length = 0;
    }
    if (run.length >= kFewestSongs) runs.push_back(run);
  }
  std::stable_sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
    return a.length != b.length ? a.length > b.length : a.first < b.first;
  });
  return runs;
}

}  // namespace

bool LooksLikeSong(const Driver& driver, std::span<const std::uint8_t> rom, std::uint32_t address) {
  const SongHeaderLayout& layout = driver.song_header;
  const std::size_t at = address;
  if (address % 2 != 0 || address < kFirstSongAddress ||
      at + static_cast<std::size_t>(layout.size) > rom.size()) {
    return false;
  }
  const std::span<const std::uint8_t> song = rom.subspan(at);
  SongHeader header;
  header.fm_count = song[layout.fm_count_at] - SongHeader::kDacCount;
  header.psg_count = song[layout.psg_count_at];
  if (header.fm_count < 0 || header.fm_count + SongHeader::kDacCount > layout.most_fm_channels ||
      header.psg_count > layout.most_psg_channels || HeadersSize(driver, header) > song.size()) {
    return false;
  }
  // The voice table may start at the image's end: a song may select no voice.
  const auto leads_below = [&](std::size_t pointer_at, std::size_t end) {
    const std::int64_t target = driver.header_pointers.TargetAt(song, pointer_at);
    return target >= 0 && static_cast<std::size_t>(target) < end;
  };
  bool inside = leads_below(static_cast<std::size_t>(layout.voice_table_at), song.size() + 1);
  ForEachChannelEntry(driver, header, [&](ChannelKind kind, int, std::size_t entry_at) {
    inside = inside && leads_below(entry_at + static_cast<std::size_t>(driver.Entry(kind).data_at),
                                   song.size());
  });
  return inside;
}

std::optional<MusicTable> FindMusicTable(const Driver& driver, std::span<const std::uint8_t> rom,
                                         const SongCheck& converts) {
  std::unordered_map<std::uint32_t, bool> known;  // address -> converts
  const auto check = [&](std::uint32_t address) {
    const auto [found, added] = known.try_emplace(address, false);
    if (added) found->second = converts(address);
    return found->second;
  };
  std::optional<MusicTable> best;
  std::size_t best_songs = 0;  // entries of the best table whose songs convert
  for (const Run& run : PlausibleRuns(driver, rom)) {
    // A run shorter than the best table found holds no table as long.
    if (best && run.length < best_songs) break;
    // From the first entry whose song converts to the last: the entries
    // between them that hold a song header stay in the table, as songs that
    // do not convert, so that the songs behind them are not lost.
    std::size_t first = run.length, last = 0, songs = 0;
    for (std::size_t i = 0; i < run.length; ++i) {
      if (!check(ReadBigEndian32(rom, run.first + i * kEntryBytes))) continue;
      first = std::min(first, i);
      last = i;
      ++songs;
    }
    if (songs < kFewestSongs || songs < best_songs) continue;
    const std::size_t offset = run.first + first * kEntryBytes;
    if (best && songs == best_songs && offset > best->offset) continue;
    best = MusicTable{offset, {}};
    best_songs = songs;
    for (std::size_t i = first; i <= last; ++i) {
      best->songs.push_back(ReadBigEndian32(rom, run.first + i * kEntryBytes));
    }
  }
  return best;
}

}  // namespace quorlin
