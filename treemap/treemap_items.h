#pragma once
// The items of the treemap for one folder, their colours, and the decisions
// the treemap window makes about them: which cell the mouse is over, which
// cursor it shows, where a double-click leads and how a cell is labelled.
// Everything here is decided without a window; the Win32 window only paints
// what these functions return.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/colour.h"
#include "base/geometry.h"
#include "model/scan_result.h"
#include "treemap/squarify.h"

namespace tw {

struct TreemapItem {
  std::wstring name;       // folder name, file name, or "[直接文件]"
  std::int64_t size = 0;   // the layout weight and the size in the label
  std::int64_t id = 0;     // folder item: the child folder; otherwise the folder whose files these are
  bool is_folder = false;  // can be entered (hand cursor, double-click navigates)
  bool is_direct_files = false;
  bool is_file = false;
  std::uint64_t file_index = 0;  // file items: position among the folder's files (ScanResult::Files)
  Colour colour = 0;
};

// Rebuilds items for the folder shown (folder_id; an id that is not a known
// folder shows the root) and the files-mode flag. Without files mode: the
// child folders largest first, then one "[直接文件]" item when the folder
// holds files directly; a folder without child folders but with a non-empty
// file list switches to files mode by itself. Returns the files-mode flag the
// caller must store (the input flag, or true after that switch).
bool RebuildTreemapItems(const ScanResult& result, std::int64_t folder_id, bool show_files,
                         std::vector<TreemapItem>& items);

// Appends one item per file of size > 0 of the folder, largest first, colour
// counter from `counter` upwards. A folder without a file list adds nothing.
// Returns the counter after the last item.
std::uint64_t AddFileItems(const ScanResult& result, std::int64_t folder_id, std::uint64_t counter,
                           std::vector<TreemapItem>& items);

// SquarifyLayout over the items' sizes.
void LayoutTreemapItems(const Rect& client, const std::vector<TreemapItem>& items, std::vector<TreemapCell>& cells);

// The index of the item under (x, y): the first cell in layout order that
// contains the point; a cell whose index is not below item_count is no hit.
std::optional<std::size_t> HitTestTreemap(const std::vector<TreemapCell>& cells, std::size_t item_count, std::int32_t x,
                                          std::int32_t y);

// Lays the items out in client and hit-tests the point.
std::optional<std::size_t> HitTestTreemap(const Rect& client, const std::vector<TreemapItem>& items, std::int32_t x,
                                          std::int32_t y);

// The hand cursor shows over items that can be entered: folders that are
// not files (including "[直接文件]").
bool ShowsHandCursor(const TreemapItem& item);

// Where a double-click on an item leads: {folder id, files mode} for
// navigation, nothing for files and folders that cannot be entered.
struct TreemapTarget {
  std::int64_t folder_id = 0;
  bool show_files = false;
  friend bool operator==(const TreemapTarget&, const TreemapTarget&) = default;
};
std::optional<TreemapTarget> DoubleClickTarget(const TreemapItem& item);

// The tooltip of item `index`: its name, then on a second line its size (the
// weight drawn), its allocated bytes and its share of all the items'
// weights, "大小 1.20 MB · 分配 1.25 MB · 占比 12.5%". "" for an index out of
// range.
std::wstring TreemapTooltipText(const ScanResult& result, const std::vector<TreemapItem>& items, std::size_t index);

// ---- Cell labels ----------------------------------------------------------

// A cell shows a label only where its text fits, line_height being the
// font's: two lines (name, size) from a height of 30 up when each half of
// the text rectangle holds a line, else one line "name (size)" when the text
// rectangle does, else none; never below 24 x 14.
enum class TreemapLabelKind { kNone, kOneLine, kTwoLines };
TreemapLabelKind TreemapLabelFor(std::int32_t width, std::int32_t height, std::int32_t line_height);

// What to draw in a cell as text: up to two single-line, left- and
// top-aligned texts ending in an ellipsis when cut, white on the fill.
struct TreemapLabel {
  TreemapLabelKind kind = TreemapLabelKind::kNone;
  std::wstring first;  // "name (size)" or the name
  Rect first_rect;
  std::wstring second;  // the size text of a two-line label
  Rect second_rect;
};
TreemapLabel TreemapLabelOf(const TreemapCell& cell, const TreemapItem& item, std::int32_t line_height);

// Each cell is outlined in white (1 px) so that neighbours stand apart, but
// only from kOutlineMinSide on both sides: in a smaller cell the outline
// would cover most of the colour, and a folder of thousands of small files
// would paint a white panel.
inline constexpr std::int32_t kOutlineMinSide = 8;
bool HasOutline(const TreemapCell& cell);

// The cell painting rule: a cell is drawn when both sides are positive and
// its index names an item.
bool IsDrawableCell(const TreemapCell& cell, std::size_t item_count);

}  // namespace tw
