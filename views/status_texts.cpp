#include "views/status_texts.h"

#include "base/drive_letter.h"
#include "format/format.h"
#include "texts/texts.h"

namespace tw {

std::wstring ScanSummary(const ScanResult& result) {
  return text::kStatusDoneLead + FormatSeconds(result.elapsed_seconds) + text::kStatusDoneSeconds +
         FormatSize(static_cast<std::uint64_t>(result.root_total_size)) + L" \u00B7 " + FormatCount(result.file_count) +
         text::kStatusDoneFiles + FormatCount(result.folder_count) + text::kStatusDoneFolders;
}

std::wstring UnreadableSuffix(const ScanResult& result) {
  if (result.unreadable_records <= 0) return {};
  return text::kStatusUnreadableLead + std::to_wstring(result.unreadable_records) + text::kStatusUnreadable;
}

std::wstring ScanSuccessStatus(const ScanResult& result) {
  return ScanSummary(result) + text::kStatusDoneHint + UnreadableSuffix(result);
}

std::wstring DriveItemText(wchar_t letter, std::wstring_view label) {
  std::wstring text = RootName(std::wstring_view(&letter, 1));
  if (!label.empty()) {
    text += L' ';
    text += label;
  }
  return text;
}

std::wstring SelectedDriveLetter(std::wstring_view item_text) {
  if (item_text.size() >= 2 && item_text[0] == L'[' && item_text[1] != L'\0') {
    return std::wstring(1, item_text[1]);
  }
  return L"C";
}

DiskSpace MakeDiskSpace(std::uint64_t total, std::uint64_t free) { return DiskSpace{total, free, total - free}; }

SpaceSummaryTexts SpaceSummary(const DiskSpace& space) {
  const auto total = static_cast<std::int64_t>(space.total);
  if (total <= 0) return UnknownSpaceSummary();
  const double used_percent =
      static_cast<double>(static_cast<std::int64_t>(space.used)) * 100.0 / static_cast<double>(total);
  SpaceSummaryTexts texts;
  texts.total = text::kSpaceTotal + (L"  " + FormatSize(space.total));
  texts.used = text::kSpaceUsed + (L"  " + FormatSize(space.used) + L"  (" + FormatPercent(used_percent) + L")");
  texts.free =
      text::kSpaceFree + (L"  " + FormatSize(space.free) + L"  (" + FormatPercent(100.0 - used_percent) + L")");
  return texts;
}

SpaceSummaryTexts UnknownSpaceSummary() {
  return SpaceSummaryTexts{std::wstring(text::kSpaceTotal) + text::kSpaceUnknown,
                           std::wstring(text::kSpaceUsed) + text::kSpaceUnknown,
                           std::wstring(text::kSpaceFree) + text::kSpaceUnknown};
}

}  // namespace tw
