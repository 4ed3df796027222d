#include "cli/progress_line.h"

#include <algorithm>
#include <cstdio>

#include "cli/text_table.h"

namespace tw {

std::string ProgressLine(std::int32_t value, const std::wstring& text) {
  const std::int32_t v = std::clamp(value, 0, 100);
  const std::int32_t filled = v * kProgressBarCells / 100;
  std::string line = "[";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(kProgressBarCells - filled), '-');
  char percent[16];
  std::snprintf(percent, sizeof percent, "] %3d%% ", static_cast<int>(v));
  line += percent;
  line += TerminalText(text);
  return line;
}

void ProgressPrinter::Report(std::int32_t value, const std::wstring& text) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (value != 0) value_ = value;
  const std::string line = ProgressLine(value_, text);
  const std::size_t width = DisplayWidth(line);
  out_ << '\r' << line;
  // Blanks what is left of a longer previous line.
  if (width < width_) out_ << std::string(width_ - width, ' ');
  width_ = std::max(width, width_);
  out_.flush();
}

void ProgressPrinter::Finish() {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (width_ == 0) return;
  out_ << '\r' << std::string(width_, ' ') << '\r';
  out_.flush();
  width_ = 0;
}

}  // namespace tw
