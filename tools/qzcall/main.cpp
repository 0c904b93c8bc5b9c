// qzcall: calls one method of one module on a broker; see `qzcall --help`.
#include "commands.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return qzcall::run(args, std::cout, std::cerr);
}
