// The console front end: the command line, the banner, the per-track loop,
// the summary and the wait for Enter at the end.
#ifndef QUORLIN_FRONTEND_FRONT_END_H_
#define QUORLIN_FRONTEND_FRONT_END_H_

#include <istream>
#include <ostream>
#include <span>
#include <string>

namespace quorlin {

// Where the front end talks: its streams, and whether someone at a console
// sees them and can press Enter.
struct ConsoleStreams {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  bool interactive;
};

// `arguments` as the process received them, the program path first. Returns
// the exit status: 0 when every track converted, 1 when any was refused or
// failed, 2 for a command line that cannot be run.
int RunFrontEnd(std::span<const std::string> arguments, const ConsoleStreams& console);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_FRONT_END_H_
