// Runs the built quorlin executable the way a user does, with standard input
// closed, and captures what it prints.
#ifndef QUORLIN_TESTS_RUN_QUORLIN_H_
#define QUORLIN_TESTS_RUN_QUORLIN_H_

#include <string>
#include <vector>

namespace quorlin::testing {

struct RunResult {
  std::string output;
  int exit_code;
};

// Starts the executable with `program_path` as its argument 0 (so that its
// Output folder lands beside that path) and `tracks` as further arguments.
// `limits` are shell commands run first, such as "ulimit -v 30000".
RunResult RunQuorlin(const std::string& program_path, const std::vector<std::string>& tracks,
                     const std::string& limits = "");

}  // namespace quorlin::testing

#endif  // QUORLIN_TESTS_RUN_QUORLIN_H_
