#include "frontend/front_end.h"

#include "frontend/file_system.h"
#include "frontend/paths.h"
#include "frontend/process_file.h"

namespace quorlin {

int RunFrontEnd(std::span<const std::string> arguments, std::ostream& out, std::istream& in) {
  out << "Quorlin - by Velloran\n\n";
  if (arguments.size() <= 1) {
    out << " -> Drag and drop one or more Sonic 1 SMPS track(s) onto this application\n";
  } else {
    const std::string output_folder = OutputFolderFor(arguments[0]);
    CreateFolder(output_folder);
    out << " -> Processing list\n";
    for (const std::string& argument : arguments.subspan(1)) {
      ProcessFile({argument, FileNameOf(argument), output_folder, SongFolderFor(argument)}, out);
    }
  }
  out << "\nPress enter key to exit...\n";
  out.flush();
  // Any key, or the end of input (a script with standard input closed), ends the wait.
  in.get();
  return 0;
}

}  // namespace quorlin
