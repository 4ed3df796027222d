// tarnwick-scan.exe: wide arguments become UTF-8, output is UTF-8.

#include <iostream>
#include <string>
#include <vector>

#include "cli/platform.h"
#include "cli/run.h"
#include "format/utf.h"

int wmain(int argc, wchar_t** argv) {
  tw::PrepareConsoleOutput();
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(tw::Utf16ToUtf8(argv[i]));
  const tw::CliContext context{std::cout, std::cerr, tw::StderrIsTerminal(), tw::SourceMayBeDriveLetter()};
  return tw::RunTarnwickScan(args, context);
}
