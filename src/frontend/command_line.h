// The command line: options first, then the tracks.
#ifndef QUORLIN_FRONTEND_COMMAND_LINE_H_
#define QUORLIN_FRONTEND_COMMAND_LINE_H_

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/sonic1_driver.h"
#include "format/sonic1_effects.h"
#include "smps2asm/assembler.h"

namespace quorlin {

// The two forms of a song: the raw bytes the driver reads, and SMPS2ASM
// source as the disassembly keeps its songs.
enum class SongFormat { kBin, kAsm };

struct CommandLine {
  std::vector<std::string> tracks;
  std::optional<std::string> output_folder;  // -o, --output
  bool dumps = false;                        // --dumps
  bool compact = false;                      // --compact
  bool no_wait = false;                      // --no-wait
  bool help = false;                         // -h, --help
  bool version = false;                      // --version
  std::optional<SongFormat> format;          // --format asm|bin
  std::vector<SourceDefine> defines;         // -D NAME[=VALUE]
  const Driver* driver = &kSonic1Driver;     // --driver sonic1|sonic2
  // The driver's sound effects, for the drivers whose effects the tool reads.
  const EffectFormat* effects = &kSonic1Effects;
  std::optional<std::int64_t> base;          // --base ADDRESS
};

// A command line that cannot be run; what() is the line to print.
class CommandLineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the arguments after the program's path. An argument that starts with
// '-' is an option, up to a "--", after which every argument is a track.
// Throws CommandLineError for an unknown option or a missing option value.
CommandLine ParseCommandLine(std::span<const std::string> arguments);

// The text of --help.
std::string HelpText();

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_COMMAND_LINE_H_
