#pragma once
// One move-only owner for a GDI handle, the cleanup function a template
// parameter, and the process-wide count of the objects made and deleted
// through these owners. Every brush, pen, bitmap and memory DC that one paint
// makes goes through an owner, so the count of live objects (made minus
// deleted) must come back to where it was once the paint is done; the GUI
// tests read it from the running program, because not every system answers
// the per-process GDI object count.
//
// No window-system include: the handle type and the cleanup function come
// from the user (the Win32 aliases are in ui/gdi_objects_win32.h).

#include <cstdint>
#include <utility>

namespace tw {

struct GdiObjectCounts {
  std::uint64_t created = 0;  // owners that took a non-null handle
  std::uint64_t deleted = 0;  // cleanups run on them
  std::int64_t Live() const { return static_cast<std::int64_t>(created - deleted); }
};

// The process-wide counts. The owners are used on the user-interface thread
// only, so the counts need no lock.
GdiObjectCounts& GdiCounts();

// Owns a handle (null = Handle{}) and runs Cleanup(handle) once when it goes.
template <typename Handle, auto Cleanup>
class GdiOwner {
 public:
  GdiOwner() = default;
  explicit GdiOwner(Handle handle) : handle_(handle) {
    if (handle_ != Handle{}) ++GdiCounts().created;
  }
  ~GdiOwner() { reset(); }

  GdiOwner(const GdiOwner&) = delete;
  GdiOwner& operator=(const GdiOwner&) = delete;
  GdiOwner(GdiOwner&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
  GdiOwner& operator=(GdiOwner&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, Handle{});
    }
    return *this;
  }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }

  // Deletes the owned object (if any); the owner is empty afterwards.
  void reset() {
    if (handle_ == Handle{}) return;
    Cleanup(std::exchange(handle_, Handle{}));
    ++GdiCounts().deleted;
  }

 private:
  Handle handle_{};
};

}  // namespace tw
