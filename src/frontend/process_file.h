// The frame of one track: its name line, the run of the track, and its
// report.
#ifndef QUORLIN_FRONTEND_PROCESS_FILE_H_
#define QUORLIN_FRONTEND_PROCESS_FILE_H_

#include <ostream>

#include "frontend/job_list.h"
#include "frontend/run_outputs.h"

namespace quorlin {

// What came of one track, for the run's summary.
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
