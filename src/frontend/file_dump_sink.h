// The diagnostic dumps written as files into a track's SongFolder.
#ifndef QUORLIN_FRONTEND_FILE_DUMP_SINK_H_
#define QUORLIN_FRONTEND_FILE_DUMP_SINK_H_

#include <ostream>
#include <string>

#include "diagnostics/dump.h"

namespace quorlin {

// Writes into a folder that it creates. A file that cannot be written is
// skipped with one console line; the conversion goes on.
class FileDumpSink : public DumpSink {
 public:
  FileDumpSink(std::string folder, std::ostream& console);
  void Write(const std::string& name, std::span<const std::uint8_t> bytes) override;

 private:
  std::string folder_;
  std::ostream& console_;
};

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_FILE_DUMP_SINK_H_
