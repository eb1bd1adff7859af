#include "frontend/command_line.h"

#include <cctype>
#include <initializer_list>
#include <string_view>

#include "format/sonic2_driver.h"
#include "frontend/version.h"
#include "smps2asm/equates.h"
#include "smps2asm/expression.h"

namespace quorlin {
namespace {

constexpr const char* kSeeHelp = " (quorlin --help lists the options)";

[[noreturn]] void Refuse(const std::string& what) {
  throw CommandLineError("quorlin: " + what + kSeeHelp);
}

std::string Lower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

SongFormat FormatNamed(const std::string& name) {
  const std::string lower = Lower(name);
  if (lower == "asm") return SongFormat::kAsm;
  if (lower == "bin") return SongFormat::kBin;
  Refuse("--format takes asm or bin, not '" + name + "'");
}

// A driver and its sound effects (Sonic 2's the tool does not read).
struct NamedDriver {
  const Driver* driver;
  const EffectFormat* effects;
};

NamedDriver DriverNamed(const std::string& name) {
  const std::string lower = Lower(name);
  if (lower == "sonic1") return {&kSonic1Driver, &kSonic1Effects};
  if (lower == "sonic2") return {&kSonic2Driver, nullptr};
  Refuse("--driver takes sonic1 or sonic2, not '" + name + "'");
}

// An address of the driver's: $1380, 0x1380 or 4992.
std::int64_t AddressNamed(const std::string& text) {
  std::optional<std::int64_t> value;
  if (Lower(text).starts_with("0x") && text.size() > 2) {
    std::string hex = "$";
    hex.append(text, 2);
    value = ParseNumber(hex);
  } else {
    value = ParseNumber(text);
  }
  if (!value || *value < 0 || *value > 0xFFFF) {
    Refuse("--base takes an address from $0000 to $FFFF ($1380 or 0x1380), not '" + text + "'");
  }
  return *value;
}

// NAME or NAME=VALUE, VALUE a number as the assembler writes it ($hex...).
SourceDefine DefineNamed(const std::string& text) {
  const std::size_t equals = text.find('=');
  const std::string name = text.substr(0, equals);
  if (!IsName(name)) Refuse("-D takes NAME or NAME=VALUE, not '" + text + "'");
  if (equals == std::string::npos) return {name, 1};
  const auto value = ParseNumber(text.substr(equals + 1));
  if (!value) Refuse("-D " + name + " needs a number, not '" + text.substr(equals + 1) + "'");
  return {name, *value};
}

// When arguments[i] is one of `names`, an option that takes a value: that
// value, attached ("-oDIR", "--output=DIR") or the next argument ("-o DIR"),
// which it then steps over.
std::optional<std::string> OptionValue(std::span<const std::string> arguments, std::size_t& i,
                                       std::initializer_list<std::string_view> names,
                                       const std::string& what) {
  const std::string& argument = arguments[i];
  for (const std::string_view name : names) {
    if (argument == name) {
      if (i + 1 == arguments.size()) Refuse("option " + argument + " needs " + what);
      return arguments[++i];
    }
    // A long option's value follows an '='; a short one's follows at once.
    const std::string attached = std::string(name) + (name.starts_with("--") ? "=" : "");
    if (argument.starts_with(attached)) return argument.substr(attached.size());
  }
  return std::nullopt;
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
    } else if (argument == "--compact") {
      line.compact = true;
    } else if (argument == "--no-wait") {
      line.no_wait = true;
    } else if (auto folder = OptionValue(arguments, i, {"-o", "--output"}, "a folder")) {
      line.output_folder = std::move(folder);
    } else if (auto format = OptionValue(arguments, i, {"--format"}, "asm or bin")) {
      line.format = FormatNamed(*format);
    } else if (auto define = OptionValue(arguments, i, {"-D"}, "NAME or NAME=VALUE")) {
      line.defines.push_back(DefineNamed(*define));
    } else if (auto driver = OptionValue(arguments, i, {"--driver"}, "sonic1 or sonic2")) {
      const NamedDriver named = DriverNamed(*driver);
      line.driver = named.driver;
      line.effects = named.effects;
    } else if (auto base = OptionValue(arguments, i, {"--base"}, "an address")) {
      line.base = AddressNamed(*base);
    } else {
      Refuse("unknown option " + argument);
    }
  }
  if (line.output_folder && line.output_folder->empty()) Refuse("the output folder's name is empty");
  // The include file's own names keep their values, as its macros assume:
  // a song's source cannot define them either.
  for (const SourceDefine& define : line.defines) {
    if (IncludedEquate(define.name, line.driver->source.driver_version)) {
      Refuse("-D " + define.name + " names a symbol that the " + line.driver->name +
             " include file defines");
    }
  }
  if (line.base && !line.driver->placement.by_address) {
    Refuse(std::string("--base places songs whose pointers hold addresses (--driver sonic2); ") +
           line.driver->name + " songs play wherever they lie");
  }
  return line;
}

std::string HelpText() {
  return std::string("Quorlin ") + kVersion +
         " - writes Sonic 1 and Sonic 2 SMPS songs that play the given songs backwards\n"
         "\n"
         "Usage: quorlin [options] TRACK...\n"
         "\n"
         "Each TRACK (a song as .bin or SMPS2ASM .asm, a folder of songs, a game ROM\n"
         "whose songs all get reversed) is written reversed, under its own name, into\n"
         "Output beside the program or the folder given with -o; the tracks are never\n"
         "changed. Started from a console, it waits for Enter.\n"
         "\n"
         "Options:\n"
         "  -o, --output DIR  write the reversed songs into DIR (created when needed)\n"
         "      --format F    write every reversed song as F, asm or bin, with that\n"
         "                    extension (each track's own form when not given)\n"
         "  -D NAME[=VALUE]   set an assembler symbol for .asm tracks (VALUE 1 if not\n"
         "                    given), such as -D FixMusicAndSFXDataBugs\n"
         "      --driver D    read and write every song of the run for the sound driver\n"
         "                    D: sonic1 (the default) or sonic2\n"
         "      --base ADDR   a Sonic 2 song's first byte lies at ADDR ($1380 or 0x1380);\n"
         "                    found from a .bin song's pointers, $1380 for .asm, when\n"
         "                    not given\n"
         "      --compact     write loops and calls where a channel's events repeat\n"
         "      --dumps       also write each conversion's intermediate buffers into a\n"
         "                    folder beside its track, named like it without extension\n"
         "      --no-wait     never wait for Enter at the end\n"
         "  -h, --help        show this text\n"
         "      --version     show the version\n"
         "  --                every argument after it is a track, even one with a -\n"
         "\n"
         "Exit status: 0 when every track was converted, 1 when a track was refused\n"
         "or failed, 2 when the command line is wrong (nothing is converted then).\n";
}

}  // namespace quorlin
