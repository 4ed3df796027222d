#pragma once
// Where tarnwick-scan writes its report, JSON document or export: a stream
// buffer over a C stream (stdout, or a file opened here) that remembers the
// system's reason for the first write that failed. A full disk, a closed
// stdout or a broken pipe then ends the run with an error, not a success.

#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>

namespace tw {

class OutputBuffer : public std::streambuf {
 public:
  // Writes to `file`, which stays the caller's.
  explicit OutputBuffer(std::FILE* file);
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  bool failed() const { return error_ != 0; }
  // The errno of the first failed write or flush; 0 while none failed.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool Drain();  // hands the buffered bytes to the C stream
  void Fail();

  std::FILE* file_;
  int error_ = 0;
  char buffer_[1 << 16];
};

// Flushes `out` and returns "" when everything written to it reached the
// system, else the reason: the system's words when `out` writes through an
// OutputBuffer, a general one otherwise.
std::string OutputFailure(std::ostream& out);

// A file created (or emptied) for writing, and its stream.
class OutputFile {
 public:
  // Opens the file; when that fails, is_open() is false and Close() says why.
  explicit OutputFile(const std::string& utf8_path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool is_open() const { return file_ != nullptr; }
  std::ostream& stream() { return stream_; }
  // Flushes and closes the file: "" when every byte was written, else the
  // system's reason (also for a file that could not be opened).
  std::string Close();

 private:
  int open_error_ = 0;  // set while file_ is opened
  std::FILE* file_ = nullptr;
  OutputBuffer buffer_;
  std::ostream stream_;
};

}  // namespace tw
