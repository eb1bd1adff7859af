// The frame of one file's conversion: the report lines, the load, the
// conversion, the optional diagnostic dumps and the write.
#ifndef QUORLIN_FRONTEND_PROCESS_FILE_H_
#define QUORLIN_FRONTEND_PROCESS_FILE_H_

#include <ostream>
#include <string>

namespace quorlin {

// The paths the front end forms for one command-line argument.
struct TrackPaths {
  std::string input;          // the argument, unchanged
  std::string file_name;      // its part after the last separator
  std::string output_folder;  // ends with a separator
  std::string song_folder;    // for the diagnostic dumps; ends with a separator
};

// Converts one track and prints its report to `console`. Any failure becomes
// one line "    Error; ..." and no output file.
void ProcessFile(const TrackPaths& paths, std::ostream& console);

// ProcessFile with the diagnostic dumps switched on or off explicitly.
void ProcessFile(const TrackPaths& paths, std::ostream& console, bool write_dumps);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_PROCESS_FILE_H_
