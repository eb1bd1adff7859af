#include "frontend/front_end.h"

#include "frontend/command_line.h"
#include "frontend/debug_mode.h"
#include "frontend/file_system.h"
#include "frontend/paths.h"
#include "frontend/process_file.h"
#include "frontend/version.h"

namespace quorlin {
namespace {

constexpr int kAllConverted = 0;
constexpr int kSomeFailed = 1;
constexpr int kBadCommandLine = 2;

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
  int converted = 0;
  for (const std::string& track : line.tracks) {
    if (ProcessFile(JobFor(track, line, output_folder, dumps), console.out, outputs).converted) {
      ++converted;
    }
  }
  const int failed = static_cast<int>(line.tracks.size()) - converted;
  console.out << "\n -> " << converted << " converted, " << failed
              << " failed; reversed songs are in " << AbsolutePath(output_folder) << "\n";
  WaitForEnter(line, console);
  return failed == 0 ? kAllConverted : kSomeFailed;
}

}  // namespace quorlin
