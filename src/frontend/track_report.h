// The console report of a track: the lines under its name line, saying what
// came of it.
#ifndef QUORLIN_FRONTEND_TRACK_REPORT_H_
#define QUORLIN_FRONTEND_TRACK_REPORT_H_

#include <ostream>

#include "frontend/run_track.h"

namespace quorlin {

void PrintTrackReport(const TrackRun& run, std::ostream& console);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_TRACK_REPORT_H_
