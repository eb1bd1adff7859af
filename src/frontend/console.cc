#include "frontend/console.h"

#ifdef _WIN32
// clang-format off
#include <windows.h>  // first: shellapi.h builds on it
#include <shellapi.h>
// clang-format on

#include "frontend/windows_text.h"
#else
#include <unistd.h>
#endif

#include <cstdio>

namespace quorlin {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide != nullptr) {
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i]));
    LocalFree(wide);
    return arguments;
  }
#endif
  return std::vector<std::string>(argv, argv + argc);
}

bool IsInteractive() {
#ifdef _WIN32
  // A console answers GetConsoleMode; a pipe, a file and NUL do not.
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) &&
         GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode);
#else
  return isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
#endif
}

void PrepareConsole() {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
#endif
}

}  // namespace quorlin
