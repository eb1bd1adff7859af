#include "frontend/folder_tracks.h"

#include <algorithm>
#include <cctype>

#include "frontend/file_system.h"
#include "frontend/paths.h"

namespace quorlin {
namespace {

// A song file by its name: ".bin" or ".asm" in any case.
bool IsSongName(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return false;
  std::string extension = name.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".bin" || extension == ".asm";
}

}  // namespace

FolderTracks TracksInFolder(const std::string& folder) {
  FolderTracks tracks;
  std::vector<std::string> names;
  for (const FolderEntry& entry : ListFolder(folder)) {
    if (entry.regular_file && IsSongName(entry.name)) {
      names.push_back(entry.name);
    } else {
      ++tracks.others;
    }
  }
  std::sort(names.begin(), names.end());
  const std::string text = FolderText(folder);
  for (const std::string& name : names) tracks.songs.push_back(text + name);
  return tracks;
}

}  // namespace quorlin
