#include "frontend/file_dump_sink.h"

#include "frontend/file_system.h"

namespace quorlin {

FileDumpSink::FileDumpSink(std::string folder, std::ostream& console)
    : folder_(std::move(folder)), console_(console) {
  CreateFolder(folder_);
}

void FileDumpSink::Write(const std::string& name, std::span<const std::uint8_t> bytes) {
  const std::string path = folder_ + name;
  if (!WriteFileWhole(path, bytes)) {
    console_ << "    Dump skipped; could not write " << path << "\n";
  }
}

}  // namespace quorlin
