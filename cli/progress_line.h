#pragma once
// The progress line on stderr while a scan runs: one line redrawn in place
// with a bar, the engine's progress value and its stage text.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>

namespace tw {

inline constexpr std::int32_t kProgressBarCells = 24;

// "[######------------------]  25% 正在读取 MFT..." for value 25; the value is
// clamped to 0..100.
std::string ProgressLine(std::int32_t value, const std::wstring& text);

// Redraws the line on every report; safe to call from any thread, as the
// scan's progress callback may be. A value of 0 keeps the last position.
class ProgressPrinter {
 public:
  explicit ProgressPrinter(std::ostream& out) : out_(out) {}
  void Report(std::int32_t value, const std::wstring& text);
  // Blanks the line and returns the cursor to its start; nothing when no line
  // was drawn.
  void Finish();

 private:
  std::ostream& out_;
  std::mutex mutex_;
  std::int32_t value_ = 0;
  std::size_t width_ = 0;  // display width of the line on screen
};

}  // namespace tw
