// The folder tree list: text requests, the custom drawing of its rows (name
// cell with triangle, icon or folder glyph; share-of-parent bar; numbers),
// clicks on triangles, double-clicks, the context menu and header clicks.
// Every value comes from FolderRowModel; the treemap follows through the
// portable navigation rules.
#include "ui/result_lists_win32.h"

#include "texts/texts.h"
#include "ui/file_icons_win32.h"
#include "ui/gdi_objects_win32.h"
#include "ui/item_menu_win32.h"
#include "ui/list_drawing_win32.h"
#include "views/file_icons.h"
#include "views/folder_list_keys.h"
#include "views/folder_list_look.h"
#include "views/item_refs.h"

namespace tw {
namespace {

RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

void DrawNameCell(HDC dc, const FolderListContext& context, const FolderRow& row, const RECT& cell,
                  COLORREF background) {
  const ScanResult* result = context.rows.result();
  TreeNameCell look;
  look.depth = row.depth;
  look.expandable = row.expandable;
  look.open = context.rows.IsRowOpen(row);
  std::wstring name;  // the row's own name, read from the result
  if (row.is_file) {
    if (const FileItem* file = context.rows.FileOfRow(row)) {
      name = result->NameText(*file);
      look.label = name;
      look.icon = IconForExtension(result->Extension(*file));
    }
  } else if (row.is_direct_files) {
    look.label = text::kDirectFiles;
    look.icon = IconForExtension(L".txt");
  } else {
    look.folder_glyph = true;
    // Exact lookup: a row id of 0 or below is no folder (a lookup would take it for the root).
    const RecordId id = row.id;
    if (const DirNode* folder = result != nullptr && id > 0 ? result->FindFolder(id) : nullptr) {
      name = result->NameText(*folder);
      look.label = name;
    }
  }
  DrawTreeNameCell(dc, cell, background, look, context.font, context.dpi);
}

void DrawShareCell(HDC dc, const FolderListContext& context, int item, const RECT& cell, COLORREF background) {
  FillSolid(dc, cell, background);
  const ShareCellLayout look = LayoutShareCell(Rect{cell.left, cell.top, cell.right, cell.bottom},
                                               context.rows.ParentPercent(item), context.dpi);
  if (look.bar) FillSolid(dc, ToRect(*look.bar), CurrentTheme().parent_bar);
  SetBkMode(dc, TRANSPARENT);
  const Theme& t = CurrentTheme();
  SetTextColor(dc, background == t.selected_row ? t.selected_text : t.text);
  RECT inner = ToRect(look.inner);
  DrawTextW(dc, look.text.c_str(), static_cast<int>(look.text.size()), &inner,
            DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
}

void PaintFolderRow(HDC dc, const FolderListContext& context, int item, const RECT& row, const RowColours& colours) {
  HWND list = context.list;
  FillRowBackground(dc, list, item, row, colours.background);
  const FolderRow* data = context.rows.RowAt(item);
  if (data == nullptr) return;
  const ListColumnWidths columns = ReadColumnWidths(list);
  RECT cell{};
  if (CellRect(columns, kFolderColumnName, row, cell)) DrawNameCell(dc, context, *data, cell, colours.background);
  if (CellRect(columns, kFolderColumnParentPercent, row, cell)) {
    DrawShareCell(dc, context, item, cell, colours.background);
  }
  for (std::int32_t column = kFolderColumnSize; column <= kFolderColumnAttributes; ++column) {
    if (!CellRect(columns, column, row, cell)) continue;
    DrawCellText(dc, cell, colours.background, context.rows.CellText(item, column), column <= kFolderColumnFolders,
                 context.dpi);
  }
}

void Apply(FolderListContext& context, const FolderListAction& action) {
  if (action.treemap_changed && context.treemap_changed) context.treemap_changed();
  if (action.rows_changed) SetListRowCount(context.list, context.rows.RowCount());
}

void OnClick(FolderListContext& context, const NMITEMACTIVATE& click) {
  const FolderRow* row = context.rows.RowAt(click.iItem);
  if (row == nullptr) return;
  LVHITTESTINFO hit{};
  hit.pt = click.ptAction;
  SendMessageW(context.list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (hit.iSubItem != 0) return;
  if (!row->expandable || !InToggleZone(click.ptAction.x, row->depth, context.dpi)) return;
  Apply(context, ClickFolderRowTriangle(context.rows, context.treemap, click.iItem));
}

void OnDoubleClick(FolderListContext& context) {
  const auto selected = static_cast<int>(
      SendMessageW(context.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
  if (selected < 0) return;
  Apply(context, DoubleClickFolderRow(context.rows, context.treemap, selected));
}

void OnRightClick(FolderListContext& context, const NMITEMACTIVATE& click) {
  ShowRowItemMenu(context.list, click, FolderRowItem(context.rows, click.iItem));
}

}  // namespace

void SetupFolderListColumns(HWND list, int dpi) {
  SetupListColumns(list, kFolderListColumns, dpi, kTreeListStyle);
}

LRESULT FolderListNotify(NMHDR& header, FolderListContext& context) {
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
      const FolderRow* row = context.rows.RowAt(item.iItem);
      if (row == nullptr) return 0;
      if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        CopyCellText(context.rows.CellText(item.iItem, item.iSubItem), item.pszText,
                     static_cast<std::size_t>(item.cchTextMax));
      }
      if ((item.mask & LVIF_PARAM) != 0) item.lParam = static_cast<LPARAM>(row->id);
      return 0;
    }
    case NM_CUSTOMDRAW:
      return CustomDrawList(reinterpret_cast<NMLVCUSTOMDRAW&>(header),
                            [&context](HDC dc, int item, const RECT& row, const RowColours& colours) {
                              PaintFolderRow(dc, context, item, row, colours);
                            });
    case NM_CLICK:
      OnClick(context, reinterpret_cast<NMITEMACTIVATE&>(header));
      return 0;
    case NM_DBLCLK:
      OnDoubleClick(context);
      return 0;
    case NM_RCLICK:
      OnRightClick(context, reinterpret_cast<NMITEMACTIVATE&>(header));
      return 0;
    default:
      return 0;
  }
}

void FolderListColumnClick(FolderListContext& context, std::int32_t column) {
  // The selection stays with its folder or file, wherever the sort puts it.
  const std::optional<FolderRowKey> selected = context.rows.KeyOfRow(SelectedListRow(context.list));
  context.rows.SetSort(column);
  SetListRowCount(context.list, context.rows.RowCount());
  ClearListSelection(context.list);
  if (selected) {
    if (const std::optional<std::size_t> row = context.rows.FindRow(*selected)) {
      ShowAndSelectRow(context.list, static_cast<int>(*row));
    }
  }
  SetHeaderSortArrow(context.list, context.rows.sort_column(), context.rows.sort_ascending());
}

namespace {

void Apply(FolderListContext& context, const FolderKeyAction& action) {
  if (action.rows_changed) SetListRowCount(context.list, context.rows.RowCount());
  if (action.select_row) ShowAndSelectRow(context.list, static_cast<int>(*action.select_row));
  if (action.treemap_changed && context.treemap_changed) context.treemap_changed();
}

}  // namespace

bool FolderListKeyDown(FolderListContext& context, WPARAM key) {
  const int selected = SelectedListRow(context.list);
  const std::optional<ItemRef> item = FolderRowItem(context.rows, selected);
  if (ItemActionKey(item ? &*item : nullptr, key)) return true;
  const std::optional<FolderListKey> pressed = TreeListKeyOf(key);
  if (!pressed) return false;
  Apply(context, PressFolderListKey(context.rows, context.treemap, SelectedRow(selected), *pressed));
  return true;
}

void FolderListSelectTreemapItem(FolderListContext& context, const TreemapItem& item) {
  Apply(context, RevealTreemapItemRow(context.rows, item));
}

}  // namespace tw
