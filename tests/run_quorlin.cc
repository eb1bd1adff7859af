#include "run_quorlin.h"

#include <sys/wait.h>

#include <cstdio>
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

}  // namespace

RunResult RunQuorlin(const std::string& program_path, const std::vector<std::string>& tracks,
                     const std::string& limits) {
  std::string command = limits.empty() ? "" : limits + "; ";
  command.append("exec -a ");
  command.append(ShellQuote(program_path)).append(" ").append(ShellQuote(QUORLIN_EXECUTABLE));
  for (const std::string& track : tracks) command.append(" ").append(ShellQuote(track));
  command.append(" < /dev/null");
  std::string shell = "bash -c ";
  shell.append(ShellQuote(command));
  std::FILE* pipe = popen(shell.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot start " + command);
  RunResult result{"", -1};
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.output.append(chunk, got);
  const int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace quorlin::testing
