#include "frontend/process_file.h"

#include "frontend/report_text.h"
#include "frontend/run_track.h"
#include "frontend/track_report.h"

namespace quorlin {

TrackOutcome ProcessFile(const TrackJob& job, std::ostream& console, RunOutputs& outputs) {
  // The name shows while the track runs.
  PrintNameLine(job.file_name, console);
  console.flush();
  const TrackRun run = RunTrack(job, outputs);
  PrintTrackReport(run, console);
  console.flush();
  return {run.converted, run.written};
}

}  // namespace quorlin
