#include "frontend/rom_report.h"

#include <cstdio>
#include <string>
#include <vector>

#include "frontend/report_text.h"

namespace quorlin {
namespace {

// "0x071A9C": an address in a game image.
std::string RomAddress(std::uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(address));
  return text;
}

// The report line of one song of a game image, among the songs of its table.
std::string SongLine(const RomSong& song, const std::vector<RomSong>& songs) {
  const std::string number = Hex(song.number);
  if (song.same_as) {
    // An entry shares the fate of the first entry of its song.
    const RomSong& first = songs[static_cast<std::size_t>(*song.same_as - songs.front().number)];
    if (first.reversal) return "    Song " + number + "; the same song as " + Hex(first.number);
    return "    Error; song " + number + " at " + RomAddress(song.address) +
           ": the same song as " + Hex(first.number) + ", not reversed either";
  }
  if (!song.reversal) {
    return "    Error; song " + number + " at " + RomAddress(song.address) + ": " + song.error;
  }
  const SongHeader& header = song.reversal->song;
  return "    Song " + number + "; DAC " + Hex(SongHeader::kDacCount) + " FM " +
         Hex(header.fm_count) + " PSG " + Hex(header.psg_count) + "; Divide " +
         Hex(header.tempo_divider) + " Frame " + Hex(header.tempo) + "; Voices " +
         Hex(song.reversal->voice_count);
}

}  // namespace

void PrintRomReport(const RomRun& rom, std::ostream& console) {
  if (rom.ignored_source || rom.ignored_dumps) {
    const std::string options = rom.ignored_source && rom.ignored_dumps ? "--format asm and --dumps do"
                                : rom.ignored_source                    ? "--format asm does"
                                                                        : "--dumps does";
    console << "    Notice; " << options << " not apply to a ROM: it is written as a ROM\n";
  }
  if (!rom.reversed) return;
  const ReversedRom& reversed = *rom.reversed;
  console << "    ROM; music table at "
          << RomAddress(static_cast<std::uint32_t>(reversed.table.offset)) << ", "
          << reversed.songs.size() << " songs\n";
  for (const RomSong& song : reversed.songs) console << SongLine(song, reversed.songs) << "\n";
  console << "    ROM; " << reversed.reversed << " of " << reversed.songs.size()
          << " songs reversed";
  // A game none of whose songs was reversed is not written.
  if (reversed.reversed > 0) {
    console << ", " << rom.size << " bytes before, " << reversed.image.size() << " after";
  }
  console << "\n";
}

}  // namespace quorlin
