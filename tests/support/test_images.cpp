#include "support/test_images.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace tw::test {
namespace {

std::vector<std::string> Matching(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
    const std::string p = e.path().string();
    if (p.size() > suffix.size() && p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0) {
      out.push_back(p);
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool AllZero(const char* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (p[i] != 0) return false;
  }
  return true;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

std::string TestDataDir() { return std::string(TARNWICK_SOURCE_DIR) + "/tests/data"; }
std::string FixturesDir() { return std::string(TARNWICK_SOURCE_DIR) + "/../shared/fixtures"; }

std::vector<std::string> CommittedVolumes() { return Matching(TestDataDir(), ".img.xz"); }
std::vector<std::string> FixtureImages() { return Matching(FixturesDir(), ".raw.gz"); }

std::string ImageName(const std::string& compressed) {
  std::string name = std::filesystem::path(compressed).filename().string();
  return name.substr(0, name.find('.'));
}

UnpackedImage::UnpackedImage(const std::string& compressed) {
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/tw-image-XXXXXX";
  const int fd = ::mkstemp(templ.data());
  if (fd < 0) return;
  const bool xz = compressed.size() > 3 && compressed.compare(compressed.size() - 3, 3, ".xz") == 0;
  const std::string command = std::string(xz ? "xz" : "gzip") + " -dc " + Quote(compressed);
  FILE* in = ::popen(command.c_str(), "r");
  bool ok = in != nullptr;
  std::vector<char> block(1 << 16);
  off_t size = 0;
  while (ok) {
    const std::size_t got = std::fread(block.data(), 1, block.size(), in);
    if (got == 0) break;
    // Zero blocks become holes: the unpacked images are mostly empty.
    if (!AllZero(block.data(), got)) ok = ::pwrite(fd, block.data(), got, size) == static_cast<ssize_t>(got);
    size += static_cast<off_t>(got);
  }
  if (in && ::pclose(in) != 0) ok = false;
  ok = ok && size > 0 && ::ftruncate(fd, size) == 0;
  ::close(fd);
  if (ok) {
    path_ = templ;
  } else {
    ::unlink(templ.c_str());
  }
}

UnpackedImage::~UnpackedImage() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

}  // namespace tw::test
