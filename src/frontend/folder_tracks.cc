#include "frontend/folder_tracks.h"

#include <algorithm>
#include <array>

#include "frontend/file_system.h"
#include "frontend/paths.h"
#include "rom/rom_image.h"

namespace quorlin {
namespace {

enum class FileKind { kSong, kGame, kOther };

// What a file in a folder is, by its name and, for the names a game image
// may have, by the game check of its bytes.
FileKind KindOf(const std::string& path) {
  const std::string extension = ExtensionOf(FileNameOf(path));
  if (extension == ".asm") return FileKind::kSong;
  const bool song_name = extension == ".bin";
  constexpr std::array kGameNames = {".md", ".gen", ".smd"};
  if (!song_name && std::find(kGameNames.begin(), kGameNames.end(), extension) == kGameNames.end()) {
    return FileKind::kOther;
  }
  try {
    const auto bytes = ReadFileBytes(path, kCartridgeSpace + 1);
    if (IsMegaDriveRom(bytes) || OtherDumpForm(bytes)) return FileKind::kGame;
  } catch (const FileError&) {
    // Taken as a track all the same, so that its report says why it cannot be read.
    return song_name ? FileKind::kSong : FileKind::kGame;
  }
  return song_name ? FileKind::kSong : FileKind::kOther;
}

}  // namespace

FolderTracks TracksInFolder(const std::string& folder) {
  FolderTracks found;
  const std::string text = FolderText(folder);
  for (const FolderEntry& entry : ListFolder(folder)) {
    if (entry.kind == FolderEntry::Kind::kFolder) {
      ++found.folders;
      continue;
    }
    const std::string path = text + entry.name;
    const FileKind kind = entry.kind == FolderEntry::Kind::kFile ? KindOf(path) : FileKind::kOther;
    if (kind == FileKind::kOther) {
      ++found.others;
      continue;
    }
    ++(kind == FileKind::kSong ? found.songs : found.games);
    found.tracks.push_back(path);
  }
  std::sort(found.tracks.begin(), found.tracks.end());
  return found;
}

}  // namespace quorlin
