// The 变化 page's lists: the folder changes as a tree list (triangles,
// folder glyphs, "[直接文件]" rows, the change in red or green), the files
// that appeared or grew most and the files that vanished or shrank most.
// Rows and texts come from the portable change model; nothing here keeps
// state of its own.
#include "ui/result_lists_win32.h"

#include "texts/texts.h"
#include "ui/file_icons_win32.h"
#include "ui/item_menu_win32.h"
#include "ui/list_drawing_win32.h"
#include "views/folder_list_look.h"
#include "views/item_refs.h"

namespace tw {
namespace {

COLORREF ChangeColour(std::int64_t change) {
  const Theme& t = CurrentTheme();
  if (change > 0) return t.growth;
  if (change < 0) return t.shrink;
  return t.text;
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
    const COLORREF ink = column == kChangeColumnChange ? ChangeColour(context.rows.AllocChange(item)) : CurrentTheme().text;
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

// The file list's entries: grown or lost.
const std::vector<ComparedFile>* FilesOf(const ChangedFilesContext& context) {
  if (context.scans == nullptr) return nullptr;
  return context.lost ? &context.scans->lost : &context.scans->grown;
}

const ComparedFile* FileAt(const ChangedFilesContext& context, int item) {
  const std::vector<ComparedFile>* files = FilesOf(context);
  if (files == nullptr || item < 0 || static_cast<std::size_t>(item) >= files->size()) return nullptr;
  return &(*files)[static_cast<std::size_t>(item)];
}

std::wstring FileCellText(const ChangedFilesContext& context, int item, std::int32_t column) {
  if (FileAt(context, item) == nullptr) return {};
  const auto index = static_cast<std::size_t>(item);
  return context.lost ? LostCellText(*context.scans, index, column) : GrownCellText(*context.scans, index, column);
}

void PaintChangedFileRow(HDC dc, const ChangedFilesContext& context, int item, const RECT& row,
                         const RowColours& colours) {
  FillRowBackground(dc, context.list, item, row, colours.background);
  if (FileAt(context, item) == nullptr) return;
  const ListColumnWidths columns = ReadColumnWidths(context.list);
  RECT cell{};
  for (std::int32_t column = 0; column < kGrownColumnCount; ++column) {
    if (!CellRect(columns, column, row, cell)) continue;
    const bool number = column != kGrownColumnName && column != kGrownColumnFolder;
    const COLORREF change_ink = context.lost ? CurrentTheme().shrink : CurrentTheme().growth;
    const COLORREF ink = column == kGrownColumnGain ? change_ink : CurrentTheme().text;
    DrawCellText(dc, cell, colours.background, FileCellText(context, item, column), number, context.dpi, ink);
  }
}

// The row's item, for the menu and the action keys.
std::optional<ItemRef> FileItemRef(const ChangedFilesContext& context, int item) {
  if (context.scans == nullptr) return std::nullopt;
  return context.lost ? LostFileItem(*context.scans, item) : GrownFileItem(*context.scans, item);
}

// Enter or a double-click: a file still there in the shell's file browser,
// a vanished one's nearest folder still there in the tree view.
void OpenFileRow(ChangedFilesContext& context, int item) {
  const ComparedFile* file = FileAt(context, item);
  if (file == nullptr) return;
  const FileRowTarget target = TargetOfFile(*context.scans, *file);
  if (!target.browse_path.empty()) {
    ShowItemInFileBrowser(FileItemRef(context, item), context.origin);
  } else if (target.show_folder && context.show_folder) {
    context.show_folder(*target.show_folder);
  }
}

}  // namespace

void SetupChangeListColumns(HWND list, int dpi) { SetupListColumns(list, kChangeListColumns, dpi, kTreeListStyle); }

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

void SetupChangedFilesColumns(HWND list, bool lost, int dpi) {
  if (lost) {
    SetupListColumns(list, kLostListColumns, dpi, kTreeListStyle);
  } else {
    SetupListColumns(list, kGrownListColumns, dpi, kTreeListStyle);
  }
}

LRESULT ChangedFilesNotify(NMHDR& header, ChangedFilesContext& context) {
  switch (header.code) {
    case LVN_GETDISPINFOW:
      AnswerCellText(header, [&context](int row, int column) { return FileCellText(context, row, column); });
      return 0;
    case NM_CUSTOMDRAW:
      return CustomDrawList(reinterpret_cast<NMLVCUSTOMDRAW&>(header),
                            [&context](HDC dc, int item, const RECT& row, const RowColours& colours) {
                              PaintChangedFileRow(dc, context, item, row, colours);
                            });
    case NM_DBLCLK:
      OpenFileRow(context, reinterpret_cast<NMITEMACTIVATE&>(header).iItem);
      return 0;
    case NM_RCLICK: {
      // Our menu and the shell's for a file still there; a vanished one has
      // only what applies to a path.
      const auto& click = reinterpret_cast<NMITEMACTIVATE&>(header);
      ShowRowItemMenu(context.list, click, FileItemRef(context, click.iItem));
      return 0;
    }
    default:
      return 0;
  }
}

bool ChangedFilesKeyDown(ChangedFilesContext& context, WPARAM key) {
  const int selected = SelectedListRow(context.list);
  const std::optional<ItemRef> item = FileItemRef(context, selected);
  if (ItemActionKey(item ? &*item : nullptr, key)) return true;
  if (key != VK_RETURN) return false;
  OpenFileRow(context, selected);
  return true;
}

void RefreshChangedFiles(ChangedFilesContext& context) {
  ClearListSelection(context.list);
  const std::vector<ComparedFile>* files = FilesOf(context);
  SetListRowCount(context.list, files != nullptr ? files->size() : 0);
}

}  // namespace tw
