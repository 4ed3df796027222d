#pragma once
// One move-only owner for a kernel handle: a file, a volume, a token, a
// mutex, an event or a thread. It closes the handle once, when it goes or
// is reset. Both null and INVALID_HANDLE_VALUE mean "no handle" (the calls
// that make these handles fail with one or the other). Windows only.

#include <windows.h>

#include <utility>

namespace tw {

class KernelHandle {
 public:
  KernelHandle() = default;
  explicit KernelHandle(HANDLE handle) : handle_(handle) {}
  ~KernelHandle() { reset(); }

  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  KernelHandle(KernelHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  KernelHandle& operator=(KernelHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, nullptr));
    return *this;
  }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  explicit operator bool() const { return valid(); }

  // Closes the handle held (if any) and takes `handle` instead.
  void reset(HANDLE handle = nullptr) {
    if (valid()) CloseHandle(handle_);
    handle_ = handle;
  }
  // Gives the handle up without closing it.
  HANDLE release() { return std::exchange(handle_, nullptr); }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace tw
