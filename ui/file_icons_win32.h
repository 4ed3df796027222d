#pragma once
// The shell's small icon for a file extension, asked for once per distinct
// extension and kept for the rest of the run; and the shell's own context
// menu for a path. Both do nothing harmful on a shell that has neither
// (rows without icons, no menu).

#include <windows.h>

#include <string>
#include <string_view>

namespace tw {

// The icon for an extension with or without its dot (".txt", "TXT", "" for
// names without one); null when the shell has none. The caller draws it and
// never destroys it.
HICON IconForExtension(std::wstring_view extension);

// Shows the shell context menu of `path` at the screen point, owned by
// `owner`, and runs the command picked; returns when the menu has closed.
// An empty path, or one the shell cannot parse, shows nothing.
void ShowShellContextMenu(HWND owner, const std::wstring& path, POINT screen_point);

}  // namespace tw
