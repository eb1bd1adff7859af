// Running one track: the load (and the assembly of a source track), the
// conversion with its optional dumps, the reversed song in the form asked
// for, and the guarded write; or, for a game image, the reversal of all its
// songs. Nothing is printed here: what came of the track is handed back for
// its report.
#ifndef QUORLIN_FRONTEND_RUN_TRACK_H_
#define QUORLIN_FRONTEND_RUN_TRACK_H_

#include <cstddef>
#include <optional>
#include <string>

#include "format/effect_layout.h"
#include "format/song_layout.h"
#include "frontend/file_dump_sink.h"
#include "frontend/job_list.h"
#include "frontend/run_outputs.h"
#include "rom/reverse_rom.h"

namespace quorlin {

// What came of a game image.
struct RomRun {
  std::size_t size = 0;  // the image's bytes as read
  // --format asm and --dumps, asked for and not followed: a game is written as a game.
  bool ignored_source = false;
  bool ignored_dumps = false;
  std::optional<ReversedRom> reversed;  // once its songs were reversed
};

// What came of one track, as far as it came: the values of its report, in
// the order the report shows them, and how it ended.
struct TrackRun {
  std::optional<SongHeader> song;  // a song's header, once read
  std::optional<EffectHeader> effect;  // or a sound effect's
  std::optional<int> voice_count;  // once both passes have run
  std::optional<DumpRecord> dumps;
  std::string notice;  // why the song had to be written with loops and calls
  std::optional<RomRun> rom;
  std::string error;       // why the track was not converted; "" when nothing failed
  bool converted = false;  // reversed whole
  bool written = false;    // an output file was written for it
};

TrackRun RunTrack(const TrackJob& job, RunOutputs& outputs);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_RUN_TRACK_H_
