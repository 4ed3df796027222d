#pragma once
// A cancel flag shared between the thread that starts a piece of work and the
// thread that does it: the starter cancels, the worker asks now and then and
// gives up early. Copies share one flag. No data is published through it, so
// relaxed loads and stores are enough.

#include <atomic>
#include <memory>

namespace tw {

class CancelFlag {
 public:
  CancelFlag() : flag_(std::make_shared<std::atomic<bool>>(false)) {}

  void Cancel() const noexcept { flag_->store(true, std::memory_order_relaxed); }
  bool cancelled() const noexcept { return flag_->load(std::memory_order_relaxed); }

 private:
  std::shared_ptr<std::atomic<bool>> flag_;
};

}  // namespace tw
