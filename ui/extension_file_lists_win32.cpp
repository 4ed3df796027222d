// The extension list and the file view: text requests, custom-drawn rows
// with colour swatches, header clicks, the refresh after a scan and the file
// view's context menu. Rows, texts, orders and swatch colours come from the
// portable models.
#include "ui/result_lists_win32.h"

#include "ui/file_icons_win32.h"
#include "ui/item_menu_win32.h"
#include "ui/list_drawing_win32.h"
#include "views/item_refs.h"

namespace tw {
namespace {

// Row count, then an immediate repaint (the list's text and drawing come
// from the refilled rows).
void SetRowCountNow(HWND list, std::size_t count) {
  if (list == nullptr) return;
  SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void PaintExtensionRow(HDC dc, const ExtensionListContext& context, int item, const RECT& row,
                       const RowColours& colours) {
  FillRowBackground(dc, context.list, item, row, colours.background);
  const auto position = ExtensionRowPosition(context.result, context.state, item);
  if (!position) return;
  const ExtStat& stat = *ExtensionAtPosition(context.result, context.state, *position);
  const ListColumnWidths columns = ReadColumnWidths(context.list);
  RECT cell{};
  if (CellRect(columns, 0, row, cell)) {
    DrawSwatchCell(dc, cell, PaletteColour(*position), colours.background, ExtensionLabel(stat.extension), context.dpi);
  }
  for (std::int32_t column = 1; column <= 3; ++column) {
    if (!CellRect(columns, column, row, cell)) continue;
    DrawCellText(dc, cell, colours.background, ExtensionCellText(context.result, stat, column), true, context.dpi);
  }
}

void PaintFileRow(HDC dc, const FileViewContext& context, int item, const RECT& row, const RowColours& colours) {
  FillRowBackground(dc, context.list, item, row, colours.background);
  const FileItem* file = FileViewEntry(context.result, context.state, item);
  if (file == nullptr) return;
  const ListColumnWidths columns = ReadColumnWidths(context.list);
  RECT cell{};
  for (std::int32_t column = 0; column < static_cast<std::int32_t>(kFileViewColumns.size()); ++column) {
    if (!CellRect(columns, column, row, cell)) continue;
    if (column == kFileViewExtensionColumn) {
      const std::wstring& extension = context.result.Extension(*file);
      DrawSwatchCell(dc, cell, ExtensionSwatchColour(context.result.extensions, context.extensions.order, extension),
                     colours.background, ExtensionLabel(extension), context.dpi);
    } else {
      DrawCellText(dc, cell, colours.background, FileViewCellText(context.result, *file, column),
                   kFileViewColumns[static_cast<std::size_t>(column)].right_aligned, context.dpi);
    }
  }
}

void FillExtensionRows(ExtensionListContext& context) {
  SetRowCountNow(context.list, context.state.extension_view.size());
  SetHeaderSortArrow(context.list, context.state.sort.sort_column, context.state.sort.sort_ascending);
}

void FillFileRows(FileViewContext& context) {
  SetRowCountNow(context.list, context.state.file_view.size());
  SetHeaderSortArrow(context.list, context.state.sort.sort_column, context.state.sort.sort_ascending);
}

}  // namespace

// ---- Extension list -----------------------------------------------------------

void SetupExtensionListColumns(HWND list, int dpi) {
  SetupListColumns(list, kExtensionListColumns, dpi, kListStyle);
}

LRESULT ExtensionListNotify(NMHDR& header, ExtensionListContext& context) {
  if (header.code == LVN_GETDISPINFOW) {
    AnswerCellText(header, [&context](int row, int column) {
      const auto position = ExtensionRowPosition(context.result, context.state, row);
      if (!position) return std::wstring();
      return ExtensionCellText(context.result, *ExtensionAtPosition(context.result, context.state, *position), column);
    });
    return 0;
  }
  if (header.code == NM_CUSTOMDRAW) {
    return CustomDrawList(reinterpret_cast<NMLVCUSTOMDRAW&>(header),
                          [&context](HDC dc, int item, const RECT& row, const RowColours& colours) {
                            PaintExtensionRow(dc, context, item, row, colours);
                          });
  }
  return 0;  // clicks, double-clicks and right-clicks do nothing here
}

void ExtensionListColumnClick(ExtensionListContext& context, std::int32_t column) {
  // The selection stays with its extension.
  const auto position = ExtensionRowPosition(context.result, context.state, SelectedListRow(context.list));
  const ExtStat* selected = position ? ExtensionAtPosition(context.result, context.state, *position) : nullptr;
  ExtensionListColumnClick(context.result, context.state, column);
  FillExtensionRows(context);
  ClearListSelection(context.list);
  for (std::size_t row = 0; selected != nullptr && row < context.state.extension_view.size(); ++row) {
    const auto at = ExtensionRowPosition(context.result, context.state, static_cast<std::int64_t>(row));
    if (at && ExtensionAtPosition(context.result, context.state, *at) == selected) {
      ShowAndSelectRow(context.list, static_cast<int>(row));
      break;
    }
  }
}

void ShowNewExtensionRows(ExtensionListContext& context) {
  ClearListSelection(context.list);
  FillExtensionRows(context);
}

// ---- File view ------------------------------------------------------------------

void SetupFileViewColumns(HWND list, int dpi) {
  SetupListColumns(list, kFileViewColumns, dpi, kListStyle);
}

LRESULT FileViewNotify(NMHDR& header, FileViewContext& context) {
  switch (header.code) {
    case LVN_GETDISPINFOW:
      AnswerCellText(header, [&context](int row, int column) {
        const FileItem* file = FileViewEntry(context.result, context.state, row);
        return file != nullptr ? FileViewCellText(context.result, *file, column) : std::wstring();
      });
      return 0;
    case NM_CUSTOMDRAW:
      return CustomDrawList(reinterpret_cast<NMLVCUSTOMDRAW&>(header),
                            [&context](HDC dc, int item, const RECT& row, const RowColours& colours) {
                              PaintFileRow(dc, context, item, row, colours);
                            });
    case NM_DBLCLK: {
      // Shown in the shell's file browser, the file selected there.
      const auto& click = reinterpret_cast<NMITEMACTIVATE&>(header);
      const FileItem* file = FileViewEntry(context.result, context.state, click.iItem);
      if (file != nullptr) ShowInFileBrowser(FileContextMenuPath(context.result, *file));
      return 0;
    }
    case NM_RCLICK: {
      const auto& click = reinterpret_cast<NMITEMACTIVATE&>(header);
      ShowRowItemMenu(context.list, click, FileViewItem(context.result, context.state, click.iItem));
      return 0;
    }
    default:
      return 0;  // a double-click does nothing
  }
}

void FileViewColumnClick(FileViewContext& context, std::int32_t column) {
  // The selection stays with its file.
  const FileItem* selected = FileViewEntry(context.result, context.state, SelectedListRow(context.list));
  FileViewColumnClick(context.result, context.state, column);
  FillFileRows(context);
  ClearListSelection(context.list);
  for (std::size_t row = 0; selected != nullptr && row < context.state.file_view.size(); ++row) {
    if (FileViewEntry(context.result, context.state, static_cast<std::int64_t>(row)) == selected) {
      ShowAndSelectRow(context.list, static_cast<int>(row));
      break;
    }
  }
}

void ShowNewFileRows(FileViewContext& context) {
  ClearListSelection(context.list);
  FillFileRows(context);
}

bool FileViewKeyDown(FileViewContext& context, WPARAM key) {
  const std::optional<ItemRef> item = FileViewItem(context.result, context.state, SelectedListRow(context.list));
  if (ItemActionKey(item ? &*item : nullptr, key)) return true;
  if (key != VK_RETURN) return false;
  if (item) ShowInFileBrowser(item->path);
  return true;
}

}  // namespace tw
