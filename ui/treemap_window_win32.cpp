// The treemap window procedure: WM_PAINT, WM_ERASEBKGND, WM_SETCURSOR and
// WM_LBUTTONDBLCLK over the portable layout, hit-test, label and
// double-click rules.
#include "ui/treemap_window_win32.h"

#include <commctrl.h>

#include <utility>

#include "ui/gdi_objects_win32.h"
#include "ui/control_window_win32.h"

namespace tw {
namespace {

TreemapWindowHost g_host;
bool g_class_registered = false;

// The tooltip, whose text follows the item under the mouse. Created with the window.
WindowTip g_tip;
std::optional<std::size_t> g_tip_item;  // the item the text was set for

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

void DrawCell(HDC dc, const TreemapCell& cell, const TreemapItem& item, bool labels, int line_height) {
  const RECT rect{cell.left, cell.top, cell.right, cell.bottom};
  FillSolid(dc, rect, item.colour);
  if (HasOutline(cell)) {
    const Pen outline = SolidPen(RGB(255, 255, 255));
    const ScopedSelect pen(dc, outline.get());
    const ScopedSelect brush(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, cell.left, cell.top, cell.right, cell.bottom);
  }
  if (!labels) return;
  const TreemapLabel label = TreemapLabelOf(cell, item, line_height);
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
    const ScopedSelect font(dc, g_host.font != nullptr ? g_host.font->get() : nullptr);
    if (client.left < client.right && client.top < client.bottom) {
      FillSolid(dc, RECT{client.left, client.top, client.right, client.bottom}, RGB(255, 255, 255));
      const std::vector<TreemapItem>& items = Items();
      TEXTMETRICW metrics{};
      const int line_height = GetTextMetricsW(dc, &metrics) ? metrics.tmHeight : 16;
      std::vector<TreemapCell> cells;
      LayoutTreemapItems(client, items, cells);
      for (const TreemapCell& cell : cells) {
        if (!IsDrawableCell(cell, items.size())) continue;
        const bool labels = cell.right - cell.left > 23 && cell.bottom - cell.top > 13;
        DrawCell(dc, cell, items[cell.item_index], labels, line_height);
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

// The tooltip's text follows the item under the mouse; off any item it hides.
void FollowMouseWithTooltip(HWND hwnd, std::int32_t x, std::int32_t y) {
  const std::vector<TreemapItem>& items = Items();
  const std::optional<std::size_t> index = HitTestTreemap(ClientRect(hwnd), items, x, y);
  if (index == g_tip_item) return;
  g_tip_item = index;
  g_tip.SetText(index && g_host.tooltip ? g_host.tooltip(*index) : std::wstring());
}

}  // namespace

void SetTreemapWindowHost(TreemapWindowHost host) { g_host = std::move(host); }

void RegisterTreemapWindowClass(HINSTANCE instance) {
  if (g_class_registered) return;
  RegisterControlClass(instance, kTreemapWindowClass, TreemapWindowProc);
  g_class_registered = true;
}

LRESULT CALLBACK TreemapWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      g_tip.Create(hwnd, 600);
      return 0;
    case WM_DESTROY:
      g_tip.Destroy();
      break;
    case WM_PAINT:
      // The items may have changed: the next mouse move sets the tip's text again.
      g_tip_item.reset();
      Paint(hwnd);
      return 0;
    case WM_MOUSEMOVE:
      FollowMouseWithTooltip(hwnd, static_cast<std::int16_t>(LOWORD(lparam)), static_cast<std::int16_t>(HIWORD(lparam)));
      return 0;
    case WM_LBUTTONDOWN: {
      const TreemapItem* item =
          ItemAt(hwnd, static_cast<std::int16_t>(LOWORD(lparam)), static_cast<std::int16_t>(HIWORD(lparam)));
      if (item != nullptr && g_host.select) g_host.select(*item);
      return 0;
    }
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
