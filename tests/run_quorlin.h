// Runs the built quorlin executable the way a user does and captures what it
// prints.
#ifndef QUORLIN_TESTS_RUN_QUORLIN_H_
#define QUORLIN_TESTS_RUN_QUORLIN_H_

#include <string>
#include <vector>

namespace quorlin::testing {

struct RunOptions {
  std::string limits;            // shell commands run first, such as "ulimit -v 30000"
  std::string input;             // what standard input holds: a file, not a terminal
  bool then_read_input = false;  // afterwards print what is left of standard input
  bool terminal = false;         // in a terminal whose user presses Enter
  std::string folder;            // the working folder, when not the test's own
};

struct RunResult {
  std::string output;  // standard output
  std::string errors;  // standard error
  int exit_code;
};

// Starts the executable with `program_path` as its argument 0 (so that its
// Output folder lands beside that path) and `arguments` after it.
RunResult RunQuorlin(const std::string& program_path, const std::vector<std::string>& arguments,
                     const RunOptions& options = {});

}  // namespace quorlin::testing

#endif  // QUORLIN_TESTS_RUN_QUORLIN_H_
