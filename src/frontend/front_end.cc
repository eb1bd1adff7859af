#include "frontend/front_end.h"

#include "frontend/command_line.h"
#include "frontend/debug_mode.h"
#include "frontend/file_system.h"
#include "frontend/job_list.h"
#include "frontend/paths.h"
#include "frontend/process_file.h"
#include "frontend/report_text.h"
#include "frontend/run_outputs.h"
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

// "3 songs", "1 sub-folder": a count and what it counts.
std::string Count(int count, const std::string& what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

// The lines under a folder's name: what it holds. False when it holds no
// track, which counts as a failure.
bool PrintFolderLine(const ListedArgument& folder, std::ostream& console) {
  const FolderTracks& found = folder.found;
  if (!folder.folder_error.empty()) {
    console << "    Error; could not read the folder (" << folder.folder_error << ")\n";
    return false;
  }
  if (found.tracks.empty()) {
    console << "    Error; the folder holds no .bin or .asm song and no game image\n";
    return false;
  }
  std::string held;
  if (found.songs > 0) held = Count(found.songs, "song");
  if (found.games > 0) held += (held.empty() ? "" : ", ") + Count(found.games, "game image");
  std::string passed_over;
  if (found.others > 0) passed_over = Count(found.others, "other file");
  if (found.folders > 0) {
    passed_over += (passed_over.empty() ? "" : " and ") + Count(found.folders, "sub-folder");
  }
  console << "    Folder; " << held << (passed_over.empty() ? "" : "; " + passed_over + " passed over")
          << "\n";
  return true;
}

// Makes the output folder, and the folders above it that are missing, before
// any track: a run that could not write its outputs converts nothing. False,
// after one line saying why, when it cannot be made or written into.
bool PrepareOutputFolder(const std::string& folder, std::ostream& console) {
  const std::string shown = Printable(AbsolutePath(folder));
  try {
    CreateFolder(folder);
  } catch (const FileError& error) {
    console << "    Error; could not create the output folder " << shown << " (" << error.what()
            << "); no track is converted\n";
    return false;
  }
  try {
    CheckWritableFolder(folder);
  } catch (const FileError& error) {
    console << "    Error; could not write into the output folder " << shown << " ("
            << error.what() << "); no track is converted\n";
    return false;
  }
  return true;
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
  if (!PrepareOutputFolder(output_folder, console.out)) {
    WaitForEnter(line, console);
    return kSomeFailed;
  }
  console.out << " -> Processing list\n";
  const JobList jobs = ListJobs(line, output_folder, line.dumps || DebugMode != 0);
  if (!line.defines.empty() && !jobs.any_source) {
    console.out << "    Notice; -D sets symbols of .asm tracks only, and no track is one\n";
  }
  RunOutputs outputs(jobs);
  Tally tally;
  for (const ListedArgument& argument : jobs.arguments) {
    // A folder stands for the tracks in it, each a track of its own.
    if (argument.folder) {
      PrintNameLine(FolderName(argument.argument), console.out);
      if (!PrintFolderLine(argument, console.out)) tally.Add({});
    }
    for (const ListedTrack& track : argument.tracks) {
      if (track.same_as) {
        PrintNameLine(track.job.file_name, console.out);
        console.out << "    Notice; the same file as " << Printable(*track.same_as)
                    << ", named before in this run: it is converted once\n";
      } else {
        tally.Add(ProcessFile(track.job, console.out, outputs));
      }
    }
  }
  console.out << "\n -> " << tally.converted << " converted, " << tally.failed << " failed; "
              << (tally.written > 0 ? "reversed songs are in " + Printable(AbsolutePath(output_folder))
                                    : std::string("no reversed song was written"))
              << "\n";
  WaitForEnter(line, console);
  return tally.failed == 0 ? kAllConverted : kSomeFailed;
}

}  // namespace quorlin
