#pragma once
// Finding the files and folders of a scan result that a query matches, in
// place: names are read from the result's name arena and folded into one
// buffer per thread, extensions are decided once per entry of the
// extension table, sizes and times are compared as numbers. No path or
// per-file string is made.

#include <cstdint>
#include <span>
#include <vector>

#include "base/cancel.h"
#include "model/scan_result.h"
#include "search/query.h"

namespace tw {

// One match: a file (an index into files) or a folder (into folders).
struct SearchHit {
  std::uint32_t index = 0;
  bool folder = false;
  friend bool operator==(const SearchHit&, const SearchHit&) = default;
};

// What the count line says: the matching files and folders, and the bytes
// of the matching files (folder totals are not added: no byte twice).
struct SearchTotals {
  std::int64_t files = 0;
  std::int64_t folders = 0;
  std::int64_t file_size = 0;   // saturating sums
  std::int64_t file_alloc = 0;
  friend bool operator==(const SearchTotals&, const SearchTotals&) = default;
};

struct SearchOptions {
  std::int32_t threads = 1;              // at most this many; each takes a share of at least 64K entries
  const CancelFlag* cancel = nullptr;    // checked every few thousand entries
};

// The matches of `query` in result order: the files in array order, then
// the folders. Empty for a query of no words, and when cancelled.
std::vector<SearchHit> FindMatches(const ScanResult& result, const Query& query, const SearchOptions& options = {});

SearchTotals TotalsOf(const ScanResult& result, std::span<const SearchHit> hits);

// A match's own figures: a file's, or a folder's totals.
std::int64_t HitSize(const ScanResult& result, const SearchHit& hit);
std::int64_t HitAlloc(const ScanResult& result, const SearchHit& hit);
std::int64_t HitModified(const ScanResult& result, const SearchHit& hit);
std::u16string_view HitName(const ScanResult& result, const SearchHit& hit);

// The FILETIME bounds a query's modified: words leave, both included; from
// is at least 1 (an unknown time never matches), and from > to when no time
// can. Days begin at local midnight (format/local_time.h).
struct TimeWindow {
  std::int64_t from = 1;
  std::int64_t to = 0;
};
TimeWindow TimeWindowOf(const std::vector<DateCondition>& dates);

}  // namespace tw
