#pragma once
// The files a run writes, checked before anything is written or scanned: an
// output never replaces a SOURCE (also through a symbolic or a hard link:
// the same device and file numbers decide), never shares its file with
// another output of the run, and goes to a regular file only (a device node,
// FIFO, socket or folder standing at its path is refused; a missing file is
// made).

#include <string>
#include <vector>

namespace tw {

struct PlannedOutput {
  std::string what;  // how a refusal names it: "the saved scan", "the ncdu export", ...
  std::string path;  // UTF-8, as given; stdout ("-") is not a file and is not passed
};

// "" when every output may be written, else the reason for the first
// refusal, one line without a trailing newline.
std::string CheckOutputs(const std::vector<PlannedOutput>& outputs, const std::vector<std::string>& sources);

}  // namespace tw
