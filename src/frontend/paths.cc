#include "frontend/paths.h"

#include "frontend/file_system.h"

namespace quorlin {
namespace {

// Index just past the last separator: where the file name starts.
std::size_t FileNameStart(const std::string& path) {
  const std::size_t last = path.find_last_of("/\\");
  return last == std::string::npos ? 0 : last + 1;
}

}  // namespace

std::string OutputFolderFor(const std::string& program_path) {
  return program_path.substr(0, FileNameStart(program_path)) + "Output" + kPathSeparator;
}

std::string FolderText(const std::string& folder) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder;
  return folder + kPathSeparator;
}

std::string FileNameOf(const std::string& argument) {
  return argument.substr(FileNameStart(argument));
}

std::string SongFolderFor(const std::string& argument) {
  const std::size_t name_start = FileNameStart(argument);
  const std::size_t dot = argument.find_last_of('.');
  if (dot != std::string::npos && dot > name_start) {
    return argument.substr(0, dot) + kPathSeparator;
  }
  return argument + "_dump" + kPathSeparator;
}

}  // namespace quorlin
