#include "cli/report.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/text_table.h"
#include "format/format.h"
#include "format/utf.h"
#include "texts/texts.h"
#include "views/extension_list.h"
#include "views/file_view.h"
#include "views/folder_rows.h"
#include "views/status_texts.h"

namespace tw {
namespace {

std::string Utf8(const std::wstring& text) { return Utf16ToUtf8(text); }

}  // namespace

std::string SummaryLine(const ScanResult& result) { return Utf8(ScanSummary(result) + UnreadableSuffix(result)); }

std::string UnreadableWarning(const ScanResult& result) {
  if (result.unreadable_records <= 0) return {};
  constexpr std::size_t kRangesShown = 8;
  std::string line = Utf8(text::kWarningPrefix) + std::to_string(result.unreadable_records) +
                     Utf8(text::kStatusUnreadable) + Utf8(text::kWarningBytes);
  for (std::size_t k = 0; k < result.unreadable_ranges.size() && k < kRangesShown; ++k) {
    const ByteRange& range = result.unreadable_ranges[k];
    if (k > 0) line += ", ";
    line += std::to_string(range.offset) + "-" + std::to_string(range.offset + range.length - 1);
  }
  if (result.unreadable_ranges.size() > kRangesShown) line += ", ...";
  return line + ")";
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
  table.AddRow({Utf8(text::kColumnFolder), Utf8(text::kColumnParentShare), Utf8(text::kColumnSize),
                Utf8(text::kColumnAllocated), Utf8(text::kColumnItems)});
  for (std::size_t i = 0; i < model.RowCount(); ++i) {
    const auto index = static_cast<std::int64_t>(i);
    const FolderRow& row = *model.RowAt(index);
    if (row.is_file || row.depth > depth) continue;
    std::string name(static_cast<std::size_t>(row.depth) * 2, ' ');
    name += TerminalText(model.CellText(index, kFolderColumnName));
    table.AddRow({name, Utf8(FormatPercent(model.ParentPercent(index))), Utf8(model.CellText(index, kFolderColumnSize)),
                  Utf8(model.CellText(index, kFolderColumnAlloc)), Utf8(model.CellText(index, kFolderColumnItems))});
  }
  return table.Render();
}

std::string ExtensionTable(const ScanResult& result) {
  // Cells as the extension list shows them; share = of the volume's size.
  TextTable table({Align::kLeft, Align::kRight, Align::kRight, Align::kRight});
  std::vector<std::string> header;
  for (const ListColumn& column : kExtensionListColumns) header.push_back(Utf8(column.header));
  table.AddRow(header);
  std::size_t shown = 0;
  for (const ExtStat& ext : result.extensions) {
    if (shown == kReportExtensions) break;
    if (ext.total_size == 0 && ext.file_count == 0) continue;  // not listed by the window either
    table.AddRow({TerminalText(ExtensionCellText(result, ext, 0)), Utf8(ExtensionCellText(result, ext, 1)),
                  Utf8(ExtensionCellText(result, ext, 2)), Utf8(ExtensionCellText(result, ext, 3))});
    ++shown;
  }
  return table.Render();
}

std::string LargestFilesTable(const ScanResult& result) {
  // The file view's columns with the path moved last, where its length
  // does not push the others apart: name, size, allocated, extension,
  // modified, path.
  constexpr std::int32_t kOrder[] = {0, 3, 4, 2, 5, 1};
  TextTable table({Align::kLeft, Align::kRight, Align::kRight, Align::kLeft, Align::kLeft, Align::kLeft});
  std::vector<std::string> header;
  for (const std::int32_t column : kOrder) header.push_back(Utf8(kFileViewColumns[column].header));
  table.AddRow(header);
  std::size_t shown = 0;
  for (const std::uint32_t index : result.largest_files) {
    if (shown == kReportFiles) break;
    if (index >= result.files.size()) continue;
    const FileItem& file = result.files[index];
    if (file.size == 0) continue;  // empty files are not shown, as in the file view
    std::vector<std::string> cells;
    for (const std::int32_t column : kOrder) cells.push_back(TerminalText(FileViewCellText(result, file, column)));
    table.AddRow(std::move(cells));
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
