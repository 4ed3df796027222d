#include "base/drive_letter.h"

namespace tw {
namespace {

template <typename Char>
wchar_t LetterOf(std::basic_string_view<Char> text, bool device_paths_allowed) {
  if (device_paths_allowed && text.size() == 6) {
    const bool backslashes = text[0] == '\\' && text[1] == '\\' && text[2] == '.' && text[3] == '\\';
    const bool slashes = text[0] == '/' && text[1] == '/' && text[2] == '.' && text[3] == '/';
    if (!backslashes && !slashes) return 0;
    text.remove_prefix(4);
  }
  if (text.empty() || text.size() > 2 || (text.size() == 2 && text[1] != ':')) return 0;
  const Char c = text[0];
  if (c >= 'a' && c <= 'z') return static_cast<wchar_t>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<wchar_t>(c);
  return 0;
}

}  // namespace

wchar_t DriveLetterOf(std::string_view text, bool device_paths_allowed) { return LetterOf(text, device_paths_allowed); }

wchar_t DriveLetterOf(std::wstring_view text, bool device_paths_allowed) {
  return LetterOf(text, device_paths_allowed);
}

std::string VolumeDevicePath(wchar_t letter) { return std::string("\\\\.\\") + static_cast<char>(letter) + ":"; }

std::wstring RootName(std::wstring_view drive) {
  std::wstring name = L"[";
  name += drive;
  name += L":]";
  return name;
}

}  // namespace tw
