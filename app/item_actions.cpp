// Acting on items: the menu's commands, copying a path, deleting through the
// shell on a worker thread, and reading the touched records again there.
//
// A deletion runs on its own thread so that the window stays responsive:
// it checks that the path still names the scanned record on the scanned
// volume, hands the path to SHFileOperationW as a double-NUL-terminated
// list (never through a command line), looks whether the item is gone
// (the call says nothing per item), re-reads the touched records through a
// raw volume handle, compares the new generation with the same baseline,
// and posts all of it back. The window drops the answer when it shows
// another generation by then (a new scan).
#include "item_actions.h"

#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app_state.h"
#include "change_page.h"
#include "base/drive_letter.h"
#include "base/kernel_handle_win32.h"
#include "base/trace.h"
#include "drive_list.h"
#include "engine/record_reread.h"
#include "main_window.h"
#include "overview_page.h"
#include "result_views.h"
#include "search_page.h"
#include "scan/raw_volume.h"
#include "texts/texts.h"
#include "ui/file_icons_win32.h"
#include "ui/item_menu_win32.h"
#include "ui/list_drawing_win32.h"
#include "views/change_rows.h"

namespace tw {
namespace {

// What the worker takes.
struct ActionJob {
  HWND window = nullptr;
  ResultGeneration base;  // the generation the item was chosen in
  std::shared_ptr<const ComparedScans> comparison;
  ItemRef item;
  bool erase = false;
  bool permanent = false;
};

// What the worker hands back.
struct ActionDelivery {
  ResultGeneration base;
  ResultGeneration next;  // null when the records could not be read again
  std::shared_ptr<const ComparedScans> comparison;
  std::wstring status;
};

void SetStatus(const std::wstring& text) { SetWindowTextW(g_app.status_text, text.c_str()); }

std::wstring SystemReason(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring reason = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' ')) {
    reason.pop_back();
  }
  if (reason.empty()) reason = L"0x" + std::to_wstring(code);
  return reason;
}

// Whether the path still names the scanned record on the scanned volume:
// its file index (the low 48 bits are the MFT record number) and the volume
// serial number (the low 32 bits of the boot sector's). "" when it does,
// else the refusal's reason.
std::wstring StillTheScannedItem(const ScanResult& base, const ItemRef& item) {
  const KernelHandle file(CreateFileW(item.path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return text::kRefuseMissing;
    return SystemReason(error);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.get(), &info)) return SystemReason(GetLastError());
  const std::uint64_t index = (std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow) & 0xFFFFFFFFFFFFULL;
  const auto serial = static_cast<DWORD>(base.volume_serial & 0xFFFFFFFFu);
  if (index != static_cast<std::uint64_t>(item.id) || info.dwVolumeSerialNumber != serial) {
    Trace(L"delete refused: index %llu serial %08lx", static_cast<unsigned long long>(index),
          static_cast<unsigned long>(info.dwVolumeSerialNumber));
    return text::kRefuseChanged;
  }
  return {};
}

