#pragma once
// The texts of the main window's top and bottom bands: drive list items, the
// drive letter a scan starts with, the three space-summary labels and the
// status line. Pure functions of their inputs.

#include <cstdint>
#include <string>
#include <string_view>

#include "model/scan_result.h"

namespace tw {

// ---- Status line ------------------------------------------------------------

// "扫描完成 12.3 秒 · MFT · 231.45 GB · 812345 文件 · 120345 文件夹"
std::wstring ScanSummary(const ScanResult& result);
// The summary, " · 单击三角展开" and, when records could not be read,
// " · 3 条记录无法读取".
std::wstring ScanSuccessStatus(const ScanResult& result);
// " · 3 条记录无法读取", or "" when every record was read.
std::wstring UnreadableSuffix(const ScanResult& result);

// ---- Drive list -------------------------------------------------------------

// "[" + letter + ":]", then one blank and the volume label when it is not empty.
std::wstring DriveItemText(wchar_t letter, std::wstring_view label);

// The letter of a drive item text as a one-character string: the second
// character when the text starts with "[" and goes on; otherwise "C" (also
// the answer when nothing is selected).
std::wstring SelectedDriveLetter(std::wstring_view item_text);

// ---- Space summary ----------------------------------------------------------

// Bytes of one volume: total, available to the caller, and used = total -
// free (space the caller cannot use counts as used). All 0 when unknown.
struct DiskSpace {
  std::uint64_t total = 0;
  std::uint64_t free = 0;
  std::uint64_t used = 0;
};

// A DiskSpace from the two figures the system reports.
DiskSpace MakeDiskSpace(std::uint64_t total, std::uint64_t free);

struct SpaceSummaryTexts {
  std::wstring total;
  std::wstring used;
  std::wstring free;
};

// "总空间  465.76 GB", "已用  353.97 GB  (76.0%)", "可用  111.79 GB  (24.0%)";
// "总空间 —", "已用 —", "可用 —" when the total is not positive. The free
// share is the complement of the used one.
SpaceSummaryTexts SpaceSummary(const DiskSpace& space);
// The texts before any volume is known.
SpaceSummaryTexts UnknownSpaceSummary();

}  // namespace tw
