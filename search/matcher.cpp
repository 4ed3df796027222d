#include "search/matcher.h"

#include <algorithm>
#include <limits>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "base/arithmetic.h"
#include "format/local_time.h"
#include "search/case_fold.h"
#include "search/name_match.h"

namespace tw {
namespace {

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kTicksPerDay = 864000000000;
constexpr std::size_t kEntriesPerThread = 1 << 16;
constexpr std::size_t kCancelStride = 1 << 12;
constexpr std::size_t kPrefetchDistance = 16;

// Days from 1601-01-01 to a day of the proleptic Gregorian calendar.
std::int64_t DaysSince1601(const CivilDate& d) {
  // The days-from-civil count with March as the first month of the year.
  const std::int64_t y = d.year - (d.month <= 2 ? 1 : 0);
  const std::int64_t era = y / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (d.month + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + d.day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 584694;  // 584694: days from 0000-03-01 to 1601-01-01
}

// When the day begins: local midnight, or UTC midnight where the zone's
// rules cannot say (a day at the edge of the calendar).
std::int64_t DayStart(const CivilDate& day) {
  std::int64_t filetime = 0;
  if (LocalDayStart(day.year, day.month, day.day, filetime)) return filetime;
  return DaysSince1601(day) * kTicksPerDay;
}

// Both bounds included; empty when from > to.
struct Range {
  std::int64_t from = kMin;
  std::int64_t to = kMax;
  bool Holds(std::int64_t v) const { return v >= from && v <= to; }
};

Range SizeRangeOf(const std::vector<SizeCondition>& sizes) {
  Range range;
  for (const SizeCondition& c : sizes) {
    const std::int64_t n = c.bytes;  // never negative
    switch (c.comparison) {
      case Comparison::kLess:
        range.to = std::min(range.to, n - 1);
        break;
      case Comparison::kLessOrEqual:
        range.to = std::min(range.to, n);
        break;
      case Comparison::kGreater:
        if (n == kMax) return Range{kMax, kMin};
        range.from = std::max(range.from, n + 1);
        break;
      case Comparison::kGreaterOrEqual:
        range.from = std::max(range.from, n);
        break;
      case Comparison::kEqual:
        range.from = std::max(range.from, n);
        range.to = std::min(range.to, n);
        break;
    }
  }
  return range;
}

// Whether one extension text of the table ("" or with its dot) is one of a set's.
bool ExtensionInSet(const std::wstring& extension, const std::vector<NamePattern>& set) {
  std::u16string folded;
  for (std::size_t i = extension.empty() ? 0 : 1; i < extension.size(); ++i) {
    folded.push_back(static_cast<char16_t>(extension[i]));
  }
  folded = FoldCase(folded);
  return std::any_of(set.begin(), set.end(), [&](const NamePattern& p) {
    return p.wildcard ? MatchesWildcard(folded, p.folded) : folded == p.folded;
  });
}

// Everything decided once per search.
struct Plan {
  const ScanResult& result;
  const Query& query;
  Range sizes;
  Range times;
  bool any_time = false;
  std::vector<std::uint8_t> extension_ok;  // by index into extensions; empty when no ext: word
};

Plan MakePlan(const ScanResult& result, const Query& query) {
  Plan plan{result, query, SizeRangeOf(query.sizes), Range{}, !query.dates.empty(), {}};
  const TimeWindow window = TimeWindowOf(query.dates);
  plan.times = Range{window.from, window.to};
  if (!query.extension_sets.empty()) {
    plan.extension_ok.resize(result.extensions.size());
    for (std::size_t i = 0; i < result.extensions.size(); ++i) {
      plan.extension_ok[i] = std::all_of(
          query.extension_sets.begin(), query.extension_sets.end(),
          [&](const std::vector<NamePattern>& set) { return ExtensionInSet(result.extensions[i].extension, set); });
    }
  }
  return plan;
}

// The name tests, over a buffer of this thread's.
bool NameMatches(const Plan& plan, std::u16string_view name, std::u16string& buffer) {
  if (buffer.size() < name.size()) buffer.resize(name.size());
  FoldCase(name, buffer.data());
  const std::u16string_view folded(buffer.data(), name.size());
  for (const NamePattern& pattern : plan.query.names) {
    if (!MatchesPattern(folded, pattern)) return false;
  }
  return true;
}

// Every test but the names'.
bool FilePassesFilters(const Plan& plan, const FileItem& file) {
  if (!plan.sizes.Holds(file.size)) return false;
  if (plan.any_time && !plan.times.Holds(file.mtime)) return false;
  return plan.extension_ok.empty() || (file.extension < plan.extension_ok.size() && plan.extension_ok[file.extension]);
}

bool FolderPassesFilters(const Plan& plan, const DirNode& folder) {
  return plan.sizes.Holds(folder.total_size) && (!plan.any_time || plan.times.Holds(folder.mtime));
}

bool Cancelled(const CancelFlag* cancel) { return cancel != nullptr && cancel->cancelled(); }

// Runs work(k, begin, end) over `parts` even shares of [0, total): share 0
// on this thread, each other one on a thread of its own (or here, after
// all, when no thread can be had).
template <typename Work>
void RunParts(std::size_t total, std::size_t parts, Work work) {
  const auto bounds = [&](std::size_t k) { return total / parts * k + std::min(k, total % parts); };
  std::vector<std::thread> helpers;
  for (std::size_t k = 1; k < parts; ++k) {
    try {
      helpers.emplace_back([&, k] { work(k, bounds(k), bounds(k + 1)); });
    } catch (const std::system_error&) {
      work(k, bounds(k), bounds(k + 1));
    }
  }
  work(0, bounds(0), bounds(1));
  for (std::thread& helper : helpers) helper.join();
}

template <typename T>
std::vector<T> Joined(std::vector<std::vector<T>>& parts) {
  std::size_t count = 0;
  for (const auto& part : parts) count += part.size();
  std::vector<T> all;
  all.reserve(count);
  for (auto& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
    std::vector<T>().swap(part);
  }
  return all;
}

// One pass over the files, then the folders, in their arrays' order; the
// name tests only for the entries that pass the others. Files are grouped
// by folder while their names lie in the arena in record order, so reading
// the names in file order waits on memory for almost every one: each is
// fetched kPrefetchDistance entries ahead of its turn (twice as fast on the
// synthetic volume, whose folders hold files from all over the MFT).
std::vector<SearchHit> MatchEntries(const Plan& plan, std::size_t parts, const CancelFlag* cancel) {
  const ScanResult& r = plan.result;
  const std::size_t file_total = plan.query.files ? r.files.size() : 0;
  const std::size_t folder_total = plan.query.folders ? r.folders.size() : 0;
  const bool names = !plan.query.names.empty();
  const auto name_offset = [&](std::size_t at) {
    return at < file_total ? r.files[at].name_offset : r.folders[at - file_total].name.offset;
  };
  std::vector<std::vector<SearchHit>> found(parts);
  RunParts(file_total + folder_total, parts, [&](std::size_t k, std::size_t begin, std::size_t end) {
    std::u16string buffer(256, u'\0');
    for (std::size_t at = begin; at < end; ++at) {
      if ((at - begin) % kCancelStride == 0 && Cancelled(cancel)) return;
      if (names && at + kPrefetchDistance < end) {
        const char16_t* const ahead = r.names.Address(name_offset(at + kPrefetchDistance));
        if (ahead != nullptr) __builtin_prefetch(ahead);
      }
      if (at < file_total) {
        const FileItem& file = r.files[at];
        if (FilePassesFilters(plan, file) && (!names || NameMatches(plan, r.Name(file), buffer))) {
          found[k].push_back({static_cast<std::uint32_t>(at), false});
        }
      } else {
        const DirNode& folder = r.folders[at - file_total];
        if (FolderPassesFilters(plan, folder) && (!names || NameMatches(plan, r.Name(folder), buffer))) {
          found[k].push_back({static_cast<std::uint32_t>(at - file_total), true});
        }
      }
    }
  });
  return Joined(found);
}

}  // namespace

TimeWindow TimeWindowOf(const std::vector<DateCondition>& dates) {
  TimeWindow window{1, kMax};
  for (const DateCondition& c : dates) {
    const std::int64_t begins = DayStart(c.day);
    const std::int64_t ends = DayStart(NextDay(c.day));  // the next day's start
    switch (c.comparison) {
      case Comparison::kLess:
        window.to = std::min(window.to, begins - 1);
        break;
      case Comparison::kLessOrEqual:
        window.to = std::min(window.to, ends - 1);
        break;
      case Comparison::kGreater:
        window.from = std::max(window.from, ends);
        break;
      case Comparison::kGreaterOrEqual:
        window.from = std::max(window.from, begins);
        break;
      case Comparison::kEqual:
        window.from = std::max(window.from, begins);
        window.to = std::min(window.to, ends - 1);
        break;
    }
  }
  return window;
}

std::vector<SearchHit> FindMatches(const ScanResult& result, const Query& query, const SearchOptions& options) {
  if (query.empty || (!query.files && !query.folders)) return {};
  const Plan plan = MakePlan(result, query);
  const std::size_t total = result.files.size() + result.folders.size();
  const std::size_t wanted = static_cast<std::size_t>(std::max(options.threads, 1));
  const std::size_t parts = std::clamp<std::size_t>(total / kEntriesPerThread, 1, wanted);
  std::vector<SearchHit> hits = MatchEntries(plan, parts, options.cancel);
  if (Cancelled(options.cancel)) hits.clear();
  return hits;
}

SearchTotals TotalsOf(const ScanResult& result, std::span<const SearchHit> hits) {
  SearchTotals totals;
  for (const SearchHit& hit : hits) {
    if (hit.folder) {
      ++totals.folders;
    } else {
      ++totals.files;
      totals.file_size = SaturatingAdd(totals.file_size, HitSize(result, hit));
      totals.file_alloc = SaturatingAdd(totals.file_alloc, HitAlloc(result, hit));
    }
  }
  return totals;
}

std::int64_t HitSize(const ScanResult& result, const SearchHit& hit) {
  if (hit.folder) return hit.index < result.folders.size() ? result.folders[hit.index].total_size : 0;
  return hit.index < result.files.size() ? result.files[hit.index].size : 0;
}

std::int64_t HitAlloc(const ScanResult& result, const SearchHit& hit) {
  if (hit.folder) return hit.index < result.folders.size() ? result.folders[hit.index].total_alloc : 0;
  return hit.index < result.files.size() ? result.files[hit.index].alloc : 0;
}

std::int64_t HitModified(const ScanResult& result, const SearchHit& hit) {
  if (hit.folder) return hit.index < result.folders.size() ? result.folders[hit.index].mtime : 0;
  return hit.index < result.files.size() ? result.files[hit.index].mtime : 0;
}

std::u16string_view HitName(const ScanResult& result, const SearchHit& hit) {
  if (hit.folder)
    return hit.index < result.folders.size() ? result.Name(result.folders[hit.index]) : std::u16string_view();
  return hit.index < result.files.size() ? result.Name(result.files[hit.index]) : std::u16string_view();
}

}  // namespace tw
