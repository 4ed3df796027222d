#include "cli/platform.h"

#include <fcntl.h>
#include <signal.h>
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

namespace {

// What the handler writes: set before it is installed, never freed.
std::string* g_lost_pages_text = nullptr;
int g_lost_pages_status = 1;

extern "C" void OnLostSourcePages(int) {
  // Only what is safe in a signal handler: write() and _exit().
  const std::string* text = g_lost_pages_text;
  if (text != nullptr) {
    const char* at = text->data();
    std::size_t left = text->size();
    while (left > 0) {
      const ssize_t wrote = ::write(STDERR_FILENO, at, left);
      if (wrote <= 0) break;
      at += wrote;
      left -= static_cast<std::size_t>(wrote);
    }
  }
  ::_exit(g_lost_pages_status);
}

}  // namespace

void EndOnLostSourcePages(const std::string& text, int status) {
  // One string for every call, reused: a scan runs on the thread that asks
  // for the next, so no handler is reading it meanwhile.
  if (g_lost_pages_text == nullptr) {
    g_lost_pages_text = new std::string(text);
  } else {
    *g_lost_pages_text = text;
  }
  g_lost_pages_status = status;
  struct sigaction action {};
  action.sa_handler = OnLostSourcePages;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, nullptr);
}

}  // namespace tw
