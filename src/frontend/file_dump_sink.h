// The diagnostic dumps written as files into a track's SongFolder.
#ifndef QUORLIN_FRONTEND_FILE_DUMP_SINK_H_
#define QUORLIN_FRONTEND_FILE_DUMP_SINK_H_

#include <optional>
#include <string>
#include <vector>

#include "diagnostics/dump.h"
#include "frontend/run_outputs.h"

namespace quorlin {

// What became of a track's dumps, for its report.
struct DumpRecord {
  std::string folder;                       // where they go
  std::optional<std::string> folder_error;  // the folder could not be made: why
  int written = 0;                          // files written into it
  struct Skipped {
    std::string path;
    std::string reason;
  };
  std::vector<Skipped> skipped;  // files that could not be written
};

// Writes into a folder that it creates. When the folder cannot be made no
// dump is written; a file that cannot be written, or that is a track of the
// run or an output written in it, is skipped. Either way the conversion goes on.
class FileDumpSink : public DumpSink {
 public:
  FileDumpSink(const std::string& folder, const RunOutputs& outputs, DumpRecord& record);
  void Write(const std::string& name, std::span<const std::uint8_t> bytes) override;

 private:
  const RunOutputs& outputs_;
  DumpRecord& record_;
  std::optional<std::string> folder_error_;
};

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_FILE_DUMP_SINK_H_
