#pragma once
// tarnwick-scan from its arguments to its exit status, with the streams and
// the terminal question passed in so that tests can drive it whole.

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/scan_driver.h"

namespace tw {

struct CliContext {
  std::ostream& out;
  std::ostream& err;
  bool err_is_terminal = false;
  bool drive_letters_allowed = false;  // SOURCE may be a drive letter (Windows)
  // When set, the finished result is moved here after the output is written
  // instead of being destroyed: a program about to exit need not give back
  // a million small blocks one by one.
  std::unique_ptr<ScanResult>* keep_result = nullptr;
};

// The durations of the scan stages, one per line, then the MFT bytes read, for --timings.
std::string TimingsText(const ScanTimings& timings, double elapsed_seconds);

// Parses the arguments (without the program name), scans, writes the report
// or the JSON document and returns the exit status: 0, 1 when the scan fails
// ("错误: " and the engine's message on err), 2 for a usage error or a missing
// SOURCE (one line on err).
int RunTarnwickScan(const std::vector<std::string>& args, const CliContext& context);

}  // namespace tw
