#include "frontend/output_guard.h"

#include "format/track_error.h"
#include "frontend/file_system.h"
#include "frontend/report_text.h"

namespace quorlin {

void WriteOutput(const TrackJob& job, const std::string& output_name,
                 std::span<const std::uint8_t> bytes, RunOutputs& outputs) {
  const std::string output_path = job.output_folder + output_name;
  const std::string shown = Printable(output_path);
  // A track dropped from the output folder would be replaced by its own reversal.
  const auto target = IdentifyFile(output_path);
  if (target && target == IdentifyFile(job.input)) {
    throw TrackError(ErrorKind::kFile,
                     "the output " + shown +
                         " would replace the source track itself; the track is left unchanged");
  }
  if (const auto track = outputs.TrackAt(output_path)) {
    throw TrackError(
        ErrorKind::kFile,
        "the output " + shown + " would replace " + Printable(*track) +
            ", a track of this run; it is left unchanged and this track is not converted");
  }
  if (const auto earlier = outputs.WriterOf(output_path)) {
    throw TrackError(ErrorKind::kFile,
                     "the output " + shown + " was written for " + Printable(*earlier) +
                         " earlier in this run; it is kept and this track is not converted");
  }
  try {
    WriteFileWhole(output_path, bytes);
  } catch (const FileError& error) {
    throw TrackError(ErrorKind::kFile,
                     "could not write the output file " + shown + " (" + error.what() + ")");
  }
  outputs.Add(output_path, job.input);
}

}  // namespace quorlin
