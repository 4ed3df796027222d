#pragma once
// The files a run writes, checked before anything is written or scanned: an
// output never replaces a SOURCE (also through a symbolic or a hard link:
// the same device and file numbers decide), never shares its file with
// another output of the run, and goes to a regular file only (a device node,
// FIFO, socket or folder standing at its path is refused; a missing file is
// made).

#include <cstddef>
#include <string>
#include <vector>

namespace tw {

struct PlannedOutput {
  std::string what;  // how a refusal names it: "the saved scan", "the ncdu export", ...
  std::string path;  // UTF-8, as given; stdout ("-") is not a file and is not passed
};

// Why an output may not be written.
enum class OutputProblem {
  kNone,
  kNotRegularFile,    // something other than a regular file stands at its path
  kOverwritesSource,  // it names a SOURCE
  kSharesFile,        // it names the file of an earlier output
};

struct OutputRefusal {
  OutputProblem problem = OutputProblem::kNone;
  std::size_t output = 0;   // which output is refused (index into the outputs)
  std::size_t earlier = 0;  // kSharesFile: the output whose file it names
  std::string kind;         // kNotRegularFile: "a folder", "a FIFO", "a character device", ...
};

// The first refusal, in the order of the outputs; kNone when every output
// may be written.
OutputRefusal CheckOutputFiles(const std::vector<PlannedOutput>& outputs, const std::vector<std::string>& sources);

// "" when every output may be written, else the reason for the first
// refusal, one line without a trailing newline.
std::string CheckOutputs(const std::vector<PlannedOutput>& outputs, const std::vector<std::string>& sources);

}  // namespace tw
