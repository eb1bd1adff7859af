#include "frontend/file_dump_sink.h"

#include "frontend/file_system.h"

namespace quorlin {

FileDumpSink::FileDumpSink(std::string folder, std::ostream& console)
    : folder_(std::move(folder)), console_(console) {
  try {
    CreateFolder(folder_);
  } catch (const FileError&) {
    // Each dump file that cannot be written then says why.
  }
}

void FileDumpSink::Write(const std::string& name, std::span<const std::uint8_t> bytes) {
  const std::string path = folder_ + name;
  try {
    WriteFileWhole(path, bytes);
  } catch (const FileError& error) {
    console_ << "    Dump skipped; could not write " << path << " (" << error.what() << ")\n";
  }
}

}  // namespace quorlin
