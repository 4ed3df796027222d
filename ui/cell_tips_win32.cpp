#include "ui/cell_tips_win32.h"

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/control_window_win32.h"

namespace tw {
namespace {

struct CutCell {
  int item = -1;
  int left = 0;
  int right = 0;
  std::wstring text;
};

struct ListNotes {
  std::vector<CutCell> cells;
  std::unique_ptr<WindowTip> tip;
  const CutCell* shown = nullptr;  // the cell whose text the tip holds
};

std::unordered_map<HWND, ListNotes> g_lists;
HWND g_painting_list = nullptr;
int g_painting_item = -1;

}  // namespace

void BeginRowNotes(HWND list, int item) {
  g_painting_list = list;
  g_painting_item = item;
  ListNotes& notes = g_lists[list];
  notes.shown = nullptr;  // the vector below may move its cells
  std::erase_if(notes.cells, [item](const CutCell& cell) { return cell.item == item; });
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
  notes.cells.push_back(CutCell{g_painting_item, cell.left, cell.right, std::wstring(text)});
}

void ForgetCellNotes(HWND list) {
  const auto found = g_lists.find(list);
  if (found == g_lists.end()) return;
  found->second.cells.clear();
  found->second.shown = nullptr;
  if (found->second.tip) found->second.tip->SetText(std::wstring());
}

void FollowCellTip(HWND list, int item, int x, int dpi) {
  ListNotes& notes = g_lists[list];
  const CutCell* cell = nullptr;
  if (item >= 0) {
    const auto found = std::find_if(notes.cells.begin(), notes.cells.end(), [item, x](const CutCell& c) {
      return c.item == item && c.left <= x && x < c.right;
    });
    if (found != notes.cells.end()) cell = &*found;
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
