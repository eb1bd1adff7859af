// A folder given as a track (named or dropped): the songs directly inside
// it, the .bin and .asm files, in name order. Not its sub-folders.
#ifndef QUORLIN_FRONTEND_FOLDER_TRACKS_H_
#define QUORLIN_FRONTEND_FOLDER_TRACKS_H_

#include <cstddef>
#include <string>
#include <vector>

namespace quorlin {

struct FolderTracks {
  std::vector<std::string> songs;  // paths, the folder's own text in front
  std::size_t others = 0;          // files and folders passed over
};

// Throws FileError when the folder cannot be read.
FolderTracks TracksInFolder(const std::string& folder);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_FOLDER_TRACKS_H_
