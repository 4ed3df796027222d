// Saving a scan on Windows: a temporary file beside the target, written and
// flushed to the disk, then moved over the target with write-through.
#include <windows.h>

#include <string>

#include "format/utf.h"
#include "model/snapshot.h"

namespace tw {
namespace {

std::string LastErrorText() {
  const DWORD code = GetLastError();
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) message.pop_back();
  return message.empty() ? "error " + std::to_string(code) : Utf16ToUtf8(message);
}

}  // namespace

bool SaveSnapshotFile(const std::string& path, const ScanResult& result, std::string& error) {
  const std::vector<std::uint8_t> bytes = EncodeSnapshot(result);
  const std::wstring target = Utf8ToUtf16(path);
  const std::wstring temporary = target + L".tmp" + std::to_wstring(GetCurrentProcessId());
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = LastErrorText();
    return false;
  }
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
    done += written;
  }
  ok = ok && FlushFileBuffers(file);
  if (!ok) error = LastErrorText();
  CloseHandle(file);
  if (ok && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = LastErrorText();
    ok = false;
  }
  if (!ok) DeleteFileW(temporary.c_str());
  return ok;
}

}  // namespace tw
