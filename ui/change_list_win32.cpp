// The 变化 page's two lists: the folder changes as a tree list (triangles,
// folder glyphs, "[直接文件]" rows, the change in red or green) and the files
// that appeared or grew most. Rows and texts come from the portable change
// model; nothing here keeps state of its own.
#include "ui/result_lists_win32.h"

#include "texts/texts.h"
#include "ui/file_icons_win32.h"
#include "ui/item_menu_win32.h"
#include "ui/list_drawing_win32.h"
#include "views/folder_list_look.h"
#include "views/item_refs.h"

namespace tw {
namespace {

constexpr ListColumn kChangeListColumns[] = {
    {text::kColumnFolder, 260, false},       {text::kCompareChange, 120, true},
    {text::kColumnNow, 110, true},           {text::kCompareBefore, 110, true},
    {text::kCompareFilesAdded, 90, true},    {text::kCompareFilesRemoved, 90, true},
};

constexpr ListColumn kGrownListColumns[] = {
    {text::kColumnFileName, 260, false}, {text::kColumnGain, 120, true}, {text::kColumnNow, 110, true},
    {text::kCompareBefore, 110, true},   {text::kColumnPath, 420, false},
};

COLORREF ChangeColour(std::int64_t change) {
  if (change > 0) return kGrowthColour;
  if (change < 0) return kShrinkColour;
  return RGB(0, 0, 0);
}

void PaintChangeRow(HDC dc, const ChangeListContext& context, int item, const RECT& row, const RowColours& colours) {
  FillRowBackground(dc, context.list, item, row, colours.background);
  const ChangeRow* data = context.rows.RowAt(item);
  if (data == nullptr) return;
  const ListColumnWidths columns = ReadColumnWidths(context.list);
  RECT cell{};
  if (CellRect(columns, kChangeColumnName, row, cell)) {
    const std::wstring name = context.rows.CellText(item, kChangeColumnName);
    TreeNameCell look;
    look.depth = data->depth;
    look.expandable = data->expandable;
    look.open = context.rows.IsOpen(*data);
    look.label = name;
    if (const ComparedFile* file = context.rows.FileOfRow(item)) {
      look.icon = IconForExtension(ChangedFileExtension(*context.rows.scans(), *file));
    } else if (data->is_direct_files) {
      look.icon = IconForExtension(L".txt");
    } else {
      look.folder_glyph = true;
    }
    DrawTreeNameCell(dc, cell, colours.background, look, context.font, context.dpi);
  }
  for (std::int32_t column = kChangeColumnChange; column < kChangeColumnCount; ++column) {
    if (!CellRect(columns, column, row, cell)) continue;
    const COLORREF ink = column == kChangeColumnChange ? ChangeColour(context.rows.AllocChange(item)) : RGB(0, 0, 0);
    DrawCellText(dc, cell, colours.background, context.rows.CellText(item, column), true, context.dpi, ink);
  }
}

void Apply(ChangeListContext& context, const ChangeKeyAction& action) {
  if (action.rows_changed) SetListRowCount(context.list, context.rows.RowCount());
  if (action.select_row) ShowAndSelectRow(context.list, static_cast<int>(*action.select_row));
  if (action.show_folder && context.show_folder) context.show_folder(*action.show_folder);
}

// A click in the name cell left of the icon opens or closes the row.
void OnChangeClick(ChangeListContext& context, const NMITEMACTIVATE& click) {
  const ChangeRow* row = context.rows.RowAt(click.iItem);
  if (row == nullptr || !row->expandable) return;
  LVHITTESTINFO hit{};
  hit.pt = click.ptAction;
  SendMessageW(context.list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (hit.iSubItem != 0 || !InToggleZone(click.ptAction.x, row->depth, context.dpi)) return;
  const ChangeRow key = *row;
  if (context.rows.ToggleRow(key)) SetListRowCount(context.list, context.rows.RowCount());
}

// A double-click opens or closes a row; on a file still there it shows the
// file in the shell's file browser, as the file view does.
void OnChangeDoubleClick(ChangeListContext& context, const NMITEMACTIVATE& click) {
  if (const ComparedFile* file = context.rows.FileOfRow(click.iItem)) {
    if (file->new_file != kNoSide) ShowItemInFileBrowser(ChangeRowItem(context.rows, click.iItem), context.origin);
    return;
  }
  const ChangeRow* row = context.rows.RowAt(click.iItem);
  if (row == nullptr || !row->expandable) return;
  const ChangeRow key = *row;
  if (!context.rows.ToggleRow(key)) return;
  SetListRowCount(context.list, context.rows.RowCount());
  if (const auto at = context.rows.FindRow(key)) ShowAndSelectRow(context.list, static_cast<int>(*at));
}

void PaintGrownRow(HDC dc, const GrownListContext& context, int item, const RECT& row, const RowColours& colours) {
  FillRowBackground(dc, context.list, item, row, colours.background);
  if (context.scans == nullptr || item < 0 || static_cast<std::size_t>(item) >= context.scans->grown.size()) return;
  const ListColumnWidths columns = ReadColumnWidths(context.list);
  RECT cell{};
  for (std::int32_t column = 0; column < kGrownColumnCount; ++column) {
    if (!CellRect(columns, column, row, cell)) continue;
    const bool number = column != kGrownColumnName && column != kGrownColumnFolder;
    const COLORREF ink = column == kGrownColumnGain ? kGrowthColour : RGB(0, 0, 0);
    DrawCellText(dc, cell, colours.background, GrownCellText(*context.scans, static_cast<std::size_t>(item), column),
                 number, context.dpi, ink);
  }
}

}  // namespace

void SetupChangeListColumns(HWND list, int dpi) {
  SetupListColumns(list, kChangeListColumns, dpi, kTreeListStyle);
}

LRESULT ChangeListNotify(NMHDR& header, ChangeListContext& context) {
  switch (header.code) {
    case LVN_GETDISPINFOW:
      AnswerCellText(header, [&context](int row, int column) { return context.rows.CellText(row, column); });
      return 0;
    case NM_CUSTOMDRAW:
      return CustomDrawList(reinterpret_cast<NMLVCUSTOMDRAW&>(header),
                            [&context](HDC dc, int item, const RECT& row, const RowColours& colours) {
                              PaintChangeRow(dc, context, item, row, colours);
                            });
    case NM_CLICK:
      OnChangeClick(context, reinterpret_cast<NMITEMACTIVATE&>(header));
      return 0;
    case NM_DBLCLK:
      OnChangeDoubleClick(context, reinterpret_cast<NMITEMACTIVATE&>(header));
      return 0;
    case NM_RCLICK: {
      const auto& click = reinterpret_cast<NMITEMACTIVATE&>(header);
      ShowRowItemMenu(context.list, click, ChangeRowItem(context.rows, click.iItem));
      return 0;
    }
    default:
      return 0;
  }
}

bool ChangeListKeyDown(ChangeListContext& context, WPARAM key) {
  const int selected = SelectedListRow(context.list);
  const std::optional<ItemRef> item = ChangeRowItem(context.rows, selected);
  if (ItemActionKey(item ? &*item : nullptr, key)) return true;
  const std::optional<FolderListKey> pressed = TreeListKeyOf(key);
  if (!pressed) return false;
  Apply(context, PressChangeListKey(context.rows, SelectedRow(selected), *pressed));
  return true;
}

void RefreshChangeList(ChangeListContext& context) {
  ClearListSelection(context.list);
  SetListRowCount(context.list, context.rows.RowCount());
  // The order is fixed: largest growth first.
  SetHeaderSortArrow(context.list, kChangeColumnChange, false);
}

void SetupGrownListColumns(HWND list, int dpi) {
  SetupListColumns(list, kGrownListColumns, dpi, kTreeListStyle);
}

LRESULT GrownListNotify(NMHDR& header, GrownListContext& context) {
  switch (header.code) {
    case LVN_GETDISPINFOW:
      AnswerCellText(header, [&context](int row, int column) {
        if (context.scans == nullptr || row < 0) return std::wstring();
        return GrownCellText(*context.scans, static_cast<std::size_t>(row), column);
      });
      return 0;
    case NM_CUSTOMDRAW:
      return CustomDrawList(reinterpret_cast<NMLVCUSTOMDRAW&>(header),
                            [&context](HDC dc, int item, const RECT& row, const RowColours& colours) {
                              PaintGrownRow(dc, context, item, row, colours);
                            });
    case NM_DBLCLK: {
      if (context.scans != nullptr) {
        const int row = reinterpret_cast<NMITEMACTIVATE&>(header).iItem;
        ShowItemInFileBrowser(GrownFileItem(*context.scans, row), context.origin);
      }
      return 0;
    }
    case NM_RCLICK: {
      const auto& click = reinterpret_cast<NMITEMACTIVATE&>(header);
      if (context.scans != nullptr) ShowRowItemMenu(context.list, click, GrownFileItem(*context.scans, click.iItem));
      return 0;
    }
    default:
      return 0;
  }
}

bool GrownListKeyDown(GrownListContext& context, WPARAM key) {
  std::optional<ItemRef> item;
  if (context.scans != nullptr) item = GrownFileItem(*context.scans, SelectedListRow(context.list));
  if (ItemActionKey(item ? &*item : nullptr, key)) return true;
  if (key != VK_RETURN) return false;
  ShowItemInFileBrowser(item, context.origin);
  return true;
}

void RefreshGrownList(GrownListContext& context) {
  ClearListSelection(context.list);
  SetListRowCount(context.list, context.scans != nullptr ? context.scans->grown.size() : 0);
}

}  // namespace tw
