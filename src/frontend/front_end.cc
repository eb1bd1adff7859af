#include "frontend/front_end.h"

#include "frontend/command_line.h"
#include "frontend/debug_mode.h"
#include "frontend/file_system.h"
#include "frontend/folder_tracks.h"
#include "frontend/paths.h"
#include "frontend/process_file.h"
#include "frontend/version.h"

namespace quorlin {
namespace {

constexpr int kAllConverted = 0;
constexpr int kSomeFailed = 1;
constexpr int kBadCommandLine = 2;

// What the tracks of a run came to.
struct Tally {
  int converted = 0, failed = 0, written = 0;
  void Add(const TrackOutcome& outcome) {
    outcome.converted ? ++converted : ++failed;
    written += outcome.written ? 1 : 0;
  }
};

// A folder's own name, without the separators at its end.
std::string FolderName(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  const std::string name = FileNameOf(folder);
  return name.empty() ? folder : name;
}

// Keeps a console window of a drag-and-drop start open until it is read.
void WaitForEnter(const CommandLine& line, const ConsoleStreams& console) {
  if (!console.interactive || line.no_wait) return;
  console.out << "\nPress enter key to exit...\n";
  console.out.flush();
  console.in.get();
}

}  // namespace

int RunFrontEnd(std::span<const std::string> arguments, const ConsoleStreams& console) {
  CommandLine line;
  try {
    line = ParseCommandLine(arguments.subspan(arguments.empty() ? 0 : 1));
  } catch (const CommandLineError& error) {
    console.err << error.what() << "\n";
    return kBadCommandLine;
  }
  if (line.help) {
    console.out << HelpText();
    return kAllConverted;
  }
  if (line.version) {
    console.out << "Quorlin " << kVersion << "\n";
    return kAllConverted;
  }

  console.out << "Quorlin - by Velloran\n\n";
  if (line.tracks.empty()) {
    console.out << " -> Drag and drop one or more Sonic 1 SMPS track(s) onto this application\n";
    WaitForEnter(line, console);
    return kAllConverted;
  }
  const std::string output_folder = line.output_folder
                                        ? FolderText(*line.output_folder)
                                        : OutputFolderFor(arguments.empty() ? "" : arguments[0]);
  const bool dumps = line.dumps || DebugMode != 0;
  console.out << " -> Processing list\n";
  RunOutputs outputs;
  Tally tally;
  const auto process = [&](const std::string& track) {
    tally.Add(ProcessFile(JobFor(track, line, output_folder, dumps), console.out, outputs));
  };
  for (const std::string& argument : line.tracks) {
    if (!IsFolder(argument)) {
      process(argument);
      continue;
    }
    // A folder stands for the songs in it, each a track of its own.
    console.out << "\n -> " << FolderName(argument) << "\n";
    try {
      const FolderTracks folder = TracksInFolder(argument);
      if (folder.songs.empty()) {
        console.out << "    Error; the folder holds no .bin or .asm song\n";
        tally.Add({});
        continue;
      }
      console.out << "    Folder; " << folder.songs.size()
                  << (folder.songs.size() == 1 ? " song" : " songs");
      if (folder.others > 0) {
        console.out << ", " << folder.others << " other " << (folder.others == 1 ? "file" : "files")
                    << " passed over";
      }
      console.out << "\n";
      for (const std::string& song : folder.songs) process(song);
    } catch (const FileError& error) {
      console.out << "    Error; could not read the folder (" << error.what() << ")\n";
      tally.Add({});
    }
  }
  console.out << "\n -> " << tally.converted << " converted, " << tally.failed << " failed; "
              << (tally.written > 0 ? "reversed songs are in " + AbsolutePath(output_folder)
                                    : std::string("no reversed song was written"))
              << "\n";
  WaitForEnter(line, console);
  return tally.failed == 0 ? kAllConverted : kSomeFailed;
}

}  // namespace quorlin
