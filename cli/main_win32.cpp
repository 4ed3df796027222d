// tarnwick-scan.exe: wide arguments become UTF-8, output is UTF-8.

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/output_file.h"
#include "cli/platform.h"
#include "cli/run.h"
#include "format/utf.h"

tw::ScanResult* g_result_left_to_exit = nullptr;

int wmain(int argc, wchar_t** argv) {
  tw::PrepareConsoleOutput();
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(tw::Utf16ToUtf8(argv[i]));
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
