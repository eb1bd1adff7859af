#include "frontend/paths.h"

#include <cctype>

#include "frontend/file_system.h"

namespace quorlin {
namespace {

// Index just past the last separator: where the file name starts.
std::size_t FileNameStart(const std::string& path) {
  const std::size_t last = path.find_last_of("/\\");
  return last == std::string::npos ? 0 : last + 1;
}

// Index of the '.' that starts the extension of the file name in `path`, or
// npos: only a '.' in the file name, after its first character, counts.
std::size_t ExtensionStart(const std::string& path) {
  const std::size_t name_start = FileNameStart(path);
  const std::size_t dot = path.find_last_of('.');
  return dot != std::string::npos && dot > name_start ? dot : std::string::npos;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
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

std::string ExtensionOf(const std::string& file_name) {
  const std::size_t dot = ExtensionStart(file_name);
  return dot == std::string::npos ? "" : Lower(file_name.substr(dot));
}

SongFormat FormatOf(const std::string& file_name) {
  return ExtensionOf(file_name) == ".asm" ? SongFormat::kAsm : SongFormat::kBin;
}

std::string OutputNameFor(const std::string& file_name, SongFormat output) {
  if (FormatOf(file_name) == output) return file_name;
  return file_name.substr(0, ExtensionStart(file_name)) +
         (output == SongFormat::kAsm ? ".asm" : ".bin");
}

std::string SongFolderFor(const std::string& argument) {
  const std::size_t dot = ExtensionStart(argument);
  if (dot != std::string::npos) return argument.substr(0, dot) + kPathSeparator;
  return argument + "_dump" + kPathSeparator;
}

}  // namespace quorlin
