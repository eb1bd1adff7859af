#include "frontend/track_report.h"

#include "frontend/report_text.h"
#include "frontend/rom_report.h"

namespace quorlin {
namespace {

void PrintDumps(const DumpRecord& dumps, std::ostream& console) {
  if (dumps.folder_error) {
    console << "    Dumps skipped; could not create the folder " << Printable(dumps.folder) << " ("
            << *dumps.folder_error << ")\n";
    return;
  }
  if (dumps.written > 0) console << "    Dumps; written into " << Printable(dumps.folder) << "\n";
  for (const DumpRecord::Skipped& file : dumps.skipped) {
    console << "    Dump skipped; could not write " << Printable(file.path) << " (" << file.reason
            << ")\n";
  }
}

}  // namespace

void PrintTrackReport(const TrackRun& run, std::ostream& console) {
  if (run.song) {
    console << "    Channels; DAC " << Hex(SongHeader::kDacCount) << " FM " << Hex(run.song->fm_count)
            << " PSG " << Hex(run.song->psg_count) << "\n";
    console << "    Tempo; Divide " << Hex(run.song->tempo_divider) << " Frame "
            << Hex(run.song->tempo) << "\n";
  }
  if (run.effect) {
    console << "    Effect;";
    for (const EffectTrack& track : run.effect->tracks) console << " " << track.channel->name;
    console << "\n    Tempo; Divide " << Hex(run.effect->tempo_divider) << "\n";
  }
  if (run.voice_count) console << "    Voices detected; " << Hex(*run.voice_count) << "\n";
  if (run.dumps) PrintDumps(*run.dumps, console);
  if (!run.notice.empty()) console << "    Notice; " << run.notice << "\n";
  if (run.rom) PrintRomReport(*run.rom, console);
  if (!run.error.empty()) console << "    Error; " << run.error << "\n";
}

}  // namespace quorlin
