#pragma once
// tarnwick-scan's whole command line run in the test's own process, its
// streams captured.

#include <sstream>
#include <string>
#include <vector>

#include "cli/run.h"

namespace tw::test {

struct Outcome {
  int status = -1;
  std::string out, err;
};

inline Outcome Tarnwick(std::vector<std::string> args) {
  std::ostringstream out, err;
  const CliContext context{out, err};
  Outcome run;
  run.status = RunTarnwickScan(args, context);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace tw::test
