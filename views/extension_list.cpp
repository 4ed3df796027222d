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

void SortExtensions(const std::vector<ExtStat>& extensions, std::vector<std::size_t>& order, const ListSort& sort) {
  const std::int32_t column = sort.sort_column;
  const auto key = [&](std::size_t i) -> const ExtStat& { return extensions[i]; };
  if (sort.sort_ascending) {
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return CompareBy(key(a), key(b), column) < 0; });
  } else {
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return CompareBy(key(a), key(b), column) > 0; });
  }
}

void FillExtensionList(const ScanResult& result, ExtensionListState& state) {
  const std::vector<ExtStat>& extensions = result.extensions;
  MatchListOrder(state.order, extensions.size());
  state.extension_view.clear();
  for (std::size_t k = 0; k < state.order.size() && state.extension_view.size() < kMaxListRows; ++k) {
    const ExtStat& stat = extensions[state.order[k]];
    if (stat.total_size == 0 && stat.file_count == 0) continue;
    state.extension_view.push_back(k);
  }
}

void ExtensionListColumnClick(const ScanResult& result, ExtensionListState& state, std::int32_t column) {
  ApplyColumnClick(state.sort, column);
  MatchListOrder(state.order, result.extensions.size());
  SortExtensions(result.extensions, state.order, state.sort);
  FillExtensionList(result, state);
}

void RefreshExtensionList(const ScanResult& result, ExtensionListState& state) {
  state.order.clear();
  MatchListOrder(state.order, result.extensions.size());
  SortExtensions(result.extensions, state.order, state.sort);
  FillExtensionList(result, state);
}

std::optional<std::size_t> ExtensionRowPosition(const ScanResult& result, const ExtensionListState& state,
                                                std::int64_t row) {
  if (row < 0 || static_cast<std::uint64_t>(row) >= state.extension_view.size()) return std::nullopt;
  const std::uint64_t k = state.extension_view[static_cast<std::size_t>(row)];
  if (ExtensionAtPosition(result, state, static_cast<std::size_t>(k)) == nullptr) return std::nullopt;
  return static_cast<std::size_t>(k);
}

const ExtStat* ExtensionAtPosition(const ScanResult& result, const ExtensionListState& state, std::size_t k) {
  if (k >= state.order.size() || state.order[k] >= result.extensions.size()) return nullptr;
  return &result.extensions[state.order[k]];
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
