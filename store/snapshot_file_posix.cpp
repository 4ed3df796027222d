// Saving a scan on Linux: a temporary file beside the target, written and
// fsync'd, renamed over the target, and the folder fsync'd so the rename
// itself survives a crash. Private folders are made with mode 0700.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <span>
#include <string>

#include "store/snapshot.h"

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

// Takes the temporary file at `path` for this save, locked: made afresh, or
// the leftover of a save cut short, emptied. -1 with errno set when it cannot
// be made; -1 with `foreign` set when what stands there is not ours to take:
// a link, a folder, another user's file, another save's while it runs, a
// file of other bytes.
int TakeTemporary(const std::string& path, bool& foreign) {
  foreign = false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
      foreign = errno == ELOOP || errno == EISDIR || errno == ENXIO || errno == EEXIST;
      return -1;
    }
    struct stat opened {
    }, named{};
    const bool lockable = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_nlink == 1 &&
                          opened.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    // Locked, it must still be the file of that name: the save that held the
    // lock before may have renamed it over its target meanwhile.
    if (lockable &&
        (::stat(path.c_str(), &named) != 0 || named.st_dev != opened.st_dev || named.st_ino != opened.st_ino)) {
      ::close(fd);
      continue;
    }
    std::uint8_t head[kSnapshotMagicSize] = {};
    const ssize_t got = lockable ? ::pread(fd, head, sizeof head, 0) : -1;
    if (got >= 0 &&
        IsLeftoverOfSave(static_cast<std::uint64_t>(opened.st_size), std::span(head, static_cast<std::size_t>(got))) &&
        ::fchmod(fd, 0600) == 0 && ::ftruncate(fd, 0) == 0) {
      return fd;
    }
    ::close(fd);
    foreign = true;
    return -1;
  }
  foreign = true;
  return -1;
}

}  // namespace

bool SaveSnapshotBytes(const std::string& path, std::span<const std::uint8_t> bytes, FileAccess access,
                       std::string& error) {
  // Only a file is ever replaced: never a device node, a FIFO, a socket or a
  // folder that happens to carry the name.
  struct stat target {};
  if (::stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
    error = "not a regular file";
    return false;
  }
  // The temporary file is created with mode 0600: private from the start.
  std::string temporary = SaveTemporaryPath(path);
  bool foreign = false;
  int fd = TakeTemporary(temporary, foreign);
  if (fd < 0 && foreign) {
    // Its name is taken by something not ours to replace: a name of its own.
    temporary = FolderOf(path) + "/.twXXXXXX";
    fd = ::mkstemp(temporary.data());
  }
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  const mode_t mode = access == FileAccess::kPrivate ? 0600 : 0644;
  const bool written = WriteAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  int saved_errno = errno;
  // Renamed while still locked, so that no other save takes it meanwhile.
  const bool renamed = written && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (written && !renamed) saved_errno = errno;
  if (!renamed) ::unlink(temporary.c_str());
  const bool closed = ::close(fd) == 0;
  if (!renamed || !closed) {
    error = std::strerror(renamed ? errno : saved_errno);
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
