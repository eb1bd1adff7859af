// The console front end: banner, usage, the per-argument loop and the wait
// for Enter at the end.
#ifndef QUORLIN_FRONTEND_FRONT_END_H_
#define QUORLIN_FRONTEND_FRONT_END_H_

#include <istream>
#include <ostream>
#include <span>
#include <string>

namespace quorlin {

// `arguments` as the process received them, the program path first. Returns
// the exit code, always 0: each track reports its own result.
int RunFrontEnd(std::span<const std::string> arguments, std::ostream& out, std::istream& in);

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_FRONT_END_H_
