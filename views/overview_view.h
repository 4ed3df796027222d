#pragma once
// Pointing at the 全景 page's picture: which cell lies under a point, what
// its item is, what the tip over it says, which cells are outlined, and
// where a double-click, Enter or the shell's menu lead. Everything works on
// the cells the picture was laid out with; nothing is laid out again.
//
// Pure logic: no window-system calls. Points are in the picture's pixels.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/geometry.h"
#include "model/result_generation.h"
#include "treemap/nested_treemap.h"
#include "views/overview_picture.h"

namespace tw {

// A picture the page shows, with the generation it was made from.
struct OverviewShown {
  ResultGeneration generation;  // never null
  OverviewRequest request;
  NestedLayout layout;
};

// What a cell shows, the same in every layout of one generation.
struct OverviewItem {
  NestedCellKind kind = NestedCellKind::kFolder;
  std::uint32_t index = 0;  // folder: into folders; file: into files; merged: its folder's index
  friend bool operator==(const OverviewItem&, const OverviewItem&) = default;
};

// The cell under the point: the deepest one that contains it (left and top
// edges inside, right and bottom outside). Where a folder's own cells leave
// a seam uncovered, the folder's cell; none outside the top cell.
std::optional<std::uint32_t> HitTestNested(const NestedLayout& layout, std::int32_t x, std::int32_t y);

OverviewItem ItemOfCell(const NestedLayout& layout, std::uint32_t cell);
// The cell showing the item in this layout; none when it was not drawn.
std::optional<std::uint32_t> CellOfItem(const NestedLayout& layout, const OverviewItem& item);

// The tip over a cell: the item's full path, then "大小 … · 分配 … · 占比 …"
// with its share of the volume's bytes; over a grey cell the folder's path,
// then "(N 个较小的项目, 共 X)".
std::wstring OverviewTooltip(const ScanResult& result, const NestedLayout& layout, std::uint32_t cell);

// The item's full path: a folder's (C:\ for the root) or a file's.
std::wstring OverviewItemPath(const ScanResult& result, const OverviewItem& item);

// Where the folder list shows an item: its folder, and for a file its
// position among that folder's files.
struct TreeTarget {
  std::int64_t folder_id = kRootId;
  std::optional<std::uint64_t> file_position;
  friend bool operator==(const TreeTarget&, const TreeTarget&) = default;
};
TreeTarget TreeTargetOf(const ScanResult& result, const OverviewItem& item);

// The folder a double-click on the item zooms into: a folder's cell the
// folder, a file or a grey cell the folder it lies in.
std::int64_t ZoomTargetOf(const ScanResult& result, const OverviewItem& item);

// The hover and the selection over the picture shown.
class OverviewPointer {
 public:
  // A new picture: the hover goes; the selection stays when the picture is
  // of the same generation, outlined where the new layout drew its item.
  void Show(std::shared_ptr<const OverviewShown> shown);
  // A new generation handed over: nothing is selected.
  void ClearSelection();

  // The mouse at a point (or gone); true when the cell under it changed.
  bool MoveTo(std::int32_t x, std::int32_t y);
  bool Leave();
  // A click: the item under the point becomes the selection (a click
  // outside the cells leaves it). True when the selection changed.
  bool Select(std::int32_t x, std::int32_t y);

  const std::shared_ptr<const OverviewShown>& shown() const { return shown_; }
  std::optional<std::uint32_t> hovered() const { return hovered_; }
  // The selection and the generation it was made in.
  const std::optional<OverviewItem>& selected() const { return selected_; }
  const ResultGeneration& selected_generation() const { return selected_generation_; }

  // The hovered item's folder cell (the cell itself for a folder), and the
  // selected item's cell, where drawn.
  std::optional<Rect> HoverOutline() const;
  std::optional<Rect> SelectionOutline() const;
  // The tip for the hovered cell; "" without one.
  std::wstring HoverTip() const;
  // The folder a double-click at the point zooms into; none off the cells.
  std::optional<std::int64_t> DoubleClickTarget(std::int32_t x, std::int32_t y) const;

 private:
  std::shared_ptr<const OverviewShown> shown_;
  std::optional<std::uint32_t> hovered_;
  std::optional<OverviewItem> selected_;
  ResultGeneration selected_generation_;
  std::optional<std::uint32_t> selected_cell_;  // in shown_'s layout
};

}  // namespace tw
