// The 全景 control's procedure: the picture's job and its answer, the page
// composed and copied on paint, the tip, the mouse and the keys.
#include "ui/overview_window_win32.h"

#include <memory>
#include <utility>

#include "engine/result_job.h"
#include "ui/control_window_win32.h"
#include "ui/file_icons_win32.h"
#include "ui/overview_paint_win32.h"

namespace tw {
namespace {

// The picture's job answers with this message to the control: lParam a
// heap JobAnswer<OverviewPicture>*, which the control owns and frees.
constexpr UINT kPictureMessage = WM_APP + 40;

using PictureAnswer = JobAnswer<OverviewPicture>;

// The one control's state, on the window's thread.
struct OverviewControl {
  OverviewWindowHost host;
  bool class_registered = false;
  JobSlot job;
  // What the job under way makes, and from which generation.
  OverviewRequest pending;
  ResultGeneration pending_generation;
  OverviewPointer pointer;
  SizedBitmap picture;  // the kept picture with its labels
  SizedBitmap page;     // the composed page: a repaint copies it
  std::vector<PathBarPart> path_parts;
  std::uint64_t pictures_shown = 0;
  WindowTip tip;
  bool tracking_leave = false;
};
OverviewControl g_control;

int Dpi() { return g_control.host.dpi != nullptr ? *g_control.host.dpi : 96; }
HFONT PathFont() { return g_control.host.path_font != nullptr ? g_control.host.path_font->get() : nullptr; }
HFONT LabelFont() { return g_control.host.label_font != nullptr ? g_control.host.label_font->get() : nullptr; }

// The generation shown, when there is a result.
const ScanResult* ShownResult() {
  const ResultViewState* views = g_control.host.views;
  return views != nullptr && views->has_result ? views->result.get() : nullptr;
}

OverviewGeometry Geometry(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  return LayoutOverview(client.right, client.bottom, Dpi());
}

// Points in the control's client area, and in the picture's pixels.
Point PointOf(LPARAM lparam) {
  return Point{static_cast<std::int16_t>(LOWORD(lparam)), static_cast<std::int16_t>(HIWORD(lparam))};
}
Point InPicture(HWND hwnd, Point p) {
  const Rect picture = Geometry(hwnd).picture;
  return Point{p.x - picture.left, p.y - picture.top};
}

// The picture shown is of the generation shown: its items mean what they say.
bool PictureIsCurrent() {
  const auto& shown = g_control.pointer.shown();
  return shown != nullptr && g_control.host.views != nullptr && shown->generation == g_control.host.views->result;
}

void Compose(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  OverviewPageInput input;
  input.geometry = Geometry(hwnd);
  input.picture = g_control.picture.bitmap ? &g_control.picture : nullptr;
  input.hover = g_control.pointer.HoverOutline();
  input.selection = g_control.pointer.SelectionOutline();
  input.path =
      g_control.host.views != nullptr && ShownResult() != nullptr ? &g_control.host.views->overview.path() : nullptr;
  input.result = ShownResult();
  input.path_font = PathFont();
  input.legend_font = LabelFont();
  input.dpi = Dpi();
  g_control.path_parts = ComposeOverviewPage(hwnd, g_control.page, client.right, client.bottom, input);
  InvalidateRect(hwnd, nullptr, FALSE);
}

void Paint(HWND hwnd) {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(hwnd, &paint);
  if (g_control.page.bitmap) {
    const MemoryDc source(CreateCompatibleDC(dc));
    if (source) {
      const ScopedSelect page(source.get(), g_control.page.bitmap.get());
      BitBlt(dc, 0, 0, g_control.page.width, g_control.page.height, source.get(), 0, 0, SRCCOPY);
    }
  }
  EndPaint(hwnd, &paint);
}

// Asks for the picture the page wants, unless it is kept or under way.
void RequestPicture(HWND hwnd) {
  ResultViewState* views = g_control.host.views;
  if (views == nullptr || !views->has_result || !IsWindowVisible(hwnd)) return;
  const Rect area = Geometry(hwnd).picture;
  if (area.Width() <= 0 || area.Height() <= 0) return;
  const OverviewRequest want{views->overview.folder_id(), area.Width(), area.Height(), FontLineHeight(LabelFont())};
  const auto& shown = g_control.pointer.shown();
  if (shown != nullptr && shown->generation == views->result && shown->request == want) {
    g_control.job.Cancel();  // a job under way would only replace it with an older wish
    return;
  }
  if (g_control.job.busy() && g_control.pending_generation == views->result && g_control.pending == want) return;
  g_control.pending = want;
  g_control.pending_generation = views->result;
  g_control.job.Start<OverviewPicture>(
      views->result,
      [want](const ScanResult& result, const CancelFlag& cancel) { return RenderOverview(result, want, &cancel); },
      [hwnd](PictureAnswer&& answer) {
        auto payload = std::make_unique<PictureAnswer>(std::move(answer));
        if (PostMessageW(hwnd, kPictureMessage, 0, reinterpret_cast<LPARAM>(payload.get()))) payload.release();
      });
}

void OnPicture(HWND hwnd, LPARAM lparam) {
  const std::unique_ptr<PictureAnswer> answer(reinterpret_cast<PictureAnswer*>(lparam));
  ResultViewState* views = g_control.host.views;
  if (answer == nullptr || views == nullptr || !g_control.job.Accept(*answer, views->result)) return;
  g_control.pending_generation.reset();
  if (answer->failed || !answer->value.complete) {
    // Out of memory: an empty page rather than a picture of something else.
    g_control.picture = SizedBitmap{};
    g_control.pointer.Show(nullptr);
  } else {
    OverviewPicture& made = answer->value;
    g_control.picture = PictureBitmap(made, *answer->generation, LabelFont());
    auto shown = std::make_shared<OverviewShown>();
    shown->generation = answer->generation;
    shown->request = made.request;
    shown->layout = std::move(made.layout);
    g_control.pointer.Show(std::move(shown));
  }
  ++g_control.pictures_shown;
  Compose(hwnd);
}

// ---- The tip --------------------------------------------------------------------

// The tip follows the hovered cell of a picture of the generation shown.
void UpdateTip() { g_control.tip.SetText(PictureIsCurrent() ? g_control.pointer.HoverTip() : std::wstring()); }

// ---- Input ------------------------------------------------------------------------

void ZoomChanged(HWND hwnd) {
  if (g_control.host.views != nullptr) SetWindowTextW(hwnd, g_control.host.views->overview.Text().c_str());
  Compose(hwnd);
  RequestPicture(hwnd);
}

void OnMouseMove(HWND hwnd, Point point) {
  if (!g_control.tracking_leave) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = hwnd;
    g_control.tracking_leave = TrackMouseEvent(&track) != FALSE;
  }
  const bool changed = Geometry(hwnd).picture.Contains(point.x, point.y)
                           ? g_control.pointer.MoveTo(InPicture(hwnd, point).x, InPicture(hwnd, point).y)
                           : g_control.pointer.Leave();
  if (!changed) return;
  UpdateTip();
  Compose(hwnd);
}

void OnButtonDown(HWND hwnd, Point point) {
  SetFocus(hwnd);
  const OverviewGeometry geometry = Geometry(hwnd);
  ResultViewState* views = g_control.host.views;
  if (geometry.path_bar.Contains(point.x, point.y)) {
    const std::optional<std::size_t> step = PathBarStepAt(g_control.path_parts, point.x, point.y);
    if (step && views != nullptr && views->overview.JumpTo(*step)) ZoomChanged(hwnd);
    return;
  }
  if (!PictureIsCurrent() || !geometry.picture.Contains(point.x, point.y)) return;
  const Point at = InPicture(hwnd, point);
  if (g_control.pointer.Select(at.x, at.y)) Compose(hwnd);
}

void OnDoubleClick(HWND hwnd, Point point) {
  ResultViewState* views = g_control.host.views;
  if (views == nullptr || !PictureIsCurrent() || !Geometry(hwnd).picture.Contains(point.x, point.y)) return;
  const Point at = InPicture(hwnd, point);
  const std::optional<std::int64_t> target = g_control.pointer.DoubleClickTarget(at.x, at.y);
  if (target && views->overview.ZoomTo(*views->result, *target)) ZoomChanged(hwnd);
}

void ZoomOut(HWND hwnd) {
  if (g_control.host.views != nullptr && g_control.host.views->overview.ZoomOut()) ZoomChanged(hwnd);
}

// Enter: the selected item in the tree view, or the folder shown when
// nothing is selected.
void ShowInTree() {
  ResultViewState* views = g_control.host.views;
  if (views == nullptr || !views->has_result || !g_control.host.show_in_tree) return;
  const auto& selected = g_control.pointer.selected();
  if (selected && g_control.pointer.selected_generation() == views->result) {
    g_control.host.show_in_tree(TreeTargetOf(*views->result, *selected));
  } else {
    g_control.host.show_in_tree(TreeTarget{views->overview.folder_id(), std::nullopt});
  }
}

// The shell's menu for the item at a screen point (selecting it), or for
// the selection when the menu key asked (no point).
void OnContextMenu(HWND hwnd, LPARAM lparam) {
  if (!PictureIsCurrent()) return;
  const auto& shown = g_control.pointer.shown();
  const Rect area = Geometry(hwnd).picture;
  POINT screen{static_cast<std::int16_t>(LOWORD(lparam)), static_cast<std::int16_t>(HIWORD(lparam))};
  if (lparam == -1) {
    const std::optional<Rect> cell = g_control.pointer.SelectionOutline();
    if (!cell) return;
    screen = POINT{area.left + (cell->left + cell->right) / 2, area.top + (cell->top + cell->bottom) / 2};
    ClientToScreen(hwnd, &screen);
  } else {
    POINT client = screen;
    ScreenToClient(hwnd, &client);
    if (!area.Contains(client.x, client.y)) return;
    if (g_control.pointer.Select(client.x - area.left, client.y - area.top)) Compose(hwnd);
    UpdateWindow(hwnd);
  }
  const auto& selected = g_control.pointer.selected();
  if (!selected) return;
  const std::wstring path = OverviewItemPath(*shown->generation, *selected);
  ShowShellContextMenu(GetParent(hwnd), path, screen);
}

bool OverPathBarPart(HWND hwnd) {
  POINT point{};
  GetCursorPos(&point);
  ScreenToClient(hwnd, &point);
  const std::optional<std::size_t> step = PathBarStepAt(g_control.path_parts, point.x, point.y);
  const ResultViewState* views = g_control.host.views;
  return step && views != nullptr && *step + 1 < views->overview.path().size();
}

}  // namespace

