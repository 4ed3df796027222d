// The treemap window procedure: WM_PAINT, WM_ERASEBKGND, WM_SETCURSOR and
// WM_LBUTTONDBLCLK over the portable layout, hit-test, label and
// double-click rules.
#include "ui/treemap_window_win32.h"

#include <utility>

#include "ui/gdi_objects_win32.h"

namespace tw {
namespace {

TreemapWindowHost g_host;
bool g_class_registered = false;

const std::vector<TreemapItem>& Items() {
  static const std::vector<TreemapItem> none;
  return g_host.items != nullptr ? *g_host.items : none;
}

Rect ClientRect(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  return Rect{client.left, client.top, client.right, client.bottom};
}

void DrawLabelText(HDC dc, const std::wstring& text, const Rect& where) {
  RECT rect{where.left, where.top, where.right, where.bottom};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_SINGLELINE | DT_END_ELLIPSIS);
}

void DrawCell(HDC dc, const TreemapCell& cell, const TreemapItem& item, bool labels) {
  const RECT rect{cell.left, cell.top, cell.right, cell.bottom};
  FillSolid(dc, rect, item.colour);
  {
    const Pen outline = SolidPen(RGB(255, 255, 255));
    const ScopedSelect pen(dc, outline.get());
    const ScopedSelect brush(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, cell.left, cell.top, cell.right, cell.bottom);
  }
  if (!labels) return;
  const TreemapLabel label = TreemapLabelOf(cell, item);
  if (label.kind == TreemapLabelKind::kNone) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  DrawLabelText(dc, label.first, label.first_rect);
  if (label.kind == TreemapLabelKind::kTwoLines) DrawLabelText(dc, label.second, label.second_rect);
}

void Paint(HWND hwnd) {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(hwnd, &paint);
  const Rect client = ClientRect(hwnd);
  {
    const ScopedSelect font(dc, g_host.font != nullptr ? *g_host.font : nullptr);
    if (client.left < client.right && client.top < client.bottom) {
      FillSolid(dc, RECT{client.left, client.top, client.right, client.bottom}, RGB(255, 255, 255));
      const std::vector<TreemapItem>& items = Items();
      std::vector<TreemapCell> cells;
      LayoutTreemapItems(client, items, cells);
      for (const TreemapCell& cell : cells) {
        if (!IsDrawableCell(cell, items.size())) continue;
        const bool labels = cell.right - cell.left > 23 && cell.bottom - cell.top > 13;
        DrawCell(dc, cell, items[cell.item_index], labels);
      }
    }
  }
  EndPaint(hwnd, &paint);
}

const TreemapItem* ItemAt(HWND hwnd, std::int32_t x, std::int32_t y) {
  const std::vector<TreemapItem>& items = Items();
  const auto index = HitTestTreemap(ClientRect(hwnd), items, x, y);
  return index ? &items[*index] : nullptr;
}

}  // namespace

void SetTreemapWindowHost(TreemapWindowHost host) { g_host = std::move(host); }

void RegisterTreemapWindowClass(HINSTANCE instance) {
  if (g_class_registered) return;
  WNDCLASSEXW treemap_class{};
  treemap_class.cbSize = sizeof(treemap_class);
  treemap_class.style = CS_DBLCLKS;
  treemap_class.lpfnWndProc = TreemapWindowProc;
  treemap_class.hInstance = instance;
  treemap_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  treemap_class.lpszClassName = kTreemapWindowClass;
  RegisterClassExW(&treemap_class);
  g_class_registered = true;
}

LRESULT CALLBACK TreemapWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint fills the whole client area
    case WM_SETCURSOR: {
      POINT point{};
      GetCursorPos(&point);
      ScreenToClient(hwnd, &point);
      const TreemapItem* item = ItemAt(hwnd, point.x, point.y);
      if (item != nullptr && ShowsHandCursor(*item)) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONDBLCLK: {
      const auto x = static_cast<std::int16_t>(LOWORD(lparam));
      const auto y = static_cast<std::int16_t>(HIWORD(lparam));
      const TreemapItem* item = ItemAt(hwnd, x, y);
      if (item == nullptr) return 0;
      const std::optional<TreemapTarget> target = DoubleClickTarget(*item);
      if (target && g_host.navigate) g_host.navigate(target->folder_id, target->show_files);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void RedrawTreemap(HWND treemap) {
  if (treemap != nullptr) RedrawWindow(treemap, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace tw
