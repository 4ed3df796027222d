// 打开… and 保存…: the file dialogs, the refusals before anything is
// written, the worker threads' start and the hand-over of what they did.
#include "main_window.h"

#include <commdlg.h>

#include <algorithm>
#include <ctime>
#include <exception>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app_state.h"
#include "export/output_paths.h"
#include "file_thread.h"
#include "format/utf.h"
#include "texts/texts.h"
#include "views/save_choice.h"
#include "views/saved_scan_texts.h"

namespace tw {
namespace {

// Room for a path the dialogs give back: the longest a wide path may be.
constexpr DWORD kPathUnits = 32768;

void ShowError(const std::wstring& line, const wchar_t* caption) {
  MessageBoxW(g_app.main_window, line.c_str(), caption, MB_OK | MB_ICONERROR);
}

// One of the system's file dialogs over the main window: its filters, its
// title, the name it proposes; the path chosen and the filter (counting
// from 1). False when cancelled.
struct FileDialog {
  std::span<const FileFilter> filters;
  const wchar_t* title = nullptr;
  std::wstring proposed;
  bool save = false;
};

bool AskPath(const FileDialog& asked, std::wstring& path, DWORD& filter_index) {
  const std::wstring filter = DialogFilterText(asked.filters);
  std::vector<wchar_t> buffer(kPathUnits, L'\0');
  asked.proposed.copy(buffer.data(), std::min<std::size_t>(asked.proposed.size(), kPathUnits - 1));
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = g_app.main_window;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = kPathUnits;
  dialog.lpstrTitle = asked.title;
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (asked.save) {
    // A name typed without an extension takes the chosen format's.
    dialog.lpstrDefExt = L"twsnap";
    dialog.Flags |= OFN_OVERWRITEPROMPT;
  } else {
    dialog.Flags |= OFN_FILEMUSTEXIST;
  }
  if (!(asked.save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) return false;
  path = buffer.data();
  filter_index = dialog.nFilterIndex;
  return !path.empty();
}

}  // namespace

void OpenScanFile() {
  AppState& app = g_app;
  if (!app.files.open_enabled(app.scan.scanning())) return;
  std::wstring path;
  DWORD filter_index = 1;
  if (!AskPath(FileDialog{OpenFilters(), text::kOpenDialogTitle, {}, false}, path, filter_index)) return;
  if (!app.files.BeginOpen(app.scan.scanning())) return;  // a scan began meanwhile
  ApplyControlStates();
  SetWindowTextW(app.status_text, OpeningStatus(FileNameOf(path)).c_str());
  try {
    std::thread(RunOpenThread, app.main_window, path).detach();
  } catch (const std::exception&) {
    app.files.EndOpen();
    ApplyScanCycle();
  }
}

void OnOpenDone(LPARAM payload) {
  AppState& app = g_app;
  std::unique_ptr<OpenDelivery> posted(reinterpret_cast<OpenDelivery*>(payload));
  app.files.EndOpen();
  if (posted == nullptr || posted->result == nullptr) {
    // The result on screen stays; the reason as the command line gives it.
    ApplyScanCycle();
    if (posted != nullptr) ShowError(OpenFailureLine(posted->error, posted->path), text::kOpenFailedCaption);
    return;
  }
  // The comparison came with the file: the picker lists the volume's kept
  // scans at once.
  HandOverGeneration(app.views, std::move(posted->result), nullptr, PreviousScan::kNone, ResultOrigin::kLoaded);
  app.views.comparing = true;
  std::shared_ptr<const ComparedScans> comparison = std::move(posted->memory.changes);
  HandOverComparison(app.views, app.views.first_generation, std::move(comparison), posted->memory.previous_scan,
                     std::move(posted->memory.earlier));
  app.opened_path = posted->path;
  ShowNewResult();
  app.scan.Opened(OpenedStatus(FileNameOf(app.opened_path), *app.views.result));
  ApplyScanCycle();
}

void SaveScanFile() {
  AppState& app = g_app;
  if (!app.files.save_enabled(app.views.has_result)) return;
  std::wstring chosen;
  DWORD filter_index = 1;
  const FileDialog asked{SaveFilters(), text::kSaveDialogTitle, ProposedSaveName(app.opened_path), true};
  if (!AskPath(asked, chosen, filter_index)) return;
  RECT client{};
  GetClientRect(app.main_window, &client);
  SavePlan plan = PlanSave(chosen, filter_index, client.right - client.left, client.bottom - client.top);
  plan.request.ncdu.timestamp = static_cast<std::int64_t>(std::time(nullptr));
  // Never over the saved scan on screen, never onto a device, a folder or
  // anything else that is not a plain file: the command line's checks.
  std::vector<std::string> sources;
  if (app.views.origin == ResultOrigin::kLoaded && !app.opened_path.empty()) {
    sources.push_back(Utf16ToUtf8(app.opened_path));
  }
  const OutputRefusal refusal = CheckOutputFiles({PlannedOutput{"", Utf16ToUtf8(plan.path)}}, sources);
  if (const wchar_t* why = SaveRefusalText(refusal.problem)) {
    ShowError(std::wstring(why) + L" (" + plan.path + L")", text::kSaveFailedCaption);
    return;
  }
  if (!app.files.BeginSave(app.views.has_result)) return;
  ApplyControlStates();
  // A scan's progress keeps the status line while it runs.
  if (!app.scan.scanning()) SetWindowTextW(app.status_text, SavingStatus(FileNameOf(plan.path)).c_str());
  try {
    std::thread(RunSaveThread, app.main_window, plan.path, app.views.result, plan.request).detach();
  } catch (const std::exception&) {
    app.files.EndSave();
    ApplyScanCycle();
    ShowError(SaveFailureLine(plan.path, L"no thread"), text::kSaveFailedCaption);
  }
}

void OnSaveDone(LPARAM payload) {
  AppState& app = g_app;
  std::unique_ptr<SaveDelivery> posted(reinterpret_cast<SaveDelivery*>(payload));
  app.files.EndSave();
  ApplyControlStates();
  if (posted == nullptr) return;
  if (!posted->error.empty()) {
    if (!app.scan.scanning()) SetWindowTextW(app.status_text, app.scan.status().c_str());
    ShowError(SaveFailureLine(posted->path, Utf8ToUtf16(posted->error)), text::kSaveFailedCaption);
    return;
  }
  if (!app.scan.scanning()) {
    SetWindowTextW(app.status_text, SavedStatus(app.scan.status(), FileNameOf(posted->path)).c_str());
  }
}

}  // namespace tw
