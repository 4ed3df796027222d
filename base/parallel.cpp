#include "base/parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace tw {

void RunParallel(std::size_t count, std::int32_t threads, const std::function<void(std::size_t)>& task) {
  if (count == 0) return;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex error_lock;
  std::exception_ptr error;
  const auto work = [&]() noexcept {
    try {
      for (std::size_t k = next.fetch_add(1); k < count && !failed.load(); k = next.fetch_add(1)) task(k);
    } catch (...) {
      std::lock_guard<std::mutex> lock(error_lock);
      if (!error) error = std::current_exception();
      failed = true;
    }
  };
  const std::size_t helpers =
      std::min<std::size_t>(count, static_cast<std::size_t>(std::max<std::int32_t>(threads, 1))) - 1;
  std::vector<std::thread> pool;
  try {
    pool.reserve(helpers);
    for (std::size_t k = 0; k < helpers; ++k) pool.emplace_back(work);
  } catch (...) {
    // Fewer threads than asked for: the ones started, and this one, share the work.
  }
  work();
  for (std::thread& t : pool) t.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace tw
