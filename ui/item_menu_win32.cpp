// The item menus of the result views: the shell's own for a scan of this
// machine, ours alone for an opened saved scan.
#include "ui/item_menu_win32.h"

#include "texts/texts.h"
#include "ui/file_icons_win32.h"
#include "ui/list_drawing_win32.h"

namespace tw {
namespace {

// Our menu's commands; 0 is TrackPopupMenu's "nothing chosen".
constexpr UINT kCommandCopyPath = 1;

// The popup menu, destroyed on scope exit.
class PopupMenu {
 public:
  PopupMenu() : menu_(CreatePopupMenu()) {}
  ~PopupMenu() {
    if (menu_ != nullptr) DestroyMenu(menu_);
  }
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;
  HMENU get() const { return menu_; }

 private:
  HMENU menu_;
};

}  // namespace

void ShowItemMenu(HWND owner, const ItemRef& item, ResultOrigin origin, POINT screen_point) {
  if (origin == ResultOrigin::kScanned) {
    ShowShellContextMenu(owner, item.path, screen_point);
    return;
  }
  const ItemMenuPlan plan = PlanItemMenu(item, origin);
  if (!plan.copy_path || item.path.empty()) return;
  const PopupMenu menu;
  if (menu.get() == nullptr) return;
  AppendMenuW(menu.get(), MF_STRING, kCommandCopyPath, text::kMenuCopyPath);
  const auto command = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screen_point.x,
                                                        screen_point.y, 0, owner, nullptr));
  if (command == kCommandCopyPath) CopyTextToClipboard(owner, item.path);
}

void ShowRowMenu(HWND list, HWND owner, const NMITEMACTIVATE& click, const ItemRef& item, ResultOrigin origin) {
  SelectListRow(list, click.iItem);
  POINT point = click.ptAction;
  ClientToScreen(list, &point);
  ShowItemMenu(owner, item, origin, point);
}

bool ShowItemInFileBrowser(const std::wstring& path, ResultOrigin origin) {
  return origin == ResultOrigin::kScanned && ShowInFileBrowser(path);
}

}  // namespace tw
