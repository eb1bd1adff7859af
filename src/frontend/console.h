// What the front end needs from the console it runs in.
#ifndef QUORLIN_FRONTEND_CONSOLE_H_
#define QUORLIN_FRONTEND_CONSOLE_H_

#include <string>
#include <vector>

namespace quorlin {

// The command line as UTF-8 text: argv itself, or on Windows the wide command
// line, so that paths outside the ANSI code page arrive whole.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// True when standard input and standard output are both a terminal or
// console: someone sees the prompt and can press Enter (a drag-and-drop
// start on Windows, a shell in a terminal).
bool IsInteractive();

// Lets a Windows console show the UTF-8 text the tool prints.
void PrepareConsole();

}  // namespace quorlin

#endif  // QUORLIN_FRONTEND_CONSOLE_H_
