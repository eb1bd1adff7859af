// The text handling of the front end: where outputs go and what each
// command-line argument is called. Both '/' and '\' separate folders when a
// path is split; the system's own separator is written when one is formed.
#ifndef QUORLIN_FRONTEND_PATHS_H_
#define QUORLIN_FRONTEND_PATHS_H_

#include <string>

#include "frontend/command_line.h"

namespace quorlin {

// The folder "Output" beside the program named by argument 0, ending with a
// separator. Without a folder part (started through PATH) it is "Output" in
// the current folder.
std::string OutputFolderFor(const std::string& program_path);

// A folder named on the command line, as the text that file names are put
// behind: with a separator at its end.
std::string FolderText(const std::string& folder);

// The part of `argument` after its last separator (empty when it ends in one).
std::string FileNameOf(const std::string& argument);

// The extension of a file name in lower case, its '.' included (".bin"); ""
// when it has none. Only a '.' after the name's first character starts one.
std::string ExtensionOf(const std::string& file_name);

// The form of a track by its name: SMPS2ASM source when it ends in ".asm"
// (in any case), song bytes otherwise.
SongFormat FormatOf(const std::string& file_name);

// The output's file name for a track named `file_name`: the same, or, when
// the output takes the other form, with the extension ".asm" or ".bin" in
// place of the track's own (or added when it has none).
std::string OutputNameFor(const std::string& file_name, SongFormat output);

// The folder for the diagnostic dumps, ending with a separator: the argument
// without its extension ("C:\Music\green.bin" gives "C:\Music\green\"). Only a
// '.' in the file name, after its first character, starts an extension; an
// argument without one gets "_dump" appended, so the folder never names the
// track itself.
std::string SongFolderFor(const std::string& argument);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_PATHS_H_
