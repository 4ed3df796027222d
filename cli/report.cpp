#include "cli/report.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string_view>
#include <vector>

#include "cli/text_table.h"
#include "format/format.h"
#include "format/utf.h"
#include "texts/texts.h"
#include "views/extension_list.h"
#include "views/file_view.h"
#include "views/folder_row_order.h"
#include "views/folder_rows.h"
#include "views/status_texts.h"

namespace tw {
namespace {

std::string Utf8(const std::wstring& text) { return Utf16ToUtf8(text); }

// The cells as the folder list words them (views/folder_rows.cpp).
std::string SizeCell(std::int64_t bytes) { return Utf8(FormatSize(static_cast<std::uint64_t>(bytes))); }

std::string CountCell(std::int64_t n) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  return Utf8(FormatCount(static_cast<std::int32_t>(std::clamp(n, kMin, kMax))));
}

std::string ShareCell(std::int64_t part, std::int64_t whole) {
  return Utf8(FormatPercent(whole <= 0 ? 0.0 : static_cast<double>(part) * 100.0 / static_cast<double>(whole)));
}

// The name cell of a row `depth` levels below the root: two blanks a level
// up to kReportIndentLevels, then the level itself, so that no row is wider
// than a name and that much indentation.
std::string IndentedName(std::int32_t depth, const std::string& name) {
  const std::int32_t indent = std::min(depth, kReportIndentLevels);
  std::string cell(static_cast<std::size_t>(indent) * 2, ' ');
  if (depth > kReportIndentLevels) cell += "[" + std::to_string(depth) + "] ";
  return cell + name;
}

void AddFolderRow(TextTable& table, const ScanResult& result, const DirNode& folder, std::int32_t depth) {
  // The share of the folder the tree hangs it under; 100% without one.
  const DirNode* parent = folder.tree_parent_id > 0 ? result.FindFolder(folder.tree_parent_id) : nullptr;
  table.AddRow({IndentedName(depth, TerminalText(result.NameText(folder))),
                parent == nullptr ? Utf8(FormatPercent(100.0)) : ShareCell(folder.total_alloc, parent->total_alloc),
                SizeCell(folder.total_size), SizeCell(folder.total_alloc),
                CountCell(std::int64_t{folder.total_file_count} + folder.total_folder_count)});
}

void AddDirectFilesRow(TextTable& table, const DirNode& folder, std::int32_t depth) {
  table.AddRow({IndentedName(depth, Utf8(text::kDirectFiles)), ShareCell(folder.direct_alloc, folder.total_alloc),
                SizeCell(folder.direct_size), SizeCell(folder.direct_alloc), CountCell(folder.direct_file_count)});
}

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
  TextTable table({Align::kLeft, Align::kRight, Align::kRight, Align::kRight, Align::kRight});
  table.AddRow({Utf8(text::kColumnFolder), Utf8(text::kColumnParentShare), Utf8(text::kColumnSize),
                Utf8(text::kColumnAllocated), Utf8(text::kColumnItems)});
  const DirNode* root = result.FindFolder(kRootId);
  if (root == nullptr) return table.Render();

  // The rows the folder list shows with every folder open down to `depth`,
  // in its order (by size, the largest first), walked once: each folder is
  // shown once, at its first place, as the list shows it.
  struct Open {
    const DirNode* folder;
    std::vector<FolderEntry> entries;
    std::size_t next = 0;
    std::int32_t depth = 0;
  };
  std::vector<bool> seen(result.folders.size(), false);  // by index into folders
  const auto mark = [&](const DirNode& folder) {
    std::vector<bool>::reference bit = seen[static_cast<std::size_t>(&folder - result.folders.data())];
    const bool first = !bit;
    bit = true;
    return first;
  };
  std::vector<Open> open;
  const auto emit = [&](const DirNode& folder, std::int32_t row_depth, bool is_root) {
    if (!mark(folder)) return;
    AddFolderRow(table, result, folder, row_depth);
    // The root is always open; below it, folders with something to show.
    const bool expandable = is_root || !result.Children(folder).empty() || folder.direct_file_count > 0;
    if (row_depth >= depth || !expandable) return;
    open.push_back({&folder, OrderFolderEntries(result, folder, kFolderColumnSize, false), 0, row_depth});
  };
  emit(*root, 0, true);
  while (!open.empty()) {
    Open& top = open.back();
    if (top.next == top.entries.size()) {
      open.pop_back();
      continue;
    }
    const FolderEntry entry = top.entries[top.next++];
    const std::int32_t row_depth = top.depth + 1;
    if (entry.folder != nullptr) {
      emit(*entry.folder, row_depth, false);  // `top` may dangle from here
    } else {
      AddDirectFilesRow(table, *top.folder, row_depth);
    }
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
