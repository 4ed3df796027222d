// tarnwick-scan on Linux: arguments are UTF-8 already.

#include <iostream>
#include <string>
#include <vector>

#include "cli/platform.h"
#include "cli/run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const tw::CliContext context{std::cout, std::cerr, tw::StderrIsTerminal(), tw::SourceMayBeDriveLetter()};
  return tw::RunTarnwickScan(args, context);
}
