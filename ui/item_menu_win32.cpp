// The item menu over the shell's context menu (SHParseDisplayName,
// SHBindToParent, IContextMenu) with our own items before it.
#include "ui/item_menu_win32.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <utility>

#include "texts/texts.h"

namespace tw {
namespace {

ItemActionHost g_host;

// Our commands; the shell's take the ids from kFirstShellCommand on.
enum : UINT {
  kCommandShowInExplorer = 1,
  kCommandCopyPath,
  kCommandDelete,
  kCommandDeletePermanently,
  kFirstShellCommand = 0x100,
  kLastShellCommand = 0x7FFF,
};

// Releases a COM interface on scope exit.
template <typename T>
struct Released {
  T* p = nullptr;
  ~Released() {
    if (p != nullptr) p->Release();
  }
  Released() = default;
  Released(const Released&) = delete;
  Released& operator=(const Released&) = delete;
};

// The shell's context menu of a path, when the shell can parse it.
class ShellMenu {
 public:
  ShellMenu(HWND owner, const std::wstring& path) {
    if (path.empty()) return;
    if (FAILED(SHParseDisplayName(path.c_str(), nullptr, &items_, 0, nullptr)) || items_ == nullptr) return;
    Released<IShellFolder> folder;
    PCUITEMID_CHILD child = nullptr;
    if (FAILED(SHBindToParent(items_, IID_IShellFolder, reinterpret_cast<void**>(&folder.p), &child)) ||
        folder.p == nullptr) {
      return;
    }
    folder.p->GetUIObjectOf(owner, 1, &child, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu_.p));
  }
  ~ShellMenu() {
    if (items_ != nullptr) CoTaskMemFree(items_);
  }
  ShellMenu(const ShellMenu&) = delete;
  ShellMenu& operator=(const ShellMenu&) = delete;

  // Adds the shell's items at the end of `popup`; false when there are none.
  bool AddTo(HMENU popup) {
    if (menu_.p == nullptr) return false;
    const UINT at = static_cast<UINT>(GetMenuItemCount(popup));
    return SUCCEEDED(menu_.p->QueryContextMenu(popup, at, kFirstShellCommand, kLastShellCommand, CMF_NORMAL));
  }

  void Run(HWND owner, UINT command) {
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof invoke;
    invoke.hwnd = owner;
    invoke.lpVerb = MAKEINTRESOURCEA(command - kFirstShellCommand);
    invoke.nShow = SW_SHOWNORMAL;
    menu_.p->InvokeCommand(&invoke);
  }

 private:
  PIDLIST_ABSOLUTE items_ = nullptr;
  Released<IContextMenu> menu_;
};

}  // namespace

void SetItemActionHost(ItemActionHost host) { g_host = std::move(host); }

const ItemActionHost& ItemActions() { return g_host; }

bool ItemActionKey(const ItemRef* item, WPARAM key) {
  const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  if (key == VK_DELETE) {
    if (item != nullptr && g_host.erase) g_host.erase(*item, shift);
    return true;
  }
  if (key == 'C' && control) {
    if (item != nullptr && g_host.copy) g_host.copy(*item);
    return true;
  }
  return false;
}

bool SeveralItemsKey(WPARAM key) {
  if (key != VK_DELETE) return false;
  if (g_host.say) g_host.say(std::wstring(text::kDeleteRefused) + text::kRefuseSeveral);
  return true;
}

ItemCommand TrackItemMenu(HWND owner, const ItemMenuPlan& plan, const std::wstring& path, POINT screen) {
  HMENU popup = CreatePopupMenu();
  if (popup == nullptr) return ItemCommand::kNone;
  if (plan.show_in_explorer) AppendMenuW(popup, MF_STRING, kCommandShowInExplorer, text::kMenuShowInExplorer);
  if (plan.copy_path) AppendMenuW(popup, MF_STRING, kCommandCopyPath, text::kMenuCopyPath);
  if (plan.delete_items) {
    AppendMenuW(popup, MF_STRING, kCommandDelete, text::kMenuDelete);
    AppendMenuW(popup, MF_STRING, kCommandDeletePermanently, text::kMenuDeletePermanently);
  }
  ShellMenu shell(owner, plan.shell_items ? path : std::wstring());
  if (plan.shell_items) {
    // The separator goes only where the shell's items follow it.
    const int ours = GetMenuItemCount(popup);
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    if (!shell.AddTo(popup)) DeleteMenu(popup, static_cast<UINT>(ours), MF_BYPOSITION);
  }
  const auto command =
      static_cast<UINT>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner, nullptr));
  ItemCommand picked = ItemCommand::kNone;
  switch (command) {
    case kCommandShowInExplorer:
      picked = ItemCommand::kShowInExplorer;
      break;
    case kCommandCopyPath:
      picked = ItemCommand::kCopyPath;
      break;
    case kCommandDelete:
      picked = ItemCommand::kDelete;
      break;
    case kCommandDeletePermanently:
      picked = ItemCommand::kDeletePermanently;
      break;
    default:
      if (command >= kFirstShellCommand && command <= kLastShellCommand) {
        shell.Run(owner, command);
        picked = ItemCommand::kShellCommand;
      }
      break;
  }
  DestroyMenu(popup);
  return picked;
}

}  // namespace tw
