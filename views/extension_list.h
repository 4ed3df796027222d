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

// The list's own order of the result's extensions (the result is never
// reordered): the position of an extension in `order` is its place in the
// list and names its swatch, palette entry position mod 12, in this list and
// in the file view.
struct ExtensionListState {
  std::vector<std::size_t> order;             // indices into extensions, in list order
  std::vector<std::uint64_t> extension_view;  // shown rows: positions in order
  ListSort sort{1, false};                    // size, descending
};

// Sorts order (indices into extensions) by the column's key (0 extension
// case-insensitively, 3 file count, 1, 2 and any other value total size).
// Not stable: what comes first among equal keys depends on the order before.
void SortExtensions(const std::vector<ExtStat>& extensions, std::vector<std::size_t>& order, const ListSort& sort);

// The first 200 positions of order whose extensions have a size or a file
// count. An order that does not match the result starts again from the
// result's own order.
void FillExtensionList(const ScanResult& result, ExtensionListState& state);

// A header click: applies it to the sort state, sorts and refills.
void ExtensionListColumnClick(const ScanResult& result, ExtensionListState& state, std::int32_t column);

// After a new scan result: the result's order, sorted by the kept state, refilled.
void RefreshExtensionList(const ScanResult& result, ExtensionListState& state);

// The position k in the list of a row (its swatch is palette entry k mod 12);
// nothing for a row that is not shown.
std::optional<std::size_t> ExtensionRowPosition(const ScanResult& result, const ExtensionListState& state,
                                                std::int64_t row);

// The extension at position k of the list; null past its end.
const ExtStat* ExtensionAtPosition(const ScanResult& result, const ExtensionListState& state, std::size_t k);

// The text of one cell: 0 the extension, 1 its size, 2 its share of the
// volume (total_size * 100 / root_total_size, dividing by 1 when the volume
// total is not positive), 3 its file count; other columns give "".
std::wstring ExtensionCellText(const ScanResult& result, const ExtStat& stat, std::int32_t column);

}  // namespace tw
