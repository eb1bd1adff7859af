// The output registry of a run: the files it must keep, by file identity,
// so that a hard link, a symbolic link or another spelling of a path counts
// as the same file. Those are every track of the run, known before anything
// is written, and every output a track has written.
#ifndef QUORLIN_FRONTEND_RUN_OUTPUTS_H_
#define QUORLIN_FRONTEND_RUN_OUTPUTS_H_

#include <optional>
#include <string>
#include <vector>

#include "frontend/file_system.h"
#include "frontend/job_list.h"

namespace quorlin {

class RunOutputs {
 public:
  // A run whose tracks are `jobs`; without them, a run that knows no tracks.
  RunOutputs() = default;
  explicit RunOutputs(const JobList& jobs);

  // The track of this run that the file at `path` is, if it is one.
  std::optional<std::string> TrackAt(const std::string& path) const;

  // The track that wrote the file at `path` earlier in this run, if one did.
  std::optional<std::string> WriterOf(const std::string& path) const;
  void Add(const std::string& output_path, const std::string& track);

 private:
  struct File {
    FileIdentity identity;
    std::string track;
  };
  static std::optional<std::string> Find(const std::vector<File>& files, const std::string& path);

  std::vector<File> tracks_;
  std::vector<File> written_;
};

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_RUN_OUTPUTS_H_
