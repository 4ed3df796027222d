#pragma once
// The order of search matches: by one column's key, in either direction,
// equal keys by full path (HitPaths::ComparePaths, always ascending). The
// first order is by size, largest first; the command line prints that one.

#include <cstdint>
#include <vector>

#include "base/cancel.h"
#include "model/scan_result.h"
#include "search/matcher.h"

namespace tw {

// The columns of the results: name, where the match is, size, allocated
// size, modification time.
enum SearchColumn : std::int32_t {
  kSearchColumnName = 0,
  kSearchColumnFolder = 1,
  kSearchColumnSize = 2,
  kSearchColumnAlloc = 3,
  kSearchColumnModified = 4,
};
inline constexpr std::int32_t kSearchColumnCount = 5;

struct SearchOrder {
  std::int32_t column = kSearchColumnSize;  // any other value: size
  bool ascending = false;
  friend bool operator==(const SearchOrder&, const SearchOrder&) = default;
};

// Sorts the matches. Names compare as the lists compare them (ASCII letters
// folded), the 文件夹 column by HitPaths::Location the same way; sizes and
// times as signed numbers. Paths are built only where keys tie. When
// `cancel` is set it gives up early, from inside a sort too: the matches are
// then as the sort left them, for a caller that drops them.
void OrderHits(const ScanResult& result, std::vector<SearchHit>& hits, const SearchOrder& order,
               const CancelFlag* cancel = nullptr);

}  // namespace tw
