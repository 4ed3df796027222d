#include "cli/platform.h"

#include <fcntl.h>
#include <signal.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace tw {
namespace {

// A page of a mapped source that is cut short before it is read raises
// SIGBUS; the scan then ends with its line and status, not with the signal.
TEST(LostSourcePages, EndWithTheLineAndStatusInsteadOfTheSignal) {
  const std::string path = testing::TempDir() + "tw_lost_pages_" + std::to_string(getpid()) + ".img";
  {
    const std::vector<char> bytes(2 * 4096, 'x');
    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
  }
  const auto touch_cut_page = [&path] {
    const int fd = ::open(path.c_str(), O_RDWR);
    if (fd < 0) std::_Exit(3);
    void* const map = ::mmap(nullptr, 2 * 4096, PROT_READ, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED || ::ftruncate(fd, 100) != 0) std::_Exit(4);
    const volatile char byte = static_cast<const char*>(map)[4096];
    (void)byte;
    std::_Exit(5);  // not reached: the page is gone
  };
  EXPECT_EXIT(
      {
        EndOnLostSourcePages("错误: 无法读取源。 (the test's source)\n", 1);
        touch_cut_page();
      },
      ::testing::ExitedWithCode(1), "无法读取源。 \\(the test's source\\)");
  // What the line stands in for (the default action, which a sanitizer's
  // own handler would otherwise take over).
  EXPECT_EXIT(
      {
        ::signal(SIGBUS, SIG_DFL);
        touch_cut_page();
      },
      ::testing::KilledBySignal(SIGBUS), "");
  ::unlink(path.c_str());
}

}  // namespace
}  // namespace tw
