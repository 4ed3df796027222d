#include "cli/output_file.h"

#include <cerrno>
#include <cstring>

#include "cli/platform.h"

namespace tw {
namespace {

// The errno of a failed call, or EIO when the library left none.
int ErrorNumber() { return errno != 0 ? errno : EIO; }

std::FILE* Open(const std::string& utf8_path, int& error) {
  errno = 0;
  std::FILE* file = OpenFileForWriting(utf8_path);
  error = file == nullptr ? ErrorNumber() : 0;
  return file;
}

}  // namespace

OutputBuffer::OutputBuffer(std::FILE* file) : file_(file) { setp(buffer_, buffer_ + sizeof buffer_); }

void OutputBuffer::Fail() {
  if (error_ == 0) error_ = ErrorNumber();
}

bool OutputBuffer::Drain() {
  const auto count = static_cast<std::size_t>(pptr() - pbase());
  setp(buffer_, buffer_ + sizeof buffer_);
  if (error_ != 0 || file_ == nullptr) {
    if (error_ == 0) error_ = EBADF;
    return false;
  }
  errno = 0;
  if (count > 0 && std::fwrite(buffer_, 1, count, file_) != count) {
    Fail();
    return false;
  }
  return true;
}

OutputBuffer::int_type OutputBuffer::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int OutputBuffer::sync() {
  if (!Drain()) return -1;
  errno = 0;
  if (std::fflush(file_) != 0) {
    Fail();
    return -1;
  }
  return 0;
}

std::string OutputFailure(std::ostream& out) {
  out.flush();
  const auto* buffer = dynamic_cast<const OutputBuffer*>(out.rdbuf());
  if (buffer != nullptr && buffer->failed()) return std::strerror(buffer->error());
  if (!out) return "write failed";
  return {};
}

OutputFile::OutputFile(const std::string& utf8_path)
    : file_(Open(utf8_path, open_error_)), buffer_(file_), stream_(&buffer_) {}

OutputFile::~OutputFile() {
  if (file_ != nullptr) std::fclose(file_);
}

std::string OutputFile::Close() {
  if (file_ == nullptr) return std::strerror(open_error_ != 0 ? open_error_ : EBADF);
  std::string reason = OutputFailure(stream_);
  errno = 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed && reason.empty()) reason = std::strerror(ErrorNumber());
  // Nothing reaches the closed file any more: later writes are refused by
  // the stream, and a second Close has nothing left to close.
  stream_.setstate(std::ios::badbit);
  open_error_ = EBADF;
  return reason;
}

}  // namespace tw
