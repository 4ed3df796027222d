#pragma once
// What the window's status line and progress bar show for the engine's
// progress reports and failure codes. The command line's progress line shows
// the same.

#include <cstdint>
#include <string>

#include "scan/scan_progress.h"

namespace tw {

// The progress-bar position of a report: 1 opening, 5 reading the MFT, 10 when
// the slices start, 10 + 78 x done / total (at most 88) while they run, then
// 90, 91 and 92.
std::int32_t ScanProgressValue(const ScanProgress& progress);

// The status text of a report:
//   "正在打开 NTFS 卷...", "正在读取 MFT...",
//   "MFT " + whole MiB + " MB · " + threads + " 线程并行解析",
//   "并行解析: " + min(done, total) + " / " + total,
//   "解析 ATTRIBUTE_LIST 溢出属性...", "合并扩展 MFT 记录...", "构建目录树...".
std::wstring ScanProgressText(const ScanProgress& progress);

// "错误: " and the window's message for a failure: every failure to open the
// volume asks for administrator rights, as the window has always said, but
// a boot sector the system cannot read is named as such.
std::wstring ScanErrorLine(ScanError error);

}  // namespace tw
