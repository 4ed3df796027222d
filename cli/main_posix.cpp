// tarnwick-scan on Linux: arguments are UTF-8 already.

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/output_file.h"
#include "cli/platform.h"
#include "cli/run.h"

tw::ScanResult* g_result_left_to_exit = nullptr;

int main(int argc, char** argv) {
  tw::PrepareConsoleOutput();
  std::vector<std::string> args(argv + 1, argv + argc);
  // Output goes through a buffer that remembers why a write failed.
  tw::OutputBuffer stdout_buffer(stdout);
  std::ostream out(&stdout_buffer);
  std::unique_ptr<tw::ScanResult> result;
  const tw::CliContext context{out, std::cerr, tw::StderrIsTerminal(), tw::SourceMayBeDriveLetter(), &result};
  const int status = tw::RunTarnwickScan(args, context);
  // The result ends with the process: tearing it down block by block would
  // only delay the exit. Held by a global, it stays reachable to leak checkers.
  g_result_left_to_exit = result.release();
  return status;
}
