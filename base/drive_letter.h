#pragma once
// Drive letters as users and the system write them.

#include <string>
#include <string_view>

namespace tw {

// The letter that "C" or "C:" names (ASCII A-Z in either case), upper-cased;
// with device paths allowed also "\\.\C:" and "//./C:". 0 for anything else.
wchar_t DriveLetterOf(std::string_view text, bool device_paths_allowed = false);
wchar_t DriveLetterOf(std::wstring_view text, bool device_paths_allowed = false);

// The volume device of a drive letter: "\\.\C:".
std::string VolumeDevicePath(wchar_t letter);

// The name of a volume's root, and of its drive in the drive list: "[C:]"
// for the drive "C".
std::wstring RootName(std::wstring_view drive);

}  // namespace tw
