// Saving a scan on Linux: a temporary file beside the target, written and
// fsync'd, renamed over the target, and the folder fsync'd so the rename
// itself survives a crash. Private folders are made with mode 0700.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <span>
#include <string>

#include "model/snapshot.h"

namespace tw {
namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool SaveSnapshotBytes(const std::string& path, std::span<const std::uint8_t> bytes, FileAccess access,
                       std::string& error) {
  // mkstemp creates the file with mode 0600: private from the start.
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  const mode_t mode = access == FileAccess::kPrivate ? 0600 : 0644;
  const bool written = WriteAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  const int saved_errno = errno;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
    error = std::strerror(written && closed ? errno : saved_errno);
    ::unlink(temporary.c_str());
    return false;
  }
  const int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

bool MakePrivateFolder(const std::string& path, std::string& error) {
  if (::mkdir(path.c_str(), 0700) == 0) {
    // The umask may have taken some of the owner's own rights.
    if (::chmod(path.c_str(), 0700) == 0) return true;
  } else if (errno == EEXIST) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return true;
    errno = ENOTDIR;
  }
  error = std::strerror(errno);
  return false;
}

}  // namespace tw
