#include "frontend/file_dump_sink.h"

#include "frontend/file_system.h"
#include "frontend/report_text.h"

namespace quorlin {

FileDumpSink::FileDumpSink(const std::string& folder, const RunOutputs& outputs,
                           DumpRecord& record)
    : outputs_(outputs), record_(record) {
  record_.folder = folder;
  try {
    CreateFolder(folder);
  } catch (const FileError& error) {
    folder_error_ = error.what();
  }
}

void FileDumpSink::Write(const std::string& name, std::span<const std::uint8_t> bytes) {
  if (folder_error_) {
    // Reported once, and only for a track that came as far as its dumps.
    record_.folder_error = folder_error_;
    return;
  }
  const std::string path = record_.folder + name;
  try {
    if (outputs_.TrackAt(path)) throw FileError("it is a track of this run");
    // A reversed song is worth more than a dump: one written earlier stays.
    if (const auto writer = outputs_.WriterOf(path)) {
      throw FileError("it is the reversed song of " + Printable(*writer) + ", written in this run");
    }
    WriteFileWhole(path, bytes);
    ++record_.written;
  } catch (const FileError& error) {
    record_.skipped.push_back({path, error.what()});
  }
}

}  // namespace quorlin
