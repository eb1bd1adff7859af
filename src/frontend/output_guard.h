// The output guard: a track's output is written only where it replaces no
// file that the run must keep.
#ifndef QUORLIN_FRONTEND_OUTPUT_GUARD_H_
#define QUORLIN_FRONTEND_OUTPUT_GUARD_H_

#include <cstdint>
#include <span>
#include <string>

#include "frontend/job_list.h"
#include "frontend/run_outputs.h"

namespace quorlin {

// Writes `bytes` as `output_name` into the job's output folder, unless that
// would replace the track itself, another track of the run (named earlier
// or later) or the output of an earlier track; then records it in
// `outputs`. Throws TrackError saying which file it would have replaced, or
// why the write failed.
void WriteOutput(const TrackJob& job, const std::string& output_name,
                 std::span<const std::uint8_t> bytes, RunOutputs& outputs);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_OUTPUT_GUARD_H_
