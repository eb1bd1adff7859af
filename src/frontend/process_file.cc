#include "frontend/process_file.h"

#include "format/sonic1_driver.h"
#include "frontend/report_text.h"
#include "frontend/run_track.h"
#include "frontend/track_report.h"

namespace quorlin {

TrackOutcome ProcessFile(const TrackJob& job, std::ostream& console, RunOutputs& outputs) {
  // The name shows while the track runs.
  PrintNameLine(job.file_name, console);
  // Sonic 1, the default, goes without saying.
  if (job.driver != &kSonic1Driver) console << "    Driver; " << job.driver->name << "\n";
  console.flush();
  const TrackRun run = RunTrack(job, outputs);
  PrintTrackReport(run, console);
  console.flush();
  return {run.converted, run.written};
}

}  // namespace quorlin