// NTFS keeps the records it changed in the cache for a while, and a raw
// read sees them only once they are written: flushing the volume (which an
// administrator may) writes them now. Without it the read may be stale.
void FlushVolume(wchar_t letter) {
  const KernelHandle volume(CreateFileA(VolumeDevicePath(letter).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!volume || !FlushFileBuffers(volume.get())) Trace(L"action: the volume could not be flushed");
}

bool StillThere(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Deletes the item through the shell; the outcome, seen from the volume.
DeleteOutcome Delete(HWND window, const ItemRef& item, bool permanent) {
  DeleteOutcome outcome;
  outcome.recycled = !permanent;
  std::wstring from = item.path;
  from.push_back(L'\0');  // the list ends in two NULs; the string adds the second
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = window;
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  // Asked already, in our own words.
  operation.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
  if (!permanent) operation.fFlags |= FOF_ALLOWUNDO | FOF_WANTNUKEWARNING;
  const int code = SHFileOperationW(&operation);
  if (StillThere(item.path)) {
    outcome.not_deleted = 1;
    outcome.first_reason = operation.fAnyOperationsAborted
                               ? std::wstring(text::kDeleteCancelled)
                               : SystemReason(static_cast<DWORD>(code != 0 ? code : GetLastError()));
  } else {
    outcome.deleted = 1;
  }
  return outcome;
}

void RunAction(const ActionJob& job) noexcept {
  auto delivery = std::make_unique<ActionDelivery>();
  delivery->base = job.base;
  std::optional<DeleteOutcome> outcome;
  try {
    if (job.erase) {
      const std::wstring changed = StillTheScannedItem(*job.base, job.item);
      if (!changed.empty()) {
        delivery->status = std::wstring(text::kDeleteRefused) + changed;
      } else {
        outcome = Delete(job.window, job.item, job.permanent);
      }
    }
    // Whatever happened, the volume says what is there now.
    const wchar_t letter = DriveLetterOf(job.base->drive);
    ScanError error = ScanError::kCannotOpen;
    if (letter != 0) FlushVolume(letter);
    const std::unique_ptr<RawVolume> volume =
        letter == 0 ? nullptr : OpenSourceVolume(VolumeDevicePath(letter), 0, &error);
    if (volume == nullptr) throw ScanFailure(error);
    delivery->next = MakeGeneration(RereadRecords(*job.base, *volume, TouchedRecords(job.item)));
    if (job.comparison != nullptr) {
      delivery->comparison = std::make_shared<const ComparedScans>(
          CompareScans(job.comparison->old_scan, delivery->next, kGrownFileCount));
    }
    // Asked for the Recycle Bin, the shell may have deleted it for good
    // (after its own question): then the record is gone, not moved.
    if (outcome && outcome->recycled && outcome->deleted > 0 && !HoldsRecord(*delivery->next, job.item)) {
      outcome->recycled = false;
    }
  } catch (const std::exception&) {
    Trace(L"action: the records could not be read again");
    delivery->next = nullptr;
  }
  if (outcome) delivery->status = DeleteStatus(*outcome, ItemName(job.item));
  if (delivery->next == nullptr && (delivery->status.empty() || !job.erase)) {
    delivery->status = text::kStatusRereadFailed;
  }
  if (PostMessageW(job.window, WM_ACTION_DONE, 0, reinterpret_cast<LPARAM>(delivery.get()))) delivery.release();
}

// Starts the worker; false when no thread could be had.
bool StartAction(const ItemRef& item, bool erase, bool permanent) {
  AppState& app = g_app;
  ActionJob job{app.main_window, app.views.result, app.views.comparison, item, erase, permanent};
  try {
    std::thread([job = std::move(job)] { RunAction(job); }).detach();
  } catch (const std::exception&) {
    return false;
  }
  app.action_running = true;
  return true;
}

void CopyPath(const ItemRef& item) {
  if (CopyTextToClipboard(g_app.main_window, item.path)) SetStatus(text::kStatusPathCopied);
}

void Erase(const ItemRef& item, bool permanent) {
  AppState& app = g_app;
  if (app.action_running) return;  // one at a time
  const ScanResult& shown = *app.views.result;
  if (const auto refused = DeleteRefusal(shown, item, app.views.origin, app.scan.scanning())) {
    SetStatus(*refused);
    return;
  }
  const std::wstring question = DeleteQuestion(shown, item, permanent);
  const UINT style = MB_YESNO | (permanent ? MB_ICONWARNING | MB_DEFBUTTON2 : MB_ICONQUESTION | MB_DEFBUTTON1);
  if (MessageBoxW(app.main_window, question.c_str(), text::kAppName, style) != IDYES) return;
  // The answer may come after a scan started meanwhile: then it is dropped.
  if (app.scan.scanning()) {
    SetStatus(std::wstring(text::kDeleteRefused) + text::kRefuseScanning);
    return;
  }
  SetStatus(text::kStatusDeleting);
  if (!StartAction(item, true, permanent)) SetStatus(text::kStatusRereadFailed);
}

void Menu(const ItemRef& item, POINT screen) {
  AppState& app = g_app;
  const ItemMenuPlan plan = PlanItemMenu(item, app.views.origin);
  switch (TrackItemMenu(app.main_window, plan, item.path, screen)) {
    case ItemCommand::kShowInExplorer:
      ShowInFileBrowser(item.path);
      break;
    case ItemCommand::kCopyPath:
      CopyPath(item);
      break;
    case ItemCommand::kDelete:
      Erase(item, false);
      break;
    case ItemCommand::kDeletePermanently:
      Erase(item, true);
      break;
    case ItemCommand::kShellCommand:
      // The shell may have deleted, renamed or moved it: read it again.
      if (!app.action_running && !app.scan.scanning() && item.kind != ItemKind::kMerged)
        StartAction(item, false, false);
      break;
    case ItemCommand::kNone:
      break;
  }
}

// The row a list shows selected, moved to the row now at its place (or
// the last), once the list has its new rows.
void SelectNeighbour(HWND list, int was, std::size_t rows) {
  if (list == nullptr || was < 0 || rows == 0) return;
  ShowAndSelectRow(list, std::min(was, static_cast<int>(rows) - 1));
}

}  // namespace

void InstallItemActions() { SetItemActionHost(ItemActionHost{Menu, Erase, CopyPath, SetStatus}); }

void OnActionDone(LPARAM posted) {
  AppState& app = g_app;
  const std::unique_ptr<ActionDelivery> delivery(reinterpret_cast<ActionDelivery*>(posted));
  app.action_running = false;
  if (delivery == nullptr) return;
  if (delivery->base != app.views.result) return;  // another generation is shown now
  if (!delivery->status.empty()) SetStatus(delivery->status);
  if (delivery->next == nullptr) return;

  const int folder_row = SelectedListRow(app.folder_list);
  const int file_row = SelectedListRow(app.file_list);
  UpdateGeneration(app.views, std::move(delivery->next), std::move(delivery->comparison));

  SetListRowCount(app.folder_list, app.views.rows.RowCount());
  InvalidateRect(app.folder_list, nullptr, TRUE);
  ClearListSelection(app.folder_list);
  SelectNeighbour(app.folder_list, folder_row, app.views.rows.RowCount());
  ShowNewExtensionRows();
  ShowNewFileRows();
  SelectNeighbour(app.file_list, file_row, app.views.files.file_view.size());
  ChangePageAfterUpdate();
  SearchAfterAction();
  OverviewAfterNewResult();
  RedrawTreemap();
  UpdateTreemapCaption();
  UpdateSpaceSummary();
}

}  // namespace tw
