// The frame of one track's conversion: the report lines, the load, the
// conversion, the optional diagnostic dumps and the write.
#ifndef QUORLIN_FRONTEND_PROCESS_FILE_H_
#define QUORLIN_FRONTEND_PROCESS_FILE_H_

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace quorlin {

// The paths the front end forms for one command-line argument.
struct TrackPaths {
  std::string input;          // the argument, unchanged
  std::string file_name;      // its part after the last separator
  std::string output_folder;  // ends with a separator
  std::string song_folder;    // for the diagnostic dumps; ends with a separator
};

// The outputs the tracks of one run have written, so that no track of the
// run replaces another's.
class RunOutputs {
 public:
  // The track that wrote `output_path` earlier in this run, if one did.
  std::optional<std::string> WriterOf(const std::string& output_path) const;
  void Add(std::string output_path, std::string track);

 private:
  std::vector<std::pair<std::string, std::string>> written_;  // output path, track
};

// Converts one track and prints its report to `console`. Any failure becomes
// one line "    Error; ..." and no output file. True when the track's
// reversed song was written.
bool ProcessFile(const TrackPaths& paths, std::ostream& console, bool write_dumps,
                 RunOutputs& outputs);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_PROCESS_FILE_H_
