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

}  // namespace tw
