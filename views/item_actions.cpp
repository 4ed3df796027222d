#include "views/item_actions.h"

#include <array>
#include <string_view>

#include "format/format.h"
#include "texts/texts.h"

namespace tw {
namespace {

// Records 0 to 23 are the volume's own: $MFT, $MFTMirr, $LogFile, $Volume,
// $AttrDef, the root, $Bitmap, $Boot, $BadClus, $Secure, $UpCase, $Extend
// and the ones kept for the system.
constexpr RecordId kFirstUserRecord = 24;
// $Extend: everything below it ($ObjId, $Quota, $Reparse, $RmMetadata, …)
// is the volume's too.
constexpr RecordId kExtendRecord = 11;
// The longest path the shell's file operations take: MAX_PATH less its NUL.
constexpr std::size_t kMaxShellPath = 259;

wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// CON, PRN, AUX, NUL, COM0-9, LPT0-9 (and their superscript digits),
// CONIN$, CONOUT$: what the system takes for a device whatever the
// extension after it.
bool IsDeviceName(std::wstring_view name) {
  std::wstring_view base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (EqualsIgnoringCase(base, device)) return true;
  }
  if (base.size() != 4) return false;
  const bool com = EqualsIgnoringCase(base.substr(0, 3), L"COM");
  const bool lpt = EqualsIgnoringCase(base.substr(0, 3), L"LPT");
  const wchar_t digit = base[3];
  const bool numbered = (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
                        digit == L'\u00B3';
  return (com || lpt) && numbered;
}

// Whether a folder of the result lies below $Extend (tree parents, bounded).
bool UnderExtend(const ScanResult& result, RecordId folder_id) {
  RecordId id = folder_id;
  for (int step = 0; step < 4096 && id != kRootId; ++step) {
    if (id == kExtendRecord) return true;
    const DirNode* folder = result.FindFolder(id);
    if (folder == nullptr) return false;
    id = folder->tree_parent_id;
  }
  return false;
}

// The first reason the shell would misread the path, or none.
const wchar_t* PathRefusal(std::wstring_view path) {
  if (path.size() > kMaxShellPath) return text::kRefuseLongPath;
  if (path.find_first_of(L"*?") != std::wstring_view::npos) return text::kRefuseWildcard;
  // The names after the drive ("C:").
  std::size_t start = path.find(L'\\');
  while (start != std::wstring_view::npos) {
    const std::size_t end = path.find(L'\\', start + 1);
    const std::wstring_view name = path.substr(start + 1, end == std::wstring_view::npos ? end : end - start - 1);
    if (!name.empty()) {
      if (name.back() == L'.' || name.back() == L' ') return text::kRefuseTrailingDot;
      if (IsDeviceName(name)) return text::kRefuseDeviceName;
    }
    start = end;
  }
  return nullptr;
}

}  // namespace

ItemMenuPlan PlanItemMenu(const ItemRef& item, ResultOrigin origin) {
  ItemMenuPlan plan;
  const bool single = item.kind == ItemKind::kFolder || item.kind == ItemKind::kFile;
  const bool here = origin == ResultOrigin::kScanned;
  plan.show_in_explorer = single && here;
  plan.delete_items = single && here;
  plan.shell_items = single && here;
  return plan;
}

const FileItem* FindFileById(const ScanResult& result, RecordId id) {
  if (id < 0) return nullptr;
  for (const FileItem& file : result.files) {
    if (file.id == id) return &file;
  }
  return nullptr;
}

std::optional<std::wstring> DeleteRefusal(const ScanResult& result, const ItemRef& item, ResultOrigin origin,
                                          bool scanning) {
  const auto refuse = [](const wchar_t* why) { return std::wstring(text::kDeleteRefused) + why; };
  if (item.kind == ItemKind::kDirectFiles || item.kind == ItemKind::kMerged) return refuse(text::kRefuseDirectFiles);
  if (scanning) return refuse(text::kRefuseScanning);
  if (origin != ResultOrigin::kScanned) return refuse(text::kRefuseNotThisMachine);
  if (item.id == kRootId) return refuse(text::kRefuseRoot);
  RecordId folder = 0;
  if (item.kind == ItemKind::kFolder) {
    const DirNode* node = result.FindFolder(item.id);
    if (node == nullptr || node->id != item.id) return refuse(text::kRefuseMissing);
    folder = node->tree_parent_id;
  } else {
    const FileItem* file = FindFileById(result, item.id);
    if (file == nullptr) return refuse(text::kRefuseMissing);
    folder = result.FolderId(*file);
  }
  if (item.id < kFirstUserRecord || item.id == kExtendRecord || UnderExtend(result, folder)) {
    return refuse(text::kRefuseMetadata);
  }
  if (const wchar_t* why = PathRefusal(item.path)) return refuse(why);
  return std::nullopt;
}

ItemTotals TotalsOf(const ScanResult& result, const ItemRef& item) {
  ItemTotals totals;
  if (item.kind == ItemKind::kFolder) {
    if (const DirNode* folder = result.FindFolder(item.id)) {
      totals.size = folder->total_size;
      totals.files = folder->total_file_count;
      totals.folders = folder->total_folder_count;
    }
  } else if (item.kind == ItemKind::kFile) {
    if (const FileItem* file = FindFileById(result, item.id)) totals = {file->size, 1, 0};
  }
  return totals;
}

std::wstring ItemName(const ItemRef& item) {
  std::wstring_view path = item.path;
  while (path.size() > 1 && path.back() == L'\\') path.remove_suffix(1);
  const std::size_t slash = path.rfind(L'\\');
  return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::wstring DeleteQuestion(const ScanResult& result, const ItemRef& item, bool permanent) {
  const ItemTotals totals = TotalsOf(result, item);
  std::wstring question = permanent ? text::kConfirmPermanentLead : text::kConfirmRecycleLead;
  question += ItemName(item);
  question += permanent ? text::kConfirmPermanentEnd : text::kConfirmRecycleEnd;
  question += text::kConfirmSize;
  question += FormatSize(static_cast<std::uint64_t>(totals.size > 0 ? totals.size : 0));
  question += L" \u00B7 ";
  question += std::to_wstring(totals.files) + text::kConfirmFiles + std::to_wstring(totals.folders) +
              text::kConfirmFolders;
  return question;
}

std::vector<RecordId> TouchedRecords(const ItemRef& item) {
  if (item.kind != ItemKind::kFolder && item.kind != ItemKind::kFile) return {};
  return {item.id};
}

std::wstring DeleteStatus(const DeleteOutcome& outcome, const std::wstring& name) {
  if (outcome.not_deleted > 0) {
    return std::to_wstring(outcome.not_deleted) + text::kStatusNotDeleted + outcome.first_reason;
  }
  if (outcome.recycled) return text::kStatusRecycled;
  return std::wstring(text::kStatusDeletedLead) + name + text::kStatusDeletedEnd;
}

}  // namespace tw
