#include "cli/platform.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tw {

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool SourceMayBeDriveLetter() { return false; }

void PrepareConsoleOutput() {
  // In order, so that open() returns the lowest free descriptor: this one.
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
  }
}

std::FILE* OpenFileForWriting(const std::string& utf8_path) { return std::fopen(utf8_path.c_str(), "wb"); }

std::string SystemErrorText(int code) { return std::strerror(code); }

}  // namespace tw
