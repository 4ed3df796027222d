#pragma once
// One search from the query's text to the ordered matches, as the window's
// worker and the command line run it, and the count line both show.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/cancel.h"
#include "model/scan_result.h"
#include "search/matcher.h"
#include "search/order.h"

namespace tw {

struct SearchAnswer {
  std::wstring query;    // the text searched for
  std::wstring problem;  // a malformed query's line (QueryProblemLine); "" when the query was good
  SearchOrder order;
  std::vector<SearchHit> hits;  // in `order`
  SearchTotals totals;
};

// Parses the query and, when it is good, finds and orders its matches with
// up to `threads` threads. A cancelled search answers with what it has
// (its caller drops it).
SearchAnswer RunSearch(const ScanResult& result, std::wstring query, const SearchOrder& order, std::int32_t threads,
                       const CancelFlag* cancel = nullptr);

// "找到 3 个文件 (共 1.50 GB)、1 个文件夹".
std::wstring SearchCountLine(const SearchTotals& totals);

}  // namespace tw