void SetOverviewWindowHost(OverviewWindowHost host) { g_control.host = std::move(host); }

void RegisterOverviewWindowClass(HINSTANCE instance) {
  if (g_control.class_registered) return;
  RegisterControlClass(instance, kOverviewWindowClass, OverviewWindowProc);
  g_control.class_registered = true;
}

void RefreshOverview(HWND overview) {
  if (overview == nullptr) return;
  ZoomChanged(overview);
}

void OverviewGenerationChanged(HWND overview) {
  // The cells of the old generation go, and with them the last hold on it;
  // its bitmap stays on the page until the new picture comes.
  g_control.pointer.Show(nullptr);
  g_control.job.Cancel();
  g_control.pending_generation.reset();
  if (overview == nullptr) return;
  UpdateTip();
  RefreshOverview(overview);
}

UINT OverviewStateMessage() {
  static const UINT message = RegisterWindowMessageW(L"Tarnwick.OverviewState");
  return message;
}

LRESULT CALLBACK OverviewWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      g_control.tip.Create(hwnd, 800);
      return 0;
    case WM_DESTROY:
      g_control.job.Cancel();
      g_control.tip.Destroy();
      g_control.picture = SizedBitmap{};
      g_control.page = SizedBitmap{};
      break;
    case WM_SIZE:
      Compose(hwnd);
      RequestPicture(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the page covers the whole client area
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case kPictureMessage:
      OnPicture(hwnd, lparam);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(hwnd, PointOf(lparam));
      return 0;
    case WM_MOUSELEAVE:
      g_control.tracking_leave = false;
      if (g_control.pointer.Leave()) {
        UpdateTip();
        Compose(hwnd);
      }
      return 0;
    case WM_LBUTTONDOWN:
      OnButtonDown(hwnd, PointOf(lparam));
      return 0;
    case WM_LBUTTONDBLCLK:
      OnDoubleClick(hwnd, PointOf(lparam));
      return 0;
    case WM_XBUTTONUP:
      if (GET_XBUTTON_WPARAM(wparam) == XBUTTON1) ZoomOut(hwnd);
      return TRUE;
    case WM_KEYDOWN:
      if (wparam == VK_BACK) {
        ZoomOut(hwnd);
        return 0;
      }
      if (wparam == VK_RETURN) {
        ShowInTree();
        return 0;
      }
      break;
    case WM_CONTEXTMENU:
      OnContextMenu(hwnd, lparam);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lparam) == HTCLIENT && OverPathBarPart(hwnd)) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    default:
      if (message == OverviewStateMessage() && message != 0) {
        if (wparam == 0) return static_cast<LRESULT>(g_control.pictures_shown);
        if (wparam == 1) return g_control.job.busy() ? 1 : 0;
        const auto& shown = g_control.pointer.shown();
        return shown != nullptr ? static_cast<LRESULT>(shown->layout.cells.size()) : 0;
      }
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace tw
