#include "views/overview_view.h"

#include <utility>

#include "format/format.h"
#include "texts/texts.h"
#include "views/file_view.h"

namespace tw {
namespace {

std::wstring Figures(const ScanResult& result, std::int64_t size, std::int64_t alloc) {
  const double volume = result.root_total_size > 0 ? static_cast<double>(result.root_total_size) : 1.0;
  return std::wstring(text::kTooltipSize) + FormatSize(static_cast<std::uint64_t>(size)) + text::kTooltipAllocated +
         FormatSize(static_cast<std::uint64_t>(alloc)) + text::kTooltipShare +
         FormatPercent(static_cast<double>(size) * 100.0 / volume);
}

std::wstring FolderPath(const ScanResult& result, std::uint32_t folder) {
  return folder < result.folders.size() ? BuildFolderPath(result, result.folders[folder].id, result.drive)
                                        : std::wstring();
}

}  // namespace

std::optional<std::uint32_t> HitTestNested(const NestedLayout& layout, std::int32_t x, std::int32_t y) {
  const std::vector<NestedCell>& cells = layout.cells;
  if (cells.empty() || !cells.front().rect.Contains(x, y)) return std::nullopt;
  std::uint32_t at = 0;
  // Each step goes one level down, so the walk ends within as many steps as there are cells.
  for (std::size_t step = 0; step < cells.size(); ++step) {
    const NestedCell& cell = cells[at];
    if (cell.kind != NestedCellKind::kFolder) return at;
    const std::uint64_t end = std::uint64_t{cell.first_child} + cell.child_count;
    if (cell.first_child <= at || end > cells.size()) return at;
    std::optional<std::uint32_t> inner;
    for (std::uint32_t i = cell.first_child; i < end; ++i) {
      if (cells[i].rect.Contains(x, y)) {
        inner = i;
        break;
      }
    }
    if (!inner) return at;  // a seam between its cells
    at = *inner;
  }
  return at;
}

OverviewItem ItemOfCell(const NestedLayout& layout, std::uint32_t cell) {
  const NestedCell& c = layout.cells.at(cell);
  if (c.kind == NestedCellKind::kMerged) {
    return OverviewItem{c.kind, c.index < layout.merged.size() ? layout.merged[c.index].folder : 0};
  }
  return OverviewItem{c.kind, c.index};
}

std::optional<std::uint32_t> CellOfItem(const NestedLayout& layout, const OverviewItem& item) {
  for (std::uint32_t i = 0; i < layout.cells.size(); ++i) {
    if (layout.cells[i].kind == item.kind && ItemOfCell(layout, i) == item) return i;
  }
  return std::nullopt;
}

std::wstring OverviewTooltip(const ScanResult& result, const NestedLayout& layout, std::uint32_t cell) {
  if (cell >= layout.cells.size()) return {};
  const NestedCell& c = layout.cells[cell];
  switch (c.kind) {
    case NestedCellKind::kFile: {
      if (c.index >= result.files.size()) return {};
      const FileItem& file = result.files[c.index];
      return FileContextMenuPath(result, file) + L"\n" + Figures(result, file.size, file.alloc);
    }
    case NestedCellKind::kFolder: {
      if (c.index >= result.folders.size()) return {};
      const DirNode& folder = result.folders[c.index];
      return FolderPath(result, c.index) + L"\n" + Figures(result, folder.total_size, folder.total_alloc);
    }
    case NestedCellKind::kMerged: {
      if (c.index >= layout.merged.size()) return {};
      const MergedItems& merged = layout.merged[c.index];
      return FolderPath(result, merged.folder) + L"\n" + text::kMergedItemsLead + std::to_wstring(merged.count) +
             text::kMergedItemsCount + FormatSize(static_cast<std::uint64_t>(merged.size)) + text::kMergedItemsEnd;
    }
  }
  return {};
}

std::wstring OverviewItemPath(const ScanResult& result, const OverviewItem& item) {
  if (item.kind == NestedCellKind::kFile) {
    return item.index < result.files.size() ? FileContextMenuPath(result, result.files[item.index]) : std::wstring();
  }
  return FolderPath(result, item.index);
}

TreeTarget TreeTargetOf(const ScanResult& result, const OverviewItem& item) {
  TreeTarget target;
  if (item.kind == NestedCellKind::kFile) {
    if (item.index >= result.files.size()) return target;
    const FileItem& file = result.files[item.index];
    target.folder_id = result.FolderId(file);
    if (file.folder < result.folders.size() && item.index >= result.folders[file.folder].first_file) {
      target.file_position = item.index - result.folders[file.folder].first_file;
    }
    return target;
  }
  if (item.index < result.folders.size()) target.folder_id = result.folders[item.index].id;
  return target;
}

std::int64_t ZoomTargetOf(const ScanResult& result, const OverviewItem& item) {
  return TreeTargetOf(result, item).folder_id;
}

void OverviewPointer::Show(std::shared_ptr<const OverviewShown> shown) {
  shown_ = std::move(shown);
  hovered_.reset();
  selected_cell_.reset();
  if (shown_ == nullptr || shown_->generation != selected_generation_) {
    ClearSelection();
  } else if (selected_) {
    selected_cell_ = CellOfItem(shown_->layout, *selected_);
  }
}

void OverviewPointer::ClearSelection() {
  selected_.reset();
  selected_generation_.reset();
  selected_cell_.reset();
}

bool OverviewPointer::MoveTo(std::int32_t x, std::int32_t y) {
  const std::optional<std::uint32_t> cell = shown_ != nullptr ? HitTestNested(shown_->layout, x, y) : std::nullopt;
  if (cell == hovered_) return false;
  hovered_ = cell;
  return true;
}

bool OverviewPointer::Leave() {
  if (!hovered_) return false;
  hovered_.reset();
  return true;
}

bool OverviewPointer::Select(std::int32_t x, std::int32_t y) {
  if (shown_ == nullptr) return false;
  const std::optional<std::uint32_t> cell = HitTestNested(shown_->layout, x, y);
  if (!cell || cell == selected_cell_) return false;
  selected_ = ItemOfCell(shown_->layout, *cell);
  selected_generation_ = shown_->generation;
  selected_cell_ = cell;
  return true;
}

std::optional<Rect> OverviewPointer::HoverOutline() const {
  if (shown_ == nullptr || !hovered_) return std::nullopt;
  const NestedCell& cell = shown_->layout.cells[*hovered_];
  if (cell.kind == NestedCellKind::kFolder) return cell.rect;
  if (cell.parent >= shown_->layout.cells.size()) return std::nullopt;
  return shown_->layout.cells[cell.parent].rect;
}

std::optional<Rect> OverviewPointer::SelectionOutline() const {
  if (shown_ == nullptr || !selected_cell_) return std::nullopt;
  return shown_->layout.cells[*selected_cell_].rect;
}

std::wstring OverviewPointer::HoverTip() const {
  if (shown_ == nullptr || !hovered_) return {};
  return OverviewTooltip(*shown_->generation, shown_->layout, *hovered_);
}

std::optional<std::int64_t> OverviewPointer::DoubleClickTarget(std::int32_t x, std::int32_t y) const {
  if (shown_ == nullptr) return std::nullopt;
  const std::optional<std::uint32_t> cell = HitTestNested(shown_->layout, x, y);
  if (!cell) return std::nullopt;
  return ZoomTargetOf(*shown_->generation, ItemOfCell(shown_->layout, *cell));
}

}  // namespace tw
