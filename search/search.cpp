#include "search/search.h"

#include <algorithm>
#include <utility>

#include "format/format.h"
#include "search/query.h"
#include "texts/texts.h"

namespace tw {

SearchAnswer RunSearch(const ScanResult& result, std::wstring query, const SearchOrder& order, std::int32_t threads,
                       const CancelFlag* cancel) {
  SearchAnswer answer;
  answer.query = std::move(query);
  answer.order = order;
  const ParsedQuery parsed = ParseQuery(answer.query);
  if (!parsed.ok()) {
    answer.problem = QueryProblemLine(parsed);
    return answer;
  }
  answer.hits = FindMatches(result, parsed.query, SearchOptions{threads, cancel});
  answer.totals = TotalsOf(result, answer.hits);
  OrderHits(result, answer.hits, order, cancel);
  return answer;
}

std::wstring SearchCountLine(const SearchTotals& totals) {
  return text::kSearchFoundLead + std::to_wstring(totals.files) + text::kSearchFoundFiles +
         FormatSize(static_cast<std::uint64_t>(std::max<std::int64_t>(totals.file_size, 0))) +
         text::kSearchFoundBytes + std::to_wstring(totals.folders) + text::kSearchFoundFolders;
}

}  // namespace tw
