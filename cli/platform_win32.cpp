#include "cli/platform.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include "format/utf.h"

namespace tw {

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

bool SourceMayBeDriveLetter() { return true; }

void PrepareConsoleOutput() {
  SetConsoleOutputCP(CP_UTF8);
  // Bytes go out unchanged: the report and the JSON are UTF-8 with "\n".
  _setmode(_fileno(stdout), _O_BINARY);
}

std::FILE* OpenFileForWriting(const std::string& utf8_path) {
  return _wfopen(Utf8ToUtf16(utf8_path).c_str(), L"wb");
}

std::string SystemErrorText(int code) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : Utf16ToUtf8(message);
}

void EndOnLostSourcePages(const std::string&, int) {}

}  // namespace tw
