#include "ui/cell_tips_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/control_window_win32.h"

namespace tw {
namespace {

struct CutCell {
  int left = 0;
  int right = 0;
  std::wstring text;
};

// Notes of more rows than this are pruned to the rows in view: a long scroll
// paints every row once, and no tooltip is asked for a row out of view.
constexpr std::size_t kRowsKept = 256;

struct ListNotes {
  std::unordered_map<int, std::vector<CutCell>> rows;  // the cut cells of each painted row
  std::unique_ptr<WindowTip> tip;
  const CutCell* shown = nullptr;  // the cell whose text the tip holds
};

std::unordered_map<HWND, ListNotes> g_lists;
HWND g_painting_list = nullptr;
int g_painting_item = -1;

void KeepRowsInView(HWND list, ListNotes& notes) {
  if (notes.rows.size() <= kRowsKept) return;
  const auto top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  const auto end = top + static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)) + 1;
  std::erase_if(notes.rows, [top, end](const auto& row) { return row.first < top || row.first > end; });
}

}  // namespace

void BeginRowNotes(HWND list, int item) {
  g_painting_list = list;
  g_painting_item = item;
  ListNotes& notes = g_lists[list];
  notes.shown = nullptr;  // the cells below may move or go
  notes.rows.erase(item);
  KeepRowsInView(list, notes);
}

void EndRowNotes() {
  g_painting_list = nullptr;
  g_painting_item = -1;
}

void NoteCellText(HDC dc, const RECT& cell, const RECT& room, std::wstring_view text) {
  if (g_painting_list == nullptr || text.empty()) return;
  SIZE size{};
  if (!GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size)) return;
  if (size.cx <= room.right - room.left) return;
  ListNotes& notes = g_lists[g_painting_list];
  notes.shown = nullptr;
  notes.rows[g_painting_item].push_back(CutCell{cell.left, cell.right, std::wstring(text)});
}

void ForgetCellNotes(HWND list) {
  const auto found = g_lists.find(list);
  if (found == g_lists.end()) return;
  found->second.rows.clear();
  found->second.shown = nullptr;
  if (found->second.tip) found->second.tip->SetText(std::wstring());
}

void FollowCellTip(HWND list, int item, int x, int dpi) {
  ListNotes& notes = g_lists[list];
  const CutCell* cell = nullptr;
  if (const auto row = notes.rows.find(item); row != notes.rows.end()) {
    const auto found = std::find_if(row->second.begin(), row->second.end(),
                                    [x](const CutCell& c) { return c.left <= x && x < c.right; });
    if (found != row->second.end()) cell = &*found;
  }
  if (cell == notes.shown) return;
  if (!notes.tip) {
    if (cell == nullptr) return;
    notes.tip = std::make_unique<WindowTip>();
    notes.tip->Create(list, MulDiv(600, dpi, 96));
  }
  notes.shown = cell;
  notes.tip->SetText(cell != nullptr ? cell->text : std::wstring());
}

}  // namespace tw
