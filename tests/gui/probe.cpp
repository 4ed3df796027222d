// Test-only probe for the GUI tests (never shipped). Runs beside tarnwick.exe
// in the same Wine desktop and reports what the program shows, as JSON on
// stdout (UTF-8):
//   probe dump [WAIT_MS]   the main window and its child controls (each with its
//                          client area in screen coordinates); waits up to
//                          WAIT_MS for the window to exist (exit 2 if it never does)
//   probe windows          every top-level window (class, title, rect, visible)
//   probe command ID       posts WM_COMMAND ID to the main window
//   probe limited EXE      runs EXE with the limited (non-elevated) twin of
//                          this process's token; exits with its exit code
//   probe gdi              the program's GDI object counts (live and created
//                          through its owner types; the system's count)
//   probe repaint N [ID]   repaints the main window and all its controls (or
//                          control ID) N times, each paint done before the next
//   probe list ID FIRST N  rows FIRST.. of list control ID: all cells, screen
//                          rectangles, selection; header items with sort marks;
//                          the list's client area on the screen
//   probe select ID ROW    selects and focuses a row of list ID
//   probe show ID ROW      scrolls row ROW of list ID fully into view
//   probe dblclick ID X Y  sends a double-click at screen point X, Y to
//                          control ID and waits until the window has repainted
//   probe header ID COL    clicks header item COL of list ID, scrolled into
//                          view first (same waiting)
//   probe end ID           presses End in list ID (same waiting)
//   probe bottom ID        scrolls list ID to its end (same waiting)
//   probe cycle N X Y      N rounds of: select the folder list's first row,
//                          double-click it twice (close, reopen: the treemap
//                          returns to that folder), double-click the treemap
//                          at screen point X, Y (navigate)
//   probe syscommand SC    posts WM_SYSCOMMAND SC to the main window
//   probe clipboard        the clipboard's text (CF_UNICODETEXT) or null
//   probe clipboard-set T  puts the text T on the clipboard
//   probe type BOX LINE T  puts T but its last character into edit control
//                          BOX and waits a second for the program to answer
//                          it; then types the last character and times until
//                          the text of control LINE changes and the window
//                          has repainted (prints the new text too)
//   probe overview         the 全景 control: pictures shown, whether one is
//                          being made, the cells of the one shown, its path bar
//   probe zoom N X Y       N rounds of: a double-click on the 全景 control at
//                          screen point X, Y, then Backspace, each waiting
//                          until the control has shown its next picture
//   probe dialog           the visible dialog the main window owns (a file
//                          dialog, a message box): title, rect and controls
//                          (id, class, text, rect, visible); {"found": false}
//   probe dialog-text ID T sets the text of that dialog's control ID to T
//                          (a file name: any characters, unlike typed keys)
//   probe scan-timing      presses 扫描 and prints the milliseconds until the
//                          folder list holds the result and until the
//                          comparison after it has arrived
// The sending verbs print the elapsed milliseconds of the round trip.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kMainClass[] = L"TarnwickWindow";
constexpr wchar_t kMainTitle[] = L"塔维-磁盘空间分析器";

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string Quote(const std::wstring& text) {
  std::string out = "\"";
  for (unsigned char c : Utf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Rect(int x, int y, int w, int h) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "[%d, %d, %d, %d]", x, y, w, h);
  return buffer;
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(hwnd, message, wparam, lparam, SMTO_ABORTIFHUNG, 3000, &result)) return -1;
  return static_cast<LRESULT>(result);
}

std::wstring WindowText(HWND hwnd) {
  const LRESULT length = Send(hwnd, WM_GETTEXTLENGTH);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT got = Send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  GetClassNameW(hwnd, name, 127);
  return name;
}

// Memory in the target process, for messages whose arguments are pointers
// that the system does not carry across processes (list views, headers).
class RemoteBuffer {
 public:
  RemoteBuffer(HWND hwnd, std::size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_ != nullptr) address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  bool ok() const { return address_ != nullptr; }
  char* at(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
  bool Write(std::size_t offset, const void* data, std::size_t n) const {
    return offset + n <= size_ && WriteProcessMemory(process_, at(offset), data, n, nullptr);
  }
  bool Read(std::size_t offset, void* data, std::size_t n) const {
    return offset + n <= size_ && ReadProcessMemory(process_, at(offset), data, n, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  std::size_t size_;
};

constexpr std::size_t kTextOffset = 512;
constexpr int kTextUnits = 260;

std::wstring ListCell(HWND list, const RemoteBuffer& buffer, int row, int column) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(buffer.at(kTextOffset));
  item.cchTextMax = kTextUnits;
  if (!buffer.Write(0, &item, sizeof item)) return {};
  const LRESULT n = Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer.at(0)));
  if (n <= 0) return {};
  std::wstring text(static_cast<std::size_t>(std::min<LRESULT>(n, kTextUnits - 1)), L'\0');
  buffer.Read(kTextOffset, text.data(), text.size() * sizeof(wchar_t));
  return text;
}

