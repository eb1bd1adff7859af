#include "run_quorlin.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quorlin::testing {
namespace {

std::string ShellQuote(const std::string& text) {
  std::string quoted(1, '\'');
  for (char c : text) {
    if (c == '\'') {
      quoted.append("'\\''");
    } else {
      quoted.push_back(c);
    }
  }
  quoted.push_back('\'');
  return quoted;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

RunResult RunQuorlin(const std::string& program_path, const std::vector<std::string>& arguments,
                     const RunOptions& options) {
  const auto scratch =
      std::filesystem::temp_directory_path() / ("quorlin_run_" + std::to_string(getpid()));
  std::filesystem::create_directories(scratch);
  const std::string input = (scratch / "input").string();
  const std::string errors = (scratch / "errors").string();
  std::ofstream(input, std::ios::binary) << options.input;

  std::string quorlin =
      "exec -a " + ShellQuote(program_path) + " " + ShellQuote(QUORLIN_EXECUTABLE);
  for (const std::string& argument : arguments) quorlin.append(" ").append(ShellQuote(argument));
  std::string command = options.limits.empty() ? "" : options.limits + "; ";
  if (!options.folder.empty()) command += "cd " + ShellQuote(options.folder) + " && ";
  if (options.terminal) {
    // script gives the program a terminal and types the input into it. It runs
    // its command with $SHELL, which may be empty or a shell without exec -a.
    command += "SHELL=/bin/sh script -qec " + ShellQuote("bash -c " + ShellQuote(quorlin)) +
               " /dev/null";
  } else if (options.then_read_input) {
    command += "(" + quorlin + "); status=$?; cat; exit $status";
  } else {
    command += quorlin;
  }
  const std::string shell =
      "bash -c " + ShellQuote(command) + " < " + ShellQuote(input) + " 2> " + ShellQuote(errors);
  std::FILE* pipe = popen(shell.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot start " + shell);
  RunResult result{"", "", -1};
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.output.append(chunk, got);
  const int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.errors = Slurp(errors);
  std::filesystem::remove_all(scratch);
  return result;
}

}  // namespace quorlin::testing
