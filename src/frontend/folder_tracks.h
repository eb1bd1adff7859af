// A folder given as a track (named or dropped): the songs and game images
// directly inside it, in name order. Not its sub-folders.
#ifndef QUORLIN_FRONTEND_FOLDER_TRACKS_H_
#define QUORLIN_FRONTEND_FOLDER_TRACKS_H_

#include <string>
#include <vector>

namespace quorlin {

struct FolderTracks {
  std::vector<std::string> tracks;  // paths, the folder's own text in front
  int songs = 0;                    // .bin and .asm songs among the tracks
  int games = 0;                    // game images among the tracks
  int others = 0;                   // other files, passed over
  int folders = 0;                  // sub-folders, passed over
};

// A song is a .bin or .asm file (the extension in any case); a game image is
// a .bin, .md, .gen or .smd file that holds a Mega Drive game, in whatever
// dump form. Throws FileError when the folder cannot be read.
FolderTracks TracksInFolder(const std::string& folder);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_FOLDER_TRACKS_H_
