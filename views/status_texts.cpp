#include "views/status_texts.h"

#include "format/format.h"

namespace tw {

std::wstring ScanSuccessStatus(const ScanResult& result) {
  return L"扫描完成 " + FormatSeconds(result.elapsed_seconds) + L" 秒 · MFT · " +
         FormatSize(static_cast<std::uint64_t>(result.root_total_size)) + L" · " +
         FormatCount(result.file_count) + L" 文件 · " + FormatCount(result.folder_count) +
         L" 文件夹 · 单击三角展开";
}

std::wstring DriveItemText(wchar_t letter, std::wstring_view label) {
  std::wstring text = L"[";
  text += letter;
  text += L":]";
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

DiskSpace MakeDiskSpace(std::uint64_t total, std::uint64_t free) {
  return DiskSpace{total, free, total - free};
}

SpaceSummaryTexts SpaceSummary(const DiskSpace& space) {
  const auto total = static_cast<std::int64_t>(space.total);
  if (total <= 0) return SpaceSummaryTexts{kTotalPlaceholder, kUsedPlaceholder, kFreePlaceholder};
  const double used_percent =
      static_cast<double>(static_cast<std::int64_t>(space.used)) * 100.0 / static_cast<double>(total);
  SpaceSummaryTexts texts;
  texts.total = L"总空间  " + FormatSize(space.total);
  texts.used = L"已用  " + FormatSize(space.used) + L"  (" + FormatPercent(used_percent) + L")";
  texts.free = L"可用  " + FormatSize(space.free) + L"  (" + FormatPercent(100.0 - used_percent) + L")";
  return texts;
}

}  // namespace tw
