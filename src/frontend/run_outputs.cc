#include "frontend/run_outputs.h"

#include <algorithm>

namespace quorlin {

RunOutputs::RunOutputs(const JobList& jobs) {
  for (const ListedArgument& argument : jobs.arguments) {
    for (const ListedTrack& track : argument.tracks) {
      if (track.identity && !track.same_as) tracks_.push_back({*track.identity, track.job.input});
    }
  }
}

std::optional<std::string> RunOutputs::Find(const std::vector<File>& files,
                                            const std::string& path) {
  const auto identity = IdentifyFile(path);
  if (!identity) return std::nullopt;
  const auto file = std::find_if(files.begin(), files.end(),
                                 [&](const File& file) { return file.identity == *identity; });
  if (file == files.end()) return std::nullopt;
  return file->track;
}

std::optional<std::string> RunOutputs::TrackAt(const std::string& path) const {
  return Find(tracks_, path);
}

std::optional<std::string> RunOutputs::WriterOf(const std::string& path) const {
  return Find(written_, path);
}

void RunOutputs::Add(const std::string& output_path, const std::string& track) {
  if (const auto identity = IdentifyFile(output_path)) written_.push_back({*identity, track});
}

}  // namespace quorlin
