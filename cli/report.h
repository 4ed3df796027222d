#pragma once
// The default output of tarnwick-scan: the summary line, the folder tree, the
// largest extensions and the largest files, as aligned text.

#include <cstdint>
#include <ostream>
#include <string>

#include "model/scan_result.h"

namespace tw {

inline constexpr std::size_t kReportExtensions = 20;
inline constexpr std::size_t kReportFiles = 20;

// The main window's summary line after a scan, from "扫描完成 " to " 文件夹"
// (the hint about the tree's triangles belongs to the window, not here).
std::string SummaryLine(const ScanResult& result);
// "警告: 3 条记录无法读取 (字节 1048576-1049599, ...)": the count of MFT records
// the scan could not read and the volume bytes they lie in (the first eight
// ranges); "" when every record was read.
std::string UnreadableWarning(const ScanResult& result);

// Rows deeper than this are indented no further: their name carries the
// level instead, "[57] name".
inline constexpr std::int32_t kReportIndentLevels = 32;

// The folder tree as the folder list shows it with every folder open down to
// depth levels below the root: folder rows and "[直接文件]" rows, ordered by
// size, with share of parent, size, allocated size and items. Names are
// indented two blanks a level, up to kReportIndentLevels, so the text grows
// with the rows it holds and never with the depth of the tree.
std::string FolderTreeTable(const ScanResult& result, std::int32_t depth);

// The first kReportExtensions extensions of the result with size, share of
// the volume and file count.
std::string ExtensionTable(const ScanResult& result);

// The first kReportFiles non-empty files of the result's largest files.
std::string LargestFilesTable(const ScanResult& result);

// All of the above, separated by blank lines.
void WriteTextReport(const ScanResult& result, std::int32_t depth, std::ostream& out);

}  // namespace tw
