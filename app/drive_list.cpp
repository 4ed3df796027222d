// The drive list (every local fixed drive) and the total, used and free space
// of the selected one. The texts come from the portable status texts.
#include "drive_list.h"

#include "app_state.h"
#include "views/status_texts.h"

namespace tw {

void FillDriveList(HWND combo) {
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  const DWORD drives = GetLogicalDrives();
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if ((drives & (1u << (letter - L'A'))) == 0) continue;
    const wchar_t root[] = {letter, L':', L'\\', 0};
    if (GetDriveTypeW(root) != DRIVE_FIXED) continue;  // removable, network, optical, RAM: never
    wchar_t label[261] = {};
    GetVolumeInformationW(root, label, 260, nullptr, nullptr, nullptr, nullptr, 0);
    const std::wstring text = DriveItemText(letter, label);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
}

std::wstring SelectedDriveLetter() {
  HWND combo = g_app.drive_combo;
  const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index < 0) return SelectedDriveLetter(std::wstring_view{});
  // CB_GETLBTEXT copies the whole item: ask its length first so that a long
  // volume label cannot overrun the buffer.
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return SelectedDriveLetter(std::wstring_view{});
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return SelectedDriveLetter(text);
}

DiskSpace QueryDiskSpace(const std::wstring& letter) {
  const std::wstring root = letter + L":\\";
  ULARGE_INTEGER available{}, total{}, total_free{};
  if (!GetDiskFreeSpaceExW(root.c_str(), &available, &total, &total_free)) return DiskSpace{};
  return MakeDiskSpace(total.QuadPart, available.QuadPart);
}

void UpdateSpaceSummary() {
  const DiskSpace space = QueryDiskSpace(SelectedDriveLetter());
  const SpaceSummaryTexts summary = SpaceSummary(space);
  SetWindowTextW(g_app.total_label, summary.total.c_str());
  SetWindowTextW(g_app.used_label, summary.used.c_str());
  SetWindowTextW(g_app.free_label, summary.free.c_str());
}

}  // namespace tw
