#include "rom/music_table.h"

#include <algorithm>
#include <unordered_map>

#include "format/bytes.h"
#include "format/format.h"

namespace quorlin {
namespace {

constexpr std::size_t kEntryBytes = 4;
// Songs lie behind the 68000's vectors and the image's header.
constexpr std::uint32_t kFirstSongAddress = 0x200;
constexpr int kMostFmChannels = 7;  // the DAC channel and six FM channels
constexpr int kMostPsgChannels = 3;

struct Run {
  std::size_t first;   // offset of its first entry
  std::size_t length;  // entries
};

// Runs of entries that hold plausible song addresses, longest first.
std::vector<Run> PlausibleRuns(std::span<const std::uint8_t> rom) {
  std::vector<Run> runs;
  // Entries stand at even offsets: two interleaved rows of 4-byte entries.
  for (std::size_t row = 0; row < kEntryBytes; row += 2) {
    Run run{row, 0};
    for (std::size_t at = row; at + kEntryBytes <= rom.size(); at += kEntryBytes) {
      if (LooksLikeSong(rom, ReadBigEndian32(rom, at))) {
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

bool LooksLikeSong(std::span<const std::uint8_t> rom, std::uint32_t address) {
  const std::size_t at = address;
  if (address % 2 != 0 || address < kFirstSongAddress || at + kSongHeaderSize > rom.size()) {
    return false;
  }
  const int fm = rom[at + 2], psg = rom[at + 3];
  if (fm < 1 || fm > kMostFmChannels || psg > kMostPsgChannels) return false;
  const std::size_t headers = kSongHeaderSize + kFmHeaderSize * fm + kPsgHeaderSize * psg;
  if (at + headers > rom.size() || at + ReadBigEndian16(rom, at) > rom.size()) return false;
  for (std::size_t header = at + kSongHeaderSize; header < at + headers;
       header +=
       header < at + kSongHeaderSize + kFmHeaderSize * fm ? kFmHeaderSize : kPsgHeaderSize) {
    if (at + ReadBigEndian16(rom, header) >= rom.size()) return false;
  }
  return true;
}

std::optional<MusicTable> FindMusicTable(std::span<const std::uint8_t> rom,
                                         const SongCheck& converts) {
  std::unordered_map<std::uint32_t, bool> known;  // address -> converts
  const auto check = [&](std::uint32_t address) {
    const auto [found, added] = known.try_emplace(address, false);
    if (added) found->second = converts(address);
    return found->second;
  };
  std::optional<MusicTable> best;
  std::size_t best_songs = 0;  // entries of the best table whose songs convert
  for (const Run& run : PlausibleRuns(rom)) {
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
