// quorlin: writes Sonic 1 SMPS songs that play the given songs backwards.
#include <iostream>

#include "frontend/console.h"
#include "frontend/front_end.h"

int main(int argc, char** argv) {
  quorlin::PrepareConsole();
  const auto arguments = quorlin::CommandLineArguments(argc, argv);
  return quorlin::RunFrontEnd(arguments,
                              {std::cout, std::cerr, std::cin, quorlin::IsInteractive()});
}
