#include "views/extension_list.h"

#include <algorithm>

#include "format/format.h"
#include "views/text_compare.h"

namespace tw {
namespace {

int CompareBy(const ExtStat& a, const ExtStat& b, std::int32_t column) {
  const auto numbers = [](std::int64_t x, std::int64_t y) { return x < y ? -1 : (y < x ? 1 : 0); };
  switch (column) {
    case 0:
      return CompareTextNoCase(a.extension, b.extension);
    case 3:
      return numbers(a.file_count, b.file_count);
    default:
      return numbers(a.total_size, b.total_size);
  }
}

}  // namespace

void SortExtensions(std::vector<ExtStat>& extensions, const ListSort& sort) {
  const std::int32_t column = sort.sort_column;
  if (sort.sort_ascending) {
    std::sort(extensions.begin(), extensions.end(),
              [column](const ExtStat& a, const ExtStat& b) { return CompareBy(a, b, column) < 0; });
  } else {
    std::sort(extensions.begin(), extensions.end(),
              [column](const ExtStat& a, const ExtStat& b) { return CompareBy(a, b, column) > 0; });
  }
}

void FillExtensionList(const ScanResult& result, ExtensionListState& state) {
  state.extension_view.clear();
  const std::vector<ExtStat>& extensions = result.extensions;
  for (std::size_t i = 0; i < extensions.size() && state.extension_view.size() < kMaxListRows; ++i) {
    if (extensions[i].total_size == 0 && extensions[i].file_count == 0) continue;
    state.extension_view.push_back(i);
  }
}

void ExtensionListColumnClick(ScanResult& result, ExtensionListState& state, std::int32_t column) {
  ApplyColumnClick(state.sort, column);
  SortExtensions(result.extensions, state.sort);
  FillExtensionList(result, state);
}

void RefreshExtensionList(ScanResult& result, ExtensionListState& state) {
  SortExtensions(result.extensions, state.sort);
  FillExtensionList(result, state);
}

std::optional<std::size_t> ExtensionRowPosition(const ScanResult& result, const ExtensionListState& state,
                                                std::int64_t row) {
  if (row < 0 || static_cast<std::uint64_t>(row) >= state.extension_view.size()) return std::nullopt;
  const std::uint64_t k = state.extension_view[static_cast<std::size_t>(row)];
  if (k >= result.extensions.size()) return std::nullopt;
  return static_cast<std::size_t>(k);
}

std::wstring ExtensionCellText(const ScanResult& result, const ExtStat& stat, std::int32_t column) {
  switch (column) {
    case 0:
      return ExtensionLabel(stat.extension);
    case 1:
      return FormatSize(static_cast<std::uint64_t>(stat.total_size));
    case 2: {
      const std::int64_t total = result.root_total_size > 0 ? result.root_total_size : 1;
      return FormatPercent(static_cast<double>(stat.total_size) * 100.0 / static_cast<double>(total));
    }
    case 3:
      return FormatCount(stat.file_count);
    default:
      return std::wstring();
  }
}

}  // namespace tw
