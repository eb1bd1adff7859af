// The job list of a run: every track the command line names, a folder
// expanded into the tracks in it, each with what the front end forms for it
// and with its file identity, all known before anything is written.
#ifndef QUORLIN_FRONTEND_JOB_LIST_H_
#define QUORLIN_FRONTEND_JOB_LIST_H_

#include <optional>
#include <string>
#include <vector>

#include "format/driver.h"
#include "format/effect_layout.h"
#include "frontend/command_line.h"
#include "frontend/file_system.h"
#include "frontend/folder_tracks.h"
#include "smps2asm/assembler.h"

namespace quorlin {

// What the front end forms for one track.
struct TrackJob {
  std::string input;               // the path, as named or found in a folder
  std::string file_name;           // its part after the last separator
  std::string output_folder;       // ends with a separator
  std::string output_name;         // the output's file name in that folder
  std::string song_folder;         // for the diagnostic dumps; ends with a separator
  const Driver* driver = nullptr;  // whose songs the track holds
  const EffectFormat* effects = nullptr;  // and effects; none when the tool reads none of it
  // Where the song's first byte lies, for a driver whose pointers hold
  // addresses; found from the song (or the driver's default) when not given.
  std::optional<std::int64_t> base;
  SongFormat input_format = SongFormat::kBin;
  SongFormat output_format = SongFormat::kBin;
  bool write_dumps = false;
  bool compact = false;
  // Options that a game image (ROM) cannot follow, as the command line gave them.
  bool asked_for_source = false;      // --format asm
  bool asked_for_dumps = false;       // --dumps
  std::vector<SourceDefine> defines;  // for source tracks: the standard ones and -D
};

// The job for the track `path`, converted by `line`'s options into `output_folder`.
TrackJob JobFor(const std::string& path, const CommandLine& line, const std::string& output_folder,
                bool write_dumps);

struct ListedTrack {
  TrackJob job;
  std::optional<FileIdentity> identity;  // nothing for a file that is not there
  // A file met before in this run (named twice, through a link, in a folder
  // and by name): the path of that first mention, which converts it.
  std::optional<std::string> same_as;
};

// One command-line argument: a track, or a folder that stands for the tracks
// directly inside it.
struct ListedArgument {
  std::string argument;
  bool folder = false;
  FolderTracks found;        // what the folder holds
  std::string folder_error;  // why the folder could not be read; "" when it could
  std::vector<ListedTrack> tracks;
};

struct JobList {
  std::vector<ListedArgument> arguments;
  bool any_source = false;  // a track of the run is SMPS2ASM source
};

JobList ListJobs(const CommandLine& line, const std::string& output_folder, bool write_dumps);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_JOB_LIST_H_
