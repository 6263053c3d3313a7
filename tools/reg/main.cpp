// reg.exe of the simulated machine: the registry tool that setup programs run.
#include <iostream>
#include <string>
#include <vector>

#include "platform/sim/RegCommand.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return plat::sim::RunRegTool(args, std::cout, std::cerr, std::cin);
}
