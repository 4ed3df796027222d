#include "views/saved_scan_texts.h"

#include "format/format.h"
#include "format/utf.h"
#include "texts/texts.h"
#include "views/status_texts.h"

namespace tw {
namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
// The last second a FILETIME can hold, since 1970.
constexpr std::int64_t kLastUnixSecond = 0x7FFFFFFFFFFFFFFF / kTicksPerSecond - kSecondsFrom1601To1970;

}  // namespace

const wchar_t* SnapshotProblemText(SnapshotProblem problem) {
  switch (problem) {
    case SnapshotProblem::kNewerVersion:
      return text::kErrorSnapshotNewer;
    case SnapshotProblem::kTruncated:
      return text::kErrorSnapshotTruncated;
    case SnapshotProblem::kOutOfMemory:
      return text::kErrorOutOfMemory;
    default:
      return text::kErrorSnapshotDamaged;
  }
}

std::wstring OpenFailureLine(const SnapshotError& error, std::wstring_view path) {
  const wchar_t* reason =
      error.problem == SnapshotProblem::kNotSnapshot ? text::kErrorNotSnapshot : SnapshotProblemText(error.problem);
  return std::wstring(text::kErrorPrefix) + reason + L" (" + std::wstring(path) + L": " + Utf8ToUtf16(error.detail) +
         L")";
}

std::wstring_view FileNameOf(std::wstring_view path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring_view::npos ? path : path.substr(separator + 1);
}

std::wstring ScanTimeText(std::int64_t scanned_at) {
  if (scanned_at <= 0 || scanned_at > kLastUnixSecond) return {};
  return FormatFileTime((scanned_at + kSecondsFrom1601To1970) * kTicksPerSecond);
}

std::wstring OpenedStatus(std::wstring_view file_name, const ScanResult& result) {
  std::wstring line = text::kStatusOpenedLead + std::wstring(file_name);
  if (const std::wstring when = ScanTimeText(result.scanned_at); !when.empty()) line += L" (" + when + L")";
  line += L" \u00B7 " + FormatCount(result.file_count) + text::kStatusDoneFiles + FormatCount(result.folder_count) +
          text::kStatusDoneFolders;
  return line + UnreadableSuffix(result);
}

std::wstring OpeningStatus(std::wstring_view file_name) {
  return text::kStatusOpening + std::wstring(file_name) + text::kStatusBusyTail;
}

std::wstring SavingStatus(std::wstring_view file_name) {
  return text::kStatusSaving + std::wstring(file_name) + text::kStatusBusyTail;
}

std::wstring SavedStatus(std::wstring_view line, std::wstring_view file_name) {
  std::wstring saved = text::kStatusSaved + std::wstring(file_name);
  return line.empty() ? saved : std::wstring(line) + L" \u00B7 " + saved;
}

std::wstring SaveFailureLine(std::wstring_view path, std::wstring_view reason) {
  return std::wstring(text::kErrorSaveFailed) + L" (" + std::wstring(path) + L": " + std::wstring(reason) + L")";
}

const wchar_t* ChangePageMessage(PreviousScan previous, ResultOrigin origin) {
  if (previous == PreviousScan::kUnreadable) return text::kChangeUnreadable;
  return origin == ResultOrigin::kLoaded ? text::kChangeNotRemembered : text::kChangeFirstScan;
}

}  // namespace tw
