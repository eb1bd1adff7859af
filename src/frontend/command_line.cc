#include "frontend/command_line.h"

#include "frontend/version.h"

namespace quorlin {
namespace {

constexpr const char* kSeeHelp = " (quorlin --help lists the options)";

[[noreturn]] void Refuse(const std::string& what) {
  throw CommandLineError("quorlin: " + what + kSeeHelp);
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string> arguments) {
  CommandLine line;
  bool options_end = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_end || argument.empty() || argument[0] != '-') {
      line.tracks.push_back(argument);
    } else if (argument == "--") {
      options_end = true;
    } else if (argument == "-h" || argument == "--help") {
      line.help = true;
    } else if (argument == "--version") {
      line.version = true;
    } else if (argument == "--dumps") {
      line.dumps = true;
    } else if (argument == "--no-wait") {
      line.no_wait = true;
    } else if (argument == "-o" || argument == "--output") {
      if (i + 1 == arguments.size()) Refuse("option " + argument + " needs a folder");
      line.output_folder = arguments[++i];
    } else if (argument.starts_with("--output=")) {
      line.output_folder = argument.substr(9);
    } else {
      Refuse("unknown option " + argument);
    }
  }
  if (line.output_folder && line.output_folder->empty()) Refuse("the output folder is empty");
  return line;
}

std::string HelpText() {
  return std::string("Quorlin ") + kVersion +
         " - writes Sonic 1 SMPS songs that play the given songs backwards\n"
         "\n"
         "Usage: quorlin [options] TRACK...\n"
         "\n"
         "Each TRACK, a song file, gets a reversed song of the same file name in the\n"
         "output folder: Output beside the program, or the folder given with -o. The\n"
         "tracks themselves are never changed. Started from a console (drag and drop\n"
         "on Windows, a shell in a terminal), it waits for Enter before it ends.\n"
         "\n"
         "Options:\n"
         "  -o, --output DIR  write the reversed songs into DIR (created when needed)\n"
         "      --dumps       also write each conversion's intermediate buffers into a\n"
         "                    folder beside its track (the track's name without its\n"
         "                    extension)\n"
         "      --no-wait     never wait for Enter at the end\n"
         "  -h, --help        show this text\n"
         "      --version     show the version\n"
         "  --                every argument after it is a track, even one with a -\n"
         "\n"
         "Exit status: 0 when every track was converted, 1 when a track was refused\n"
         "or failed, 2 when the command line is wrong (nothing is converted then).\n";
}

}  // namespace quorlin