std::vector<std::wstring> HeaderTexts(HWND header, const RemoteBuffer& buffer) {
  std::vector<std::wstring> texts;
  const LRESULT count = Send(header, HDM_GETITEMCOUNT);
  for (int i = 0; i < count; ++i) {
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = reinterpret_cast<wchar_t*>(buffer.at(kTextOffset));
    item.cchTextMax = kTextUnits;
    wchar_t zero[kTextUnits] = {};
    buffer.Write(kTextOffset, zero, sizeof zero);
    if (!buffer.Write(0, &item, sizeof item)) break;
    Send(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.at(0)));
    wchar_t text[kTextUnits] = {};
    buffer.Read(kTextOffset, text, sizeof text);
    text[kTextUnits - 1] = 0;
    texts.emplace_back(text);
  }
  return texts;
}

std::string ListDetails(HWND list) {
  std::string out;
  const LRESULT count = Send(list, LVM_GETITEMCOUNT);
  out += ", \"count\": " + std::to_string(count);
  RemoteBuffer buffer(list, 4096);
  if (!buffer.ok()) return out;
  out += ", \"columns\": [";
  if (HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER))) {
    bool first = true;
    for (const std::wstring& text : HeaderTexts(header, buffer)) {
      out += (first ? "" : ", ") + Quote(text);
      first = false;
    }
  }
  out += "], \"rows\": [";
  for (int row = 0; row < count && row < 8; ++row) {
    out += row == 0 ? "[" : ", [";
    for (int column = 0; column < 3; ++column) {
      out += (column == 0 ? "" : ", ") + Quote(ListCell(list, buffer, row, column));
    }
    out += "]";
  }
  return out + "]";
}

// The client area of a window in screen coordinates.
std::string ClientOnScreen(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  MapWindowPoints(hwnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  return Rect(client.left, client.top, client.right - client.left, client.bottom - client.top);
}

std::string ComboDetails(HWND combo) {
  std::string out = ", \"items\": [";
  const LRESULT count = Send(combo, CB_GETCOUNT);
  for (int i = 0; i < count; ++i) {
    const LRESULT length = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i));
    std::wstring text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, L'\0');
    if (length > 0) Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    out += (i == 0 ? "" : ", ") + Quote(text);
  }
  return out + "], \"selection\": " + std::to_string(Send(combo, CB_GETCURSEL));
}

struct Collect {
  HWND main;
  std::vector<std::string> controls;
};

BOOL CALLBACK DescribeChild(HWND child, LPARAM param) {
  auto& collect = *reinterpret_cast<Collect*>(param);
  if (GetParent(child) != collect.main) return TRUE;  // direct children only
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, collect.main, reinterpret_cast<POINT*>(&rect), 2);
  const std::wstring class_name = ClassOf(child);
  std::string out = "{\"class\": " + Quote(class_name) + ", \"id\": " + std::to_string(GetDlgCtrlID(child)) +
                    ", \"text\": " + Quote(WindowText(child)) +
                    ", \"rect\": " + Rect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top) +
                    ", \"client\": " + ClientOnScreen(child) +
                    ", \"visible\": " + (IsWindowVisible(child) ? "true" : "false") +
                    ", \"enabled\": " + (IsWindowEnabled(child) ? "true" : "false");
  if (_wcsicmp(class_name.c_str(), L"ComboBox") == 0) out += ComboDetails(child);
  if (_wcsicmp(class_name.c_str(), L"Button") == 0) {
    out += std::string(", \"checked\": ") + (Send(child, BM_GETCHECK) == BST_CHECKED ? "true" : "false");
  }
  if (_wcsicmp(class_name.c_str(), PROGRESS_CLASSW) == 0) {
    out += ", \"position\": " + std::to_string(Send(child, PBM_GETPOS));
  }
  if (_wcsicmp(class_name.c_str(), WC_LISTVIEWW) == 0) out += ListDetails(child);
  if (_wcsicmp(class_name.c_str(), WC_TABCONTROLW) == 0) {
    const LRESULT count = Send(child, TCM_GETITEMCOUNT);
    out += ", \"count\": " + std::to_string(count) + ", \"selection\": " + std::to_string(Send(child, TCM_GETCURSEL)) +
           ", \"items\": [";
    RemoteBuffer buffer(child, sizeof(RECT));
    for (int i = 0; buffer.ok() && i < count; ++i) {  // item rectangles in main-window client coordinates
      RECT item{};
      buffer.Write(0, &item, sizeof item);
      Send(child, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.at(0)));
      buffer.Read(0, &item, sizeof item);
      MapWindowPoints(child, collect.main, reinterpret_cast<POINT*>(&item), 2);
      out += (i == 0 ? "" : ", ") + Rect(item.left, item.top, item.right - item.left, item.bottom - item.top);
    }
    out += "], \"texts\": [";
    RemoteBuffer texts(child, 1024);
    for (int i = 0; texts.ok() && i < count; ++i) {
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = reinterpret_cast<wchar_t*>(texts.at(512));
      item.cchTextMax = 64;
      wchar_t text[64] = {};
      texts.Write(512, text, sizeof text);
      texts.Write(0, &item, sizeof item);
      Send(child, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(texts.at(0)));
      texts.Read(512, text, sizeof text);
      text[63] = 0;
      out += (i == 0 ? "" : ", ") + Quote(text);
    }
    out += "]";
  }
  collect.controls.push_back(out + "}");
  return TRUE;
}

