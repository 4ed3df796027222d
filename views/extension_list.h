#pragma once
// The extension list: how the volume's bytes divide among file extensions,
// one row per extension (at most 200) with a swatch, total size, share of
// the volume and file count, sortable by any column. A sort reorders the
// result's extensions list itself, and with it the swatch colours in this
// list and in the file view.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/colour.h"
#include "model/scan_result.h"
#include "texts/texts.h"
#include "views/result_list.h"

namespace tw {

// Columns: extension (after a swatch), size, share, file count.
inline constexpr std::array<ListColumn, 4> kExtensionListColumns = {{
    {text::kColumnExtension, 120, false},
    {text::kColumnSize, 120, true},
    {text::kColumnShare, 90, true},
    {text::kColumnFileCount, 90, true},
}};

struct ExtensionListState {
  std::vector<std::uint64_t> extension_view;  // shown rows: indices into extensions
  ListSort sort{1, false};                    // size, descending
};

// Sorts in place by the column's key (0 extension case-insensitively,
// 3 file count, 1, 2 and any other value total size). Not stable.
void SortExtensions(std::vector<ExtStat>& extensions, const ListSort& sort);

// The first 200 entries of extensions that have a size or a file count.
void FillExtensionList(const ScanResult& result, ExtensionListState& state);

// A header click: applies it to the sort state, sorts and refills.
void ExtensionListColumnClick(ScanResult& result, ExtensionListState& state, std::int32_t column);

// After a new scan result: sorts by the kept state and refills.
void RefreshExtensionList(ScanResult& result, ExtensionListState& state);

// The position k in extensions of a row (its swatch is palette entry
// k mod 12); nothing for a row that is not shown.
std::optional<std::size_t> ExtensionRowPosition(const ScanResult& result, const ExtensionListState& state,
                                                std::int64_t row);

// The text of one cell: 0 the extension, 1 its size, 2 its share of the
// volume (total_size * 100 / root_total_size, dividing by 1 when the volume
// total is not positive), 3 its file count; other columns give "".
std::wstring ExtensionCellText(const ScanResult& result, const ExtStat& stat, std::int32_t column);

}  // namespace tw
