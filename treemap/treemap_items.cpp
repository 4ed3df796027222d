#include "treemap/treemap_items.h"

#include <algorithm>
#include <span>

#include "format/format.h"
#include "texts/texts.h"

namespace tw {
namespace {

// Ids that are zero or negative stand for the root.
std::int64_t Normalised(std::int64_t id) { return id > 0 ? id : kRootId; }

bool HasDirectFiles(const DirNode& node) { return node.direct_file_count > 0 || node.direct_size > 0; }

bool HasFileList(const ScanResult& result, std::int64_t folder_id) { return !result.FindFiles(folder_id).empty(); }

void AddFolderItems(const ScanResult& result, const DirNode& folder, std::vector<TreemapItem>& items) {
  const std::span<const std::int64_t> child_ids = result.Children(folder);
  std::vector<const DirNode*> children;
  children.reserve(child_ids.size());
  for (std::int64_t id : child_ids) {
    // Exact lookup: a corrupt child id of 0 must not stand for the root here.
    const DirNode* child = id > 0 ? result.FindFolder(id) : nullptr;
    if (child != nullptr) children.push_back(child);
  }
  std::sort(children.begin(), children.end(),
            [](const DirNode* a, const DirNode* b) { return a->total_size > b->total_size; });

  std::uint64_t n = 0;
  for (const DirNode* c : children) {
    const bool has_children = !result.Children(*c).empty();
    if (!(c->total_size > 0 || has_children || HasDirectFiles(*c))) continue;
    TreemapItem item;
    item.name = result.NameText(*c);
    item.size = std::max<std::int64_t>(c->total_size, 1);
    item.id = c->id;
    item.is_folder = has_children || HasFileList(result, c->id);
    item.colour = PaletteColour(n++);
    items.push_back(std::move(item));
  }

  if (HasDirectFiles(folder)) {
    TreemapItem item;
    item.name = text::kDirectFiles;
    item.size = std::max<std::int64_t>(folder.direct_size, 1);
    item.id = folder.id;
    item.is_folder = true;
    item.is_direct_files = true;
    item.colour = PaletteColour(n);
    items.push_back(std::move(item));
  }
}

}  // namespace

bool RebuildTreemapItems(const ScanResult& result, std::int64_t folder_id, bool show_files,
                         std::vector<TreemapItem>& items) {
  items.clear();
  // A folder the result does not hold shows the root.
  const std::int64_t f = result.FindFolder(folder_id) != nullptr ? Normalised(folder_id) : kRootId;
  const DirNode* folder = result.FindFolder(f);

  if (show_files) {
    AddFileItems(result, f, 0, items);
    return true;
  }
  if (folder == nullptr) return false;  // no result yet: nothing to show

  AddFolderItems(result, *folder, items);

  // A folder without child folders shows its files at once.
  if (result.Children(*folder).empty() && HasDirectFiles(*folder) && HasFileList(result, f)) {
    items.clear();
    AddFileItems(result, f, 0, items);
    return true;
  }
  return false;
}

std::uint64_t AddFileItems(const ScanResult& result, std::int64_t folder_id, std::uint64_t counter,
                           std::vector<TreemapItem>& items) {
  const std::span<const FileItem> files = result.FindFiles(folder_id);

  std::vector<std::size_t> order(files.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [files](std::size_t a, std::size_t b) { return files[a].size > files[b].size; });

  for (std::size_t position : order) {
    const FileItem& file = files[position];
    if (file.size <= 0) continue;
    TreemapItem item;
    item.name = result.NameText(file);
    item.size = file.size;
    item.id = Normalised(folder_id);
    item.is_file = true;
    item.file_index = position;
    item.colour = PaletteColour(counter++);
    items.push_back(std::move(item));
  }
  return counter;
}

void LayoutTreemapItems(const Rect& client, const std::vector<TreemapItem>& items, std::vector<TreemapCell>& cells) {
  std::vector<std::int64_t> weights;
  weights.reserve(items.size());
  for (const TreemapItem& item : items) weights.push_back(item.size);
  SquarifyLayout(client, weights, cells);
}

std::optional<std::size_t> HitTestTreemap(const std::vector<TreemapCell>& cells, std::size_t item_count, std::int32_t x,
                                          std::int32_t y) {
  for (const TreemapCell& cell : cells) {
    if (!cell.Bounds().Contains(x, y)) continue;
    if (cell.item_index >= item_count) return std::nullopt;
    return static_cast<std::size_t>(cell.item_index);
  }
  return std::nullopt;
}

std::optional<std::size_t> HitTestTreemap(const Rect& client, const std::vector<TreemapItem>& items, std::int32_t x,
                                          std::int32_t y) {
  std::vector<TreemapCell> cells;
  LayoutTreemapItems(client, items, cells);
  return HitTestTreemap(cells, items.size(), x, y);
}

bool ShowsHandCursor(const TreemapItem& item) { return item.is_folder && !item.is_file; }

std::optional<TreemapTarget> DoubleClickTarget(const TreemapItem& item) {
  if (item.is_direct_files) return TreemapTarget{item.id, true};
  if (item.is_folder && !item.is_file) return TreemapTarget{item.id, false};
  return std::nullopt;
}

namespace {

// The allocated bytes behind an item, as the folder list counts them.
std::int64_t AllocatedOf(const ScanResult& result, const TreemapItem& item) {
  const DirNode* folder = result.FindFolder(Normalised(item.id));
  if (folder == nullptr) return 0;
  if (item.is_file) {
    const std::span<const FileItem> files = result.Files(*folder);
    if (item.file_index >= files.size()) return 0;
    const FileItem& file = files[static_cast<std::size_t>(item.file_index)];
    return file.alloc >= 0 ? file.alloc : std::max<std::int64_t>(file.size, 0);
  }
  return item.is_direct_files ? folder->direct_alloc : folder->total_alloc;
}

}  // namespace

std::wstring TreemapTooltipText(const ScanResult& result, const std::vector<TreemapItem>& items, std::size_t index) {
  if (index >= items.size()) return std::wstring();
  const TreemapItem& item = items[index];
  double total = 0;
  for (const TreemapItem& each : items) total += static_cast<double>(std::max<std::int64_t>(each.size, 0));
  const double share = total > 0 ? static_cast<double>(std::max<std::int64_t>(item.size, 0)) * 100.0 / total : 0.0;
  std::wstring text = item.name;
  text += L'\n';
  text += text::kTooltipSize;
  text += FormatSize(static_cast<std::uint64_t>(std::max<std::int64_t>(item.size, 0)));
  text += text::kTooltipAllocated;
  text += FormatSize(static_cast<std::uint64_t>(std::max<std::int64_t>(AllocatedOf(result, item), 0)));
  text += text::kTooltipShare;
  text += FormatPercent(share);
  return text;
}

TreemapLabelKind TreemapLabelFor(std::int32_t width, std::int32_t height, std::int32_t line_height) {
  if (width < 24 || height < 14) return TreemapLabelKind::kNone;
  // The text rectangle is the cell less 2 above and below; of two lines, the
  // name takes half the cell's height from the text's top, the size the rest.
  const std::int32_t one_line = height - 4;
  const std::int32_t upper = height / 2;
  const std::int32_t lower = one_line - upper;
  if (height >= 30 && upper >= line_height && lower >= line_height) return TreemapLabelKind::kTwoLines;
  return one_line >= line_height ? TreemapLabelKind::kOneLine : TreemapLabelKind::kNone;
}

TreemapLabel TreemapLabelOf(const TreemapCell& cell, const TreemapItem& item, std::int32_t line_height) {
  TreemapLabel label;
  const std::int32_t height = cell.bottom - cell.top;
  label.kind = TreemapLabelFor(cell.right - cell.left, height, line_height);
  if (label.kind == TreemapLabelKind::kNone) return label;

  const Rect text{cell.left + 4, cell.top + 2, cell.right - 4, cell.bottom - 2};
  const std::wstring size_text = FormatSize(static_cast<std::uint64_t>(item.size));
  if (label.kind == TreemapLabelKind::kOneLine) {
    label.first = item.name + L" (" + size_text + L")";
    label.first_rect = text;
    return label;
  }
  const std::int32_t split = text.top + height / 2;
  label.first = item.name;
  label.first_rect = Rect{text.left, text.top, text.right, split};
  label.second = size_text;
  label.second_rect = Rect{text.left, split, text.right, text.bottom};
  return label;
}

bool HasOutline(const TreemapCell& cell) {
  return cell.right - cell.left >= kOutlineMinSide && cell.bottom - cell.top >= kOutlineMinSide;
}

bool IsDrawableCell(const TreemapCell& cell, std::size_t item_count) {
  return cell.item_index < item_count && cell.right - cell.left > 0 && cell.bottom - cell.top > 0;
}

}  // namespace tw
