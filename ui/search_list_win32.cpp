// The 搜索 page's list: text requests, custom-drawn rows, double-clicks,
// the item menu and the keys. Every text comes from the search view.
#include "ui/search_list_win32.h"

#include "base/extension.h"
#include "search/matcher.h"
#include "ui/file_icons_win32.h"
#include "ui/item_menu_win32.h"
#include "ui/list_drawing_win32.h"
#include "views/item_refs.h"

namespace tw {
namespace {

void PaintSearchRow(HDC dc, const SearchListContext& context, int item, const RECT& row, const RowColours& colours) {
  FillRowBackground(dc, context.list, item, row, colours.background);
  const SearchHit* hit = SearchRow(context.state, item);
  if (hit == nullptr) return;
  const ListColumnWidths columns = ReadColumnWidths(context.list);
  RECT cell{};
  if (CellRect(columns, kSearchColumnName, row, cell)) {
    const std::u16string_view units = HitName(context.result, *hit);
    const std::wstring name(units.begin(), units.end());
    TreeNameCell look;
    look.label = name;
    if (hit->folder) {
      look.folder_glyph = true;
    } else {
      look.icon = IconForExtension(ExtensionOf(std::wstring_view(name)));
    }
    DrawTreeNameCell(dc, cell, colours.background, look, context.font, context.dpi);
  }
  for (std::int32_t column = kSearchColumnFolder; column < kSearchColumnCount; ++column) {
    if (!CellRect(columns, column, row, cell)) continue;
    DrawCellText(dc, cell, colours.background, SearchCellText(context.result, context.state, item, column),
                 kSearchColumns[static_cast<std::size_t>(column)].right_aligned, context.dpi);
  }
}

void ShowInTree(SearchListContext& context, int row) {
  const SearchHit* hit = SearchRow(context.state, row);
  if (hit != nullptr && context.show_in_tree) context.show_in_tree(*hit);
}

void SelectAll(HWND list) {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
}

}  // namespace

void SetupSearchListColumns(HWND list, int dpi) { SetupListColumns(list, kSearchColumns, dpi, kTreeListStyle); }

std::vector<std::int64_t> SelectedSearchRows(HWND list) {
  std::vector<std::int64_t> rows;
  int row = -1;
  while ((row = static_cast<int>(
              SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), MAKELPARAM(LVNI_SELECTED, 0)))) >= 0) {
    rows.push_back(row);
  }
  return rows;
}

LRESULT SearchListNotify(NMHDR& header, SearchListContext& context) {
  switch (header.code) {
    case LVN_GETDISPINFOW:
      AnswerCellText(header, [&context](int row, int column) {
        return SearchCellText(context.result, context.state, row, column);
      });
      return 0;
    case NM_CUSTOMDRAW:
      return CustomDrawList(reinterpret_cast<NMLVCUSTOMDRAW&>(header),
                            [&context](HDC dc, int item, const RECT& row, const RowColours& colours) {
                              PaintSearchRow(dc, context, item, row, colours);
                            });
    case NM_DBLCLK:
      ShowInTree(context, reinterpret_cast<NMITEMACTIVATE&>(header).iItem);
      return 0;
    case NM_RCLICK: {
      const auto& click = reinterpret_cast<NMITEMACTIVATE&>(header);
      ShowRowItemMenu(context.list, click, SearchRowItem(context.result, context.state, click.iItem));
      return 0;
    }
    default:
      return 0;
  }
}

bool SearchListKeyDown(SearchListContext& context, WPARAM key) {
  const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  const std::vector<std::int64_t> rows = SelectedSearchRows(context.list);
  if (IsCopyKey(key)) {
    if (!rows.empty() && CopyTextToClipboard(context.owner, SearchCopyText(context.result, context.state, rows)) &&
        context.copied) {
      context.copied();
    }
    return true;
  }
  // Del and Shift+Del act on one match: with several selected they say so,
  // rather than delete one the user may not have meant.
  if (rows.size() > 1 && SeveralItemsKey(key)) return true;
  std::optional<ItemRef> item;
  if (rows.size() == 1) item = SearchRowItem(context.result, context.state, rows.front());
  if (ItemActionKey(item ? &*item : nullptr, key)) return true;
  if (key == 'A' && control) {
    SelectAll(context.list);
    return true;
  }
  if (key != VK_RETURN) return false;
  ShowInTree(context, SelectedListRow(context.list));
  return true;
}

}  // namespace tw
