#include "ui/control_window_win32.h"

#include <commctrl.h>

#include <utility>

namespace tw {
namespace {

TTTOOLINFOW ToolOf(HWND owner) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(owner);
  return tool;
}

}  // namespace

void RegisterControlClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW control_class{};
  control_class.cbSize = sizeof(control_class);
  control_class.style = CS_DBLCLKS;
  control_class.lpfnWndProc = procedure;
  control_class.hInstance = instance;
  control_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  control_class.lpszClassName = name;
  RegisterClassExW(&control_class);
}

void WindowTip::Create(HWND owner, int max_width) {
  owner_ = owner;
  tip_ =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tip_ == nullptr) return;
  TTTOOLINFOW tool = ToolOf(owner);
  tool.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, max_width);  // lets the text break at its newline
}

void WindowTip::Destroy() {
  if (tip_ != nullptr) DestroyWindow(tip_);
  tip_ = nullptr;
}

void WindowTip::SetText(std::wstring text) {
  if (tip_ == nullptr) return;
  text_ = std::move(text);
  if (text_.empty()) SendMessageW(tip_, TTM_POP, 0, 0);
  TTTOOLINFOW tool = ToolOf(owner_);
  tool.lpszText = text_.data();
  SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace tw
