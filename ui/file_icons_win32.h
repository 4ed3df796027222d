#pragma once
// The shell's small icon for a file extension, asked for once per distinct
// extension and kept for the rest of the run; the shell's file browser
// showing a path, and the clipboard. Each does nothing harmful on a shell
// that lacks it (rows without icons, no browser). The item menu with the
// shell's own items is ui/item_menu_win32.h.

#include <windows.h>

#include <string>
#include <string_view>

namespace tw {

// The icon for an extension with or without its dot (".txt", "TXT", "" for
// names without one); null when the shell has none. The caller draws it and
// never destroys it.
HICON IconForExtension(std::wstring_view extension);

// Opens the folder holding `path` in the shell's file browser with the item
// selected (SHOpenFolderAndSelectItems on the path's item list: no command
// line is built). False when the path is empty or the shell cannot do it.
bool ShowInFileBrowser(const std::wstring& path);

// Puts the text on the clipboard as Unicode text; false when the clipboard
// cannot be had.
bool CopyTextToClipboard(HWND owner, std::wstring_view text);

}  // namespace tw
