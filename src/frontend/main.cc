// quorlin: writes Sonic 1 SMPS songs that play the given songs backwards.
#include <iostream>
#include <string>
#include <vector>

#include "frontend/front_end.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv, argv + argc);
  return quorlin::RunFrontEnd(arguments, std::cout, std::cin);
}
