// The frame of one track's conversion: the report lines, the load (and the
// assembly of a source track), the conversion, the optional diagnostic
// dumps, the reversed song in the form asked for, and the write; or, for a
// game image, the reversal of all its songs.
#ifndef QUORLIN_FRONTEND_PROCESS_FILE_H_
#define QUORLIN_FRONTEND_PROCESS_FILE_H_

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "format/driver.h"
#include "frontend/command_line.h"
#include "frontend/file_system.h"
#include "smps2asm/assembler.h"

namespace quorlin {

// What the front end forms for one command-line argument.
struct TrackJob {
  std::string input;               // the argument, unchanged
  std::string file_name;           // its part after the last separator
  std::string output_folder;       // ends with a separator
  std::string output_name;         // the output's file name in that folder
  std::string song_folder;         // for the diagnostic dumps; ends with a separator
  const Driver* driver = nullptr;  // whose songs the track holds
  SongFormat input_format = SongFormat::kBin;
  SongFormat output_format = SongFormat::kBin;
  bool write_dumps = false;
  bool compact = false;
  // Options that a game image (ROM) cannot follow, as the command line gave them.
  bool asked_for_source = false;      // --format asm
  bool asked_for_dumps = false;       // --dumps
  std::vector<SourceDefine> defines;  // for source tracks: the standard ones and -D
};

// The job for `argument`, converted by `line`'s options into `output_folder`.
TrackJob JobFor(const std::string& argument, const CommandLine& line,
                const std::string& output_folder, bool write_dumps);

// What the tracks of one run have written: the outputs, so that no track of
// the run replaces another's, and the output folders made.
class RunOutputs {
 public:
  // The track that wrote `output_path` earlier in this run, if one did.
  std::optional<std::string> WriterOf(const std::string& output_path) const;
  void Add(const std::string& output_path, std::string track);

  // Creates `folder` unless this run did before. Throws FileError.
  void PrepareFolder(const std::string& folder);

 private:
  struct Written {
    FileIdentity file;
    std::string track;
  };
  std::vector<Written> written_;
  std::vector<std::string> folders_;
};

// What came of one track.
struct TrackOutcome {
  bool converted = false;  // the track was reversed whole
  bool written = false;    // an output file was written for it
};

// Converts one track and prints its report to `console`. A track whose file
// is a Mega Drive game image is read as a game: every song of its music
// table is reversed into a copy of the image. Any failure becomes one line
// "    Error; ..."; a song or image that cannot be reversed gets no output.
TrackOutcome ProcessFile(const TrackJob& job, std::ostream& console, RunOutputs& outputs);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_PROCESS_FILE_H_
