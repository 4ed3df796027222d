#pragma once
// Work spread over a few threads, for the stages of a scan that follow the
// pass over the MFT: task(k) for every k of [0, count), taken in order from
// one shared counter by up to `threads` threads, the calling thread among
// them. Returns when every task has run; the first exception a task throws
// is rethrown here once all threads have stopped, and no task starts after it.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace tw {

void RunParallel(std::size_t count, std::int32_t threads, const std::function<void(std::size_t)>& task);

}  // namespace tw