// The title bar's minimise and close buttons, in screen coordinates: found
// by hit-testing along the middle of the caption from the right edge.
std::string TitleButtons(HWND main) {
  RECT window{};
  GetWindowRect(main, &window);
  const int y = window.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
  int close_left = -1, close_right = -1, min_left = -1, min_right = -1;
  for (int x = window.right - 1; x > window.right - 240 && x > window.left; --x) {
    const LRESULT hit = Send(main, WM_NCHITTEST, 0, MAKELPARAM(x, y));
    if (hit == HTCLOSE) {
      if (close_right < 0) close_right = x;
      close_left = x;
    } else if (hit == HTMINBUTTON) {
      if (min_right < 0) min_right = x;
      min_left = x;
    }
  }
  const auto point = [y](int left, int right) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "[%d, %d]", (left + right) / 2, y);
    return std::string(buffer);
  };
  std::string out;
  if (min_left >= 0) out += ", \"minimize_button\": " + point(min_left, min_right);
  if (close_left >= 0) out += ", \"close_button\": " + point(close_left, close_right);
  return out;
}

HWND FindMain() {
  HWND hwnd = FindWindowW(kMainClass, kMainTitle);
  return hwnd != nullptr ? hwnd : FindWindowW(kMainClass, nullptr);
}

// The work area of the monitor the window is on, in screen coordinates.
std::string WorkArea(HWND hwnd) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info)) return "null";
  const RECT& r = info.rcWork;
  return Rect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

int Dump(DWORD wait_ms) {
  HWND main = FindMain();
  for (DWORD waited = 0; main == nullptr && waited < wait_ms; waited += 100) {
    Sleep(100);
    main = FindMain();
  }
  if (main == nullptr) {
    std::printf("{\"found\": false}\n");
    return 2;
  }
  RECT window{}, client{};
  GetWindowRect(main, &window);
  GetClientRect(main, &client);
  POINT origin{0, 0};
  ClientToScreen(main, &origin);
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  Collect collect{main, {}};
  EnumChildWindows(main, DescribeChild, reinterpret_cast<LPARAM>(&collect));
  std::string out =
      "{\"found\": true, \"class\": " + Quote(ClassOf(main)) + ", \"title\": " + Quote(WindowText(main)) +
      ", \"pid\": " + std::to_string(pid) + ", \"visible\": " + (IsWindowVisible(main) ? "true" : "false") +
      ", \"iconic\": " + (IsIconic(main) ? "true" : "false") +
      ", \"window\": " + Rect(window.left, window.top, window.right - window.left, window.bottom - window.top) +
      ", \"client\": " + Rect(origin.x, origin.y, client.right, client.bottom) +
      ", \"dpi\": " + std::to_string(GetDpiForWindow(main)) + ", \"work_area\": " + WorkArea(main) +
      TitleButtons(main) + ", \"controls\": [\n  ";
  for (std::size_t i = 0; i < collect.controls.size(); ++i) {
    out += (i == 0 ? "" : ",\n  ") + collect.controls[i];
  }
  out += "\n]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
  auto& texts = *reinterpret_cast<std::vector<std::wstring>*>(param);
  const std::wstring text = WindowText(child);
  if (!text.empty()) texts.push_back(text);
  return TRUE;
}

BOOL CALLBACK DescribeTopLevel(HWND hwnd, LPARAM param) {
  auto& list = *reinterpret_cast<std::vector<std::string>*>(param);
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  std::string out = "{\"class\": " + Quote(ClassOf(hwnd)) + ", \"title\": " + Quote(WindowText(hwnd)) +
                    ", \"rect\": " + Rect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top) +
                    ", \"visible\": " + (IsWindowVisible(hwnd) ? "true" : "false");
  if (ClassOf(hwnd) == L"#32770") {  // a dialog (message box): the texts of its controls
    std::vector<std::wstring> texts;
    EnumChildWindows(hwnd, CollectText, reinterpret_cast<LPARAM>(&texts));
    out += ", \"texts\": [";
    for (std::size_t i = 0; i < texts.size(); ++i) out += (i == 0 ? "" : ", ") + Quote(texts[i]);
    out += "]";
  }
  list.push_back(out + "}");
  return TRUE;
}

