#pragma once
// The texts of saved scans opened and results saved: the one-line reasons a
// saved scan is refused for (the command line's and the window's), the
// status lines of opening and saving, and the reasons a save is refused.
// Pure functions of their inputs.

#include <cstdint>
#include <string>
#include <string_view>

#include "model/scan_result.h"
#include "store/scan_memory.h"
#include "store/snapshot.h"
#include "views/item_actions.h"

namespace tw {

// Why a saved scan was refused, as the command line says it: "扫描存档已损坏。",
// "扫描存档不完整。", "扫描存档来自更新的版本，无法读取。" or "内存不足。".
const wchar_t* SnapshotProblemText(SnapshotProblem problem);

// The window's line for a file it could not open, as the command line
// words it: "错误: " reason " (" path ": " detail ")"; a file that is no
// saved scan at all is "不是扫描存档。".
std::wstring OpenFailureLine(const SnapshotError& error, std::wstring_view path);

// The file name of a path: what follows its last "\" or "/".
std::wstring_view FileNameOf(std::wstring_view path);

// The time a scan was made (seconds since 1970, UTC) as the window shows
// times, "2026/12/7 09:30:05" in local time; "" when unknown (0 or less).
std::wstring ScanTimeText(std::int64_t scanned_at);

// The status line of a saved scan opened:
// "已打开 扫描记录.twsnap (2026/12/7 09:30:05) · 345 文件 · 32 文件夹", the time
// left out when the file does not know it, " · 3 条记录无法读取" after it when
// the scan could not read records.
std::wstring OpenedStatus(std::wstring_view file_name, const ScanResult& result);

// "正在打开 扫描记录.twsnap...", "正在保存 扫描记录.csv...".
std::wstring OpeningStatus(std::wstring_view file_name);
std::wstring SavingStatus(std::wstring_view file_name);
// The status line after a save: the line it was shown over, then
// " · 已保存 扫描记录.csv" (the last line stays readable, and a second save
// says only itself).
std::wstring SavedStatus(std::wstring_view line, std::wstring_view file_name);

// A save that failed: "无法保存。 (" path ": " the system's words ")".
std::wstring SaveFailureLine(std::wstring_view path, std::wstring_view reason);

// The one line the 变化 page shows when there is nothing to compare: after
// the first scan of a volume, after a remembered scan that could not be
// read, and for an opened saved scan whose volume has no remembered scan
// on this machine.
const wchar_t* ChangePageMessage(PreviousScan previous, ResultOrigin origin);

}  // namespace tw
