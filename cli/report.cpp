#include "cli/report.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "cli/text_table.h"
#include "format/format.h"
#include "format/utf.h"
#include "views/folder_rows.h"
#include "views/status_texts.h"

namespace tw {
namespace {

// The window's success line ends with a hint about its tree's triangles.
constexpr std::wstring_view kWindowHint = L" · 单击三角展开";

std::string Utf8(const std::wstring& text) { return Utf16ToUtf8(text); }

// The share column exactly as the folder list draws it: "%.1f%%" of the
// share, capped at 100.
std::string ShareText(double percent) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f%%", std::min(percent, 100.0));
  return buffer;
}

}  // namespace

std::string SummaryLine(const ScanResult& result) {
  std::wstring line = ScanSuccessText(result);
  if (line.size() >= kWindowHint.size() &&
      std::wstring_view(line).substr(line.size() - kWindowHint.size()) == kWindowHint) {
    line.resize(line.size() - kWindowHint.size());
  }
  return Utf8(line);
}

std::string FolderTreeTable(const ScanResult& result, std::int32_t depth) {
  FolderRowModel model;
  model.ResetForResult(&result);  // the root alone is open, children by size
  // Opening a folder only adds rows below its own, so one pass from the top
  // opens every folder above the requested depth.
  for (std::size_t i = 0; i < model.RowCount(); ++i) {
    const FolderRow& row = *model.RowAt(static_cast<std::int64_t>(i));
    if (row.is_direct_files || row.is_file || row.depth >= depth || !row.expandable) continue;
    if (!model.IsRowOpen(row)) model.ToggleFolder(row.id);
  }

  TextTable table({Align::kLeft, Align::kRight, Align::kRight, Align::kRight, Align::kRight});
  table.AddRow({"文件夹", "占父目录 %", "大小", "分配", "项目"});
  for (std::size_t i = 0; i < model.RowCount(); ++i) {
    const auto index = static_cast<std::int64_t>(i);
    const FolderRow& row = *model.RowAt(index);
    if (row.is_file || row.depth > depth) continue;
    std::string name(static_cast<std::size_t>(row.depth) * 2, ' ');
    name += TerminalText(model.CellText(index, kFolderColumnName));
    table.AddRow({name, ShareText(model.ParentPercent(index)), Utf8(model.CellText(index, kFolderColumnSize)),
                  Utf8(model.CellText(index, kFolderColumnAlloc)), Utf8(model.CellText(index, kFolderColumnItems))});
  }
  return table.Render();
}

std::string ExtensionTable(const ScanResult& result) {
  // Shares of the volume's logical size, as the extension list computes them.
  const double total = result.root_total_size > 0 ? static_cast<double>(result.root_total_size) : 1.0;
  TextTable table({Align::kLeft, Align::kRight, Align::kRight, Align::kRight});
  table.AddRow({"扩展名", "大小", "占比", "文件数"});
  const std::size_t count = std::min(result.extensions.size(), kReportExtensions);
  for (std::size_t i = 0; i < count; ++i) {
    const ExtStat& ext = result.extensions[i];
    table.AddRow({TerminalText(ext.extension), Utf8(FormatSize(static_cast<std::uint64_t>(ext.total_size))),
                  Utf8(FormatPercent(static_cast<double>(ext.total_size) * 100.0 / total)),
                  Utf8(FormatCount(ext.file_count))});
  }
  return table.Render();
}

std::string LargestFilesTable(const ScanResult& result) {
  TextTable table({Align::kLeft, Align::kRight, Align::kRight, Align::kLeft, Align::kLeft, Align::kLeft});
  table.AddRow({"文件名", "大小", "分配", "扩展名", "修改时间", "路径"});
  std::size_t shown = 0;
  for (const FileEntry& file : result.largest_files) {
    if (shown == kReportFiles) break;
    if (file.size == 0) continue;  // empty files are not shown, as in the file view
    table.AddRow({TerminalText(file.name), Utf8(FormatSize(static_cast<std::uint64_t>(file.size))),
                  Utf8(FormatSize(static_cast<std::uint64_t>(file.alloc))), TerminalText(file.extension),
                  Utf8(FormatFileTime(file.mtime)), TerminalText(file.folder_path)});
    ++shown;
  }
  return table.Render();
}

void WriteTextReport(const ScanResult& result, std::int32_t depth, std::ostream& out) {
  out << SummaryLine(result) << "\n\n"
      << FolderTreeTable(result, depth) << '\n'
      << ExtensionTable(result) << '\n'
      << LargestFilesTable(result);
}

}  // namespace tw
