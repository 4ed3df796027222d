// Saving a scan on Windows: a temporary file beside the target, written and
// flushed to the disk, then moved over the target with write-through (a move
// within the volume keeps the file's security descriptor). The temporary
// file is opened without sharing, so a second save to the same target while
// one runs takes a name of its own. Private files and
// folders are created with a descriptor of their own.
#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>

#include "base/kernel_handle_win32.h"
#include "format/utf.h"
#include "store/snapshot.h"

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

// A security descriptor made from its SDDL text (none for null), freed with
// the owner.
class SecurityDescriptor {
 public:
  explicit SecurityDescriptor(const wchar_t* sddl) {
    if (sddl != nullptr &&
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor_, nullptr)) {
      descriptor_ = nullptr;
    }
  }
  ~SecurityDescriptor() {
    if (descriptor_ != nullptr) LocalFree(descriptor_);
  }
  SecurityDescriptor(const SecurityDescriptor&) = delete;
  SecurityDescriptor& operator=(const SecurityDescriptor&) = delete;

  bool ok() const { return descriptor_ != nullptr; }
  SECURITY_ATTRIBUTES attributes() const { return {sizeof(SECURITY_ATTRIBUTES), descriptor_, FALSE}; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// Full control for SYSTEM and the Administrators group and nobody else, and
// no entries inherited from the parent; a folder passes both entries on to what is
// made in it.
constexpr wchar_t kPrivateFolderSddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr wchar_t kPrivateFileSddl[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)";

// Whether the file at `path` is a leftover of a save cut short: a plain file,
// empty or beginning with the snapshot magic.
bool IsLeftover(const std::wstring& path) {
  const KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  std::uint8_t head[kSnapshotMagicSize] = {};
  DWORD got = 0;
  const bool plain = GetFileInformationByHandle(file.get(), &info) &&
                     (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
                     info.nNumberOfLinks == 1 && ReadFile(file.get(), head, sizeof head, &got, nullptr);
  const std::uint64_t size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  return plain && IsLeftoverOfSave(size, std::span(head, got));
}

}  // namespace

bool SaveSnapshotBytes(const std::string& path, std::span<const std::uint8_t> bytes, FileAccess access,
                       std::string& error) {
  const std::wstring target = Utf8ToUtf16(path);
  // Only a file is ever replaced: never a folder or a device that carries the name.
  const DWORD existing = GetFileAttributesW(target.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    error = "not a regular file";
    return false;
  }
  std::wstring temporary = Utf8ToUtf16(SaveTemporaryPath(path));
  const bool is_private = access == FileAccess::kPrivate;
  const SecurityDescriptor descriptor(is_private ? kPrivateFileSddl : nullptr);
  SECURITY_ATTRIBUTES security = descriptor.attributes();
  if (is_private && !descriptor.ok()) {
    error = LastErrorText();
    return false;
  }
  // A leftover of a save cut short goes first (a descriptor is applied only
  // to a file the call creates); a file there that is not one is left alone,
  // and this save takes a name of its own.
  if (IsLeftover(temporary)) DeleteFileW(temporary.c_str());
  KernelHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, is_private ? &security : nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file && GetLastError() == ERROR_FILE_EXISTS) {
    temporary += std::to_wstring(GetCurrentProcessId());
    file.reset(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, is_private ? &security : nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  if (!file) {
    error = LastErrorText();
    return false;
  }
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    ok = WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) && written == chunk;
    done += written;
  }
  ok = ok && FlushFileBuffers(file.get());
  if (!ok) error = LastErrorText();
  file.reset();
  if (ok && !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = LastErrorText();
    ok = false;
  }
  if (!ok) DeleteFileW(temporary.c_str());
  return ok;
}

bool MakePrivateFolder(const std::string& path, std::string& error) {
  const std::wstring folder = Utf8ToUtf16(path);
  const SecurityDescriptor descriptor(kPrivateFolderSddl);
  if (!descriptor.ok()) {
    error = LastErrorText();
    return false;
  }
  SECURITY_ATTRIBUTES security = descriptor.attributes();
  if (CreateDirectoryW(folder.c_str(), &security)) return true;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
    SetLastError(ERROR_DIRECTORY);
  }
  error = LastErrorText();
  return false;
}

}  // namespace tw
