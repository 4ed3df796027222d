#include "base/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tw {
namespace {

TEST(RunParallel, EveryTaskRunsOnceWhateverTheThreadCount) {
  for (const std::int32_t threads : {0, 1, 3, 64}) {
    std::vector<std::atomic<int>> runs(1000);
    RunParallel(runs.size(), threads, [&](std::size_t k) { ++runs[k]; });
    for (std::size_t k = 0; k < runs.size(); ++k) ASSERT_EQ(runs[k].load(), 1) << threads << " threads, task " << k;
  }
  bool ran = false;
  RunParallel(0, 4, [&](std::size_t) { ran = true; });
  EXPECT_FALSE(ran);
}

TEST(RunParallel, TheFirstFailureIsRethrownAndNoTaskStartsAfterIt) {
  std::atomic<int> started{0};
  EXPECT_THROW(RunParallel(10000, 3,
                           [&](std::size_t k) {
                             ++started;
                             if (k == 5) throw std::runtime_error("task 5");
                             std::this_thread::sleep_for(std::chrono::microseconds(100));
                           }),
               std::runtime_error);
  EXPECT_LT(started.load(), 100);
}

}  // namespace
}  // namespace tw