int Windows() {
  std::vector<std::string> list;
  EnumWindows(DescribeTopLevel, reinterpret_cast<LPARAM>(&list));
  std::string out = "[";
  for (std::size_t i = 0; i < list.size(); ++i) out += (i == 0 ? "\n  " : ",\n  ") + list[i];
  out += "\n]\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

// Answers the message box on show with the button of that id (IDYES 6,
// IDNO 7) as a click would.
BOOL CALLBACK FindDialog(HWND hwnd, LPARAM param) {
  if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770") {
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
  }
  return TRUE;
}

int Answer(int button) {
  HWND dialog = nullptr;
  EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr || GetDlgItem(dialog, button) == nullptr) return 1;
  return PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                      reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)))
             ? 0
             : 1;
}

// ---- Dialogs the program shows ----------------------------------------------------

struct DialogSearch {
  HWND owner = nullptr;
  HWND found = nullptr;
};

BOOL CALLBACK FindOwnedDialog(HWND hwnd, LPARAM param) {
  auto& search = *reinterpret_cast<DialogSearch*>(param);
  if (ClassOf(hwnd) == L"#32770" && IsWindowVisible(hwnd) && GetWindow(hwnd, GW_OWNER) == search.owner) {
    search.found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND OwnedDialog() {
  DialogSearch search{FindMain(), nullptr};
  if (search.owner != nullptr) EnumWindows(FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK DescribeDialogControl(HWND child, LPARAM param) {
  auto& list = *reinterpret_cast<std::vector<std::string>*>(param);
  RECT rect{};
  GetWindowRect(child, &rect);
  list.push_back("{\"id\": " + std::to_string(GetDlgCtrlID(child)) + ", \"class\": " + Quote(ClassOf(child)) +
                 ", \"text\": " + Quote(WindowText(child)) +
                 ", \"rect\": " + Rect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top) +
                 ", \"visible\": " + (IsWindowVisible(child) ? "true" : "false") + "}");
  return TRUE;
}

int Dialog() {
  HWND dialog = OwnedDialog();
  if (dialog == nullptr) {
    std::printf("{\"found\": false}\n");
    return 0;
  }
  RECT rect{};
  GetWindowRect(dialog, &rect);
  std::vector<std::string> controls;
  EnumChildWindows(dialog, DescribeDialogControl, reinterpret_cast<LPARAM>(&controls));
  std::string out = "{\"found\": true, \"title\": " + Quote(WindowText(dialog)) +
                    ", \"rect\": " + Rect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top) +
                    ", \"controls\": [";
  for (std::size_t i = 0; i < controls.size(); ++i) out += (i == 0 ? "\n  " : ",\n  ") + controls[i];
  out += "]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

// The dialog's control of that id, wherever it sits (a file dialog's name
// field is an edit inside a combo box inside another, all of one id): the
// innermost edit when there is one.
struct ControlSearch {
  int id = 0;
  HWND found = nullptr;
};

BOOL CALLBACK FindControl(HWND child, LPARAM param) {
  auto& search = *reinterpret_cast<ControlSearch*>(param);
  if (GetDlgCtrlID(child) != search.id) return TRUE;
  if (search.found == nullptr || ClassOf(child) == L"Edit") search.found = child;
  return TRUE;
}

int DialogText(int id, const std::wstring& text) {
  HWND dialog = OwnedDialog();
  ControlSearch search{id, nullptr};
  if (dialog != nullptr) EnumChildWindows(dialog, FindControl, reinterpret_cast<LPARAM>(&search));
  HWND control = search.found;
  if (control == nullptr) return 2;
  // WM_SETTEXT's string is carried across processes by the system.
  return Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) > 0 ? 0 : 1;
}

int Command(int id) {
  HWND main = FindMain();
  if (main == nullptr) return 2;
  return PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(id), 0) ? 0 : 1;
}

// Starts a program with a filtered, non-elevated copy of this process's
// token and returns its exit code (or 3 when it cannot be started).
int StartLimited(const std::wstring& exe) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &token)) return 3;
  // An elevated token's linked token is its limited (filtered) twin.
  TOKEN_LINKED_TOKEN linked{};
  DWORD linked_size = 0;
  const BOOL got = GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &linked_size);
  CloseHandle(token);
  if (!got) return 3;
  HANDLE limited = nullptr;
  const BOOL made =
      DuplicateTokenEx(linked.LinkedToken, TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary, &limited);
  CloseHandle(linked.LinkedToken);
  if (!made) return 3;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring command = L"\"" + exe + L"\"";
  if (!CreateProcessAsUserW(limited, nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
    CloseHandle(limited);
    return 3;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 3;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(limited);
  return static_cast<int>(code);
}

// ---- Views: GDI counts, repaints, list rows, timed input ----------------------

HWND Control(HWND main, int id) { return main != nullptr ? GetDlgItem(main, id) : nullptr; }

double NowMs() {
  LARGE_INTEGER frequency{}, now{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Paints everything that is invalid in the main window and its controls now,
// then makes sure the program's queue has been served.
void Settle(HWND main) {
  RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  Send(main, WM_NULL);
}

int Gdi() {
  HWND main = FindMain();
  if (main == nullptr) return 2;
  const UINT message = RegisterWindowMessageW(L"Tarnwick.GdiObjectCount");
  std::printf("{\"live\": %lld, \"created\": %lld, \"system\": %lld}\n", static_cast<long long>(Send(main, message, 0)),
              static_cast<long long>(Send(main, message, 1)), static_cast<long long>(Send(main, message, 2)));
  return 0;
}

int Repaint(int times, int id) {
  HWND main = FindMain();
  HWND target = id != 0 ? Control(main, id) : main;
  if (target == nullptr) return 2;
  const double start = NowMs();
  for (int i = 0; i < times; ++i) {
    RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Send(main, WM_NULL);
  }
  std::printf("{\"ms\": %.1f}\n", NowMs() - start);
  return 0;
}

std::string ScreenRect(HWND hwnd, RECT rect) {
  MapWindowPoints(hwnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
  return Rect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

int List(int id, int first, int n) {
  HWND list = Control(FindMain(), id);
  if (list == nullptr) return 2;
  RemoteBuffer buffer(list, 4096);
  if (!buffer.ok()) return 3;
  const LRESULT count = Send(list, LVM_GETITEMCOUNT);
  HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER));
  const LRESULT columns = header != nullptr ? Send(header, HDM_GETITEMCOUNT) : 0;
  std::string out =
      "{\"count\": " + std::to_string(count) + ", \"top\": " + std::to_string(Send(list, LVM_GETTOPINDEX)) +
      ", \"selected\": " + std::to_string(Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)) +
      ", \"selected_count\": " + std::to_string(Send(list, LVM_GETSELECTEDCOUNT)) +
      ", \"client\": " + ClientOnScreen(list) + ", \"header\": [";
  const std::vector<std::wstring> titles =
      header != nullptr ? HeaderTexts(header, buffer) : std::vector<std::wstring>{};
  for (int i = 0; i < columns; ++i) {
    RECT rect{};
    buffer.Write(0, &rect, sizeof rect);
    Send(header, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.at(0)));
    buffer.Read(0, &rect, sizeof rect);
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    buffer.Write(0, &item, sizeof item);
    Send(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.at(0)));
    buffer.Read(0, &item, sizeof item);
    const char* sort = (item.fmt & HDF_SORTUP) != 0 ? "up" : (item.fmt & HDF_SORTDOWN) != 0 ? "down" : "";
    out += std::string(i == 0 ? "" : ", ") + "{\"text\": " +
           Quote(static_cast<std::size_t>(i) < titles.size() ? titles[static_cast<std::size_t>(i)] : L"") +
           ", \"rect\": " + ScreenRect(header, rect) + ", \"sort\": \"" + sort + "\"}";
  }
  out += "], \"rows\": [";
  for (int row = first; row < count && row < first + n; ++row) {
    RECT rect{};
    rect.left = LVIR_BOUNDS;
    buffer.Write(0, &rect, sizeof rect);
    Send(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer.at(0)));
    buffer.Read(0, &rect, sizeof rect);
    const bool selected = (Send(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
    out += std::string(row == first ? "\n  " : ",\n  ") + "{\"index\": " + std::to_string(row) +
           ", \"rect\": " + ScreenRect(list, rect) + ", \"selected\": " + (selected ? "true" : "false") +
           ", \"cells\": [";
    for (int column = 0; column < columns; ++column) {
      out += (column == 0 ? "" : ", ") + Quote(ListCell(list, buffer, row, column));
    }
    out += "]}";
  }
  out += "]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

// What each column of a list holds against its width: the header's text and
// the widest text of the rows in view, measured in the program's list font
// (Segoe UI, 14 pixels at 96 DPI, scaled to the window's DPI: the probe makes
// the same font, since a font handle does not cross processes).
int Fit(int id) {
  HWND main = FindMain();
  HWND list = Control(main, id);
  if (list == nullptr) return 2;
  RemoteBuffer buffer(list, 4096);
  if (!buffer.ok()) return 3;
  const int dpi = static_cast<int>(GetDpiForWindow(main));
  HFONT font =
      CreateFontW(-MulDiv(14, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                  CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  const auto extent = [dc](const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER));
  const std::vector<std::wstring> titles =
      header != nullptr ? HeaderTexts(header, buffer) : std::vector<std::wstring>{};
  const int count = static_cast<int>(Send(list, LVM_GETITEMCOUNT));
  const int top = static_cast<int>(Send(list, LVM_GETTOPINDEX));
  const int end = std::min(count, top + static_cast<int>(Send(list, LVM_GETCOUNTPERPAGE)) + 1);
  std::string out =
      "{\"dpi\": " + std::to_string(dpi) + ", \"rows\": " + std::to_string(std::max(0, end - top)) + ", \"columns\": [";
  for (std::size_t column = 0; column < titles.size(); ++column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    buffer.Write(0, &item, sizeof item);
    Send(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(buffer.at(0)));
    buffer.Read(0, &item, sizeof item);
    std::wstring widest;
    int widest_extent = 0;
    for (int row = top; row < end; ++row) {
      const std::wstring text = ListCell(list, buffer, row, static_cast<int>(column));
      if (const int e = extent(text); e > widest_extent) {
        widest_extent = e;
        widest = text;
      }
    }
    out += std::string(column == 0 ? "" : ", ") + "{\"text\": " + Quote(titles[column]) +
           ", \"width\": " + std::to_string(Send(list, LVM_GETCOLUMNWIDTH, column)) +
           ", \"text_extent\": " + std::to_string(extent(titles[column])) +
           ", \"sorted\": " + ((item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) != 0 ? "true" : "false") +
           ", \"widest\": " + Quote(widest) + ", \"widest_extent\": " + std::to_string(widest_extent) + "}";
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(font);
  out += "]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

bool SelectRow(HWND list, int row) {
  RemoteBuffer buffer(list, sizeof(LVITEMW));
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  return buffer.ok() && buffer.Write(0, &item, sizeof item) &&
         Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(buffer.at(0))) != 0;
}

LPARAM ClientPoint(HWND hwnd, int x, int y) {
  POINT point{x, y};
  ScreenToClient(hwnd, &point);
  return MAKELPARAM(point.x, point.y);
}

// A double-click as the control's handler sees it (the first click's
// button-down is left out: a list view would wait in it for a drag).
void DoubleClick(HWND hwnd, LPARAM point) {
  Send(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
  Send(hwnd, WM_LBUTTONUP, 0, point);
}

int Timed(HWND main, const std::function<void()>& action) {
  const double start = NowMs();
  action();
  Settle(main);
  std::printf("{\"ms\": %.1f}\n", NowMs() - start);
  return 0;
}

int SendDoubleClick(int id, int x, int y) {
  HWND main = FindMain();
  HWND control = Control(main, id);
  if (control == nullptr) return 2;
  return Timed(main, [&] { DoubleClick(control, ClientPoint(control, x, y)); });
}

int ClickHeader(int id, int column) {
  HWND main = FindMain();
  HWND list = Control(main, id);
  HWND header = list != nullptr ? reinterpret_cast<HWND>(Send(list, LVM_GETHEADER)) : nullptr;
  if (header == nullptr) return 2;
  RemoteBuffer buffer(header, sizeof(RECT));
  RECT rect{};
  const auto item_rect = [&] {
    buffer.Write(0, &rect, sizeof rect);
    Send(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(buffer.at(0)));
    buffer.Read(0, &rect, sizeof rect);
  };
  item_rect();
  RECT client{};
  GetClientRect(header, &client);
  if ((rect.left + rect.right) / 2 >= client.right) {  // scroll the column into view first
    Send(list, LVM_SCROLL, static_cast<WPARAM>(rect.left), 0);
    item_rect();
  }
  const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  return Timed(main, [&] {
    Send(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
    Send(header, WM_LBUTTONUP, 0, point);
  });
}

int PressEnd(int id) {
  HWND main = FindMain();
  HWND list = Control(main, id);
  if (list == nullptr) return 2;
  return Timed(main, [&] {
    Send(list, WM_KEYDOWN, VK_END, 0);
    Send(list, WM_KEYUP, VK_END, 0);
  });
}

int ScrollToBottom(int id) {
  HWND main = FindMain();
  HWND list = Control(main, id);
  if (list == nullptr) return 2;
  return Timed(main, [&] { Send(list, WM_VSCROLL, SB_BOTTOM, 0); });
}

int Cycle(int rounds, int x, int y) {
  HWND main = FindMain();
  HWND list = Control(main, 1003);
  HWND treemap = Control(main, 1009);
  if (list == nullptr || treemap == nullptr) return 2;
  RemoteBuffer buffer(list, sizeof(RECT));
  RECT rect{};
  rect.left = LVIR_LABEL;
  buffer.Write(0, &rect, sizeof rect);
  Send(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(buffer.at(0)));
  buffer.Read(0, &rect, sizeof rect);
  const LPARAM row_point = MAKELPARAM(rect.right - 4, (rect.top + rect.bottom) / 2);
  const LPARAM treemap_point = ClientPoint(treemap, x, y);
  return Timed(main, [&] {
    for (int i = 0; i < rounds; ++i) {
      SelectRow(list, 0);
      DoubleClick(list, row_point);  // closes the first row
      DoubleClick(list, row_point);  // opens it again: the treemap shows it
      Settle(main);
      DoubleClick(treemap, treemap_point);
      Settle(main);
    }
  });
}

// Presses 扫描 and times, polling every millisecond or so, how long until the
// folder list holds the new result (the status line says 扫描完成 again:
// the window fills the lists before it sets that line) and until the status
// line no longer says 正在比较… (the comparison that follows). Prints both
// in milliseconds; a figure is -1 when it did not come within 10 minutes.
int ScanTiming() {
  HWND main = FindMain();
  HWND status = Control(main, 1005);
  HWND list = Control(main, 1003);
  HWND button = Control(main, 1002);
  if (status == nullptr || list == nullptr || button == nullptr) return 2;
  const auto done = [&] {
    return WindowText(status).rfind(L"\u626B\u63CF\u5B8C\u6210", 0) == 0 && Send(list, LVM_GETITEMCOUNT) > 0;
  };
  const auto comparing = [&] { return WindowText(status).find(L"\u6B63\u5728\u6BD4\u8F83") != std::wstring::npos; };
  const double start = NowMs();
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  // The press shows 正在扫描... first; a scan that ends within the first poll
  // is caught by the status line having changed to the scanning one.
  const auto wait_until = [&](const auto& condition) {
    while (!condition()) {
      if (NowMs() - start > 600000.0) return -1.0;
      Sleep(1);
    }
    return NowMs() - start;
  };
  wait_until([&] { return !done(); });
  const double listed = wait_until(done);
  const double compared = listed < 0 ? -1.0 : wait_until([&] { return !comparing(); });
  std::printf("{\"list_ms\": %.1f, \"compared_ms\": %.1f}\n", listed, compared);
  return 0;
}

// ---- The 全景 control -----------------------------------------------------------

constexpr int kOverviewId = 1030;

LRESULT OverviewState(HWND overview, WPARAM which) {
  return Send(overview, RegisterWindowMessageW(L"Tarnwick.OverviewState"), which);
}

int Overview() {
  HWND overview = Control(FindMain(), kOverviewId);
  if (overview == nullptr) return 2;
  std::printf("{\"pictures\": %lld, \"busy\": %lld, \"cells\": %lld, \"path\": %s}\n",
              static_cast<long long>(OverviewState(overview, 0)), static_cast<long long>(OverviewState(overview, 1)),
              static_cast<long long>(OverviewState(overview, 2)), Quote(WindowText(overview)).c_str());
  return 0;
}

// Waits until the control has shown more than `pictures` pictures; false after 20 s.
bool AwaitPicture(HWND overview, LRESULT pictures) {
  for (int waited = 0; waited < 20000; waited += 10) {
    if (OverviewState(overview, 0) > pictures) return true;
    Sleep(10);
  }
  return false;
}

int Zoom(int rounds, int x, int y) {
  HWND main = FindMain();
  HWND overview = Control(main, kOverviewId);
  if (overview == nullptr) return 2;
  const LPARAM point = ClientPoint(overview, x, y);
  int done = 0;
  const double start = NowMs();
  for (int i = 0; i < rounds; ++i) {
    LRESULT pictures = OverviewState(overview, 0);
    DoubleClick(overview, point);
    if (!AwaitPicture(overview, pictures)) break;
    pictures = OverviewState(overview, 0);
    Send(overview, WM_KEYDOWN, VK_BACK, 0);
    Send(overview, WM_KEYUP, VK_BACK, 0);
    if (!AwaitPicture(overview, pictures)) break;
    ++done;
  }
  Settle(main);
  std::printf("{\"ms\": %.1f, \"rounds\": %d}\n", NowMs() - start, done);
  return 0;
}

int SysCommand(int command) {
  HWND main = FindMain();
  if (main == nullptr) return 2;
  return PostMessageW(main, WM_SYSCOMMAND, static_cast<WPARAM>(command), 0) ? 0 : 1;
}

// What Windows sends every top-level window when the app mode changes: the
// string travels with the message, as the system's own broadcast carries it.
// What Windows sends when a setting changes: the area's name ("workarea":
// SPI_SETWORKAREA, which Windows sends when the taskbar changes and Wine's
// desktop, whose taskbar may appear after the program, does not).
int SettingChange(const wchar_t* area) {
  HWND main = FindMain();
  if (main == nullptr) return 2;
  const bool work_area = std::wcscmp(area, L"workarea") == 0;
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(main, WM_SETTINGCHANGE, work_area ? SPI_SETWORKAREA : 0,
                             work_area ? 0 : reinterpret_cast<LPARAM>(area), SMTO_ABORTIFHUNG, 10000, &result) != 0
             ? 0
             : 1;
}

// The clipboard is shared: another program may hold it open for a moment.
bool OpenClipboardRetrying() {
  for (int i = 0; i < 50; ++i) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(20);
  }
  return false;
}

int PrintClipboard() {
  if (!OpenClipboardRetrying()) return 3;
  std::string out = "{\"text\": null}\n";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
      const std::size_t units = GlobalSize(data) / sizeof(wchar_t);
      out = "{\"text\": " + Quote(std::wstring(text, wcsnlen(text, units))) + "}\n";
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}

int SetClipboard(const std::wstring& text) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  if (memory == nullptr) return 3;
  auto* units = static_cast<wchar_t*>(GlobalLock(memory));
  std::copy(text.begin(), text.end(), units);
  units[text.size()] = L'\0';
  GlobalUnlock(memory);
  if (!OpenClipboardRetrying()) {
    GlobalFree(memory);
    return 3;
  }
  EmptyClipboard();
  const bool set = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  if (!set) GlobalFree(memory);
  CloseClipboard();
  return set ? 0 : 1;
}

// ---- The search box: from a keystroke to the rows shown ----------------------

int TypeAndTime(int box_id, int line_id, const std::wstring& text) {
  HWND main = FindMain();
  HWND box = Control(main, box_id);
  HWND line = Control(main, line_id);
  if (box == nullptr || line == nullptr || text.empty()) return 2;
  const std::wstring lead = text.substr(0, text.size() - 1);
  Send(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lead.c_str()));     // the program reads it on EN_CHANGE
  Send(box, EM_SETSEL, lead.size(), static_cast<LPARAM>(lead.size()));  // the caret after it
  Sleep(1000);
  Settle(main);
  const std::wstring before = WindowText(line);
  const double start = NowMs();
  Send(box, WM_CHAR, static_cast<WPARAM>(text.back()), 1);
  std::wstring now = before;
  // Asked every millisecond: asking without a pause would take the
  // processor (and Wine's server) from the search it waits for.
  while (now == before && NowMs() - start < 30000) {
    Sleep(1);
    now = WindowText(line);
  }
  Settle(main);
  const double ms = NowMs() - start;
  if (now == before) {
    std::printf("{\"ms\": null, \"line\": %s}\n", Quote(now).c_str());
    return 1;
  }
  std::printf("{\"ms\": %.1f, \"line\": %s}\n", ms, Quote(now).c_str());
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring verb = argc > 1 ? argv[1] : L"dump";
  if (verb == L"dump") return Dump(argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 0);
  if (verb == L"windows") return Windows();
  if (verb == L"command" && argc > 2) return Command(static_cast<int>(std::wcstol(argv[2], nullptr, 10)));
  if (verb == L"limited" && argc > 2) return StartLimited(argv[2]);
  const auto number = [&](int i) { return argc > i ? static_cast<int>(std::wcstol(argv[i], nullptr, 10)) : 0; };
  if (verb == L"gdi") return Gdi();
  if (verb == L"repaint") return Repaint(number(2), number(3));
  if (verb == L"list") return List(number(2), number(3), argc > 4 ? number(4) : 50);
  if (verb == L"select") return SelectRow(Control(FindMain(), number(2)), number(3)) ? 0 : 1;
  if (verb == L"show") {
    HWND list = Control(FindMain(), number(2));
    return list != nullptr && Send(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(number(3)), FALSE) > 0 ? 0 : 1;
  }
  if (verb == L"fit") return Fit(number(2));
  if (verb == L"colwidth") {
    HWND list = Control(FindMain(), number(2));
    return list != nullptr && Send(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(number(3)), number(4)) != 0 ? 0 : 1;
  }
  if (verb == L"dblclick") return SendDoubleClick(number(2), number(3), number(4));
  if (verb == L"header") return ClickHeader(number(2), number(3));
  if (verb == L"end") return PressEnd(number(2));
  if (verb == L"bottom") return ScrollToBottom(number(2));
  if (verb == L"cycle") return Cycle(number(2), number(3), number(4));
  if (verb == L"syscommand") return SysCommand(number(2));
  if (verb == L"settingchange" && argc > 2) return SettingChange(argv[2]);
  if (verb == L"clipboard") return PrintClipboard();
  if (verb == L"clipboard-set" && argc > 2) return SetClipboard(argv[2]);
  if (verb == L"scan-timing") return ScanTiming();
  if (verb == L"type" && argc > 4) return TypeAndTime(number(2), number(3), argv[4]);
  if (verb == L"overview") return Overview();
  if (verb == L"zoom") return Zoom(number(2), number(3), number(4));
  if (verb == L"answer") return Answer(number(2));
  if (verb == L"dialog") return Dialog();
  if (verb == L"dialog-text" && argc > 3) return DialogText(number(2), argv[3]);
  std::fprintf(stderr, "usage: probe dump [WAIT_MS] | windows | command ID | limited EXE\n");
  return 64;
}
