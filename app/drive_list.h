#pragma once
// The drive list of the top band and the space summary beside it.

#include <windows.h>

#include <string>

#include "views/status_texts.h"

namespace tw {

// Rebuilds the list from the fixed drives A..Z and selects the first item.
void FillDriveList(HWND combo);
// The letter of the selected item; "C" without a usable selection.
std::wstring SelectedDriveLetter();
DiskSpace QueryDiskSpace(const std::wstring& letter);
// Sets the three space labels for the selected drive.
void UpdateSpaceSummary();

}  // namespace tw
