#include "search/order.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>

#include "search/hit_paths.h"
#include "search/path_order.h"

namespace tw {
namespace {

using Runs = std::vector<std::pair<std::size_t, std::size_t>>;  // [begin, end) of each tie

bool Cancelled(const CancelFlag* cancel) { return cancel != nullptr && cancel->cancelled(); }

// Thrown out of a sort's comparisons once the search is cancelled: a sort
// of a million matches takes a second, and a search the user has typed past
// must not hold the processor that long. Caught by OrderHits.
struct SortCancelled {};

// A comparison that looks at the cancel flag every 64K calls.
template <typename Less>
auto Cancellable(Less less, const CancelFlag* cancel, std::uint32_t& calls) {
  return [less, cancel, &calls](const auto& a, const auto& b) {
    if (cancel != nullptr && (++calls & 0xFFFF) == 0 && cancel->cancelled()) throw SortCancelled{};
    return less(a, b);
  };
}

// The runs of neighbours that `same` says are equal.
template <typename Same>
Runs TiesOf(std::size_t count, Same same) {
  Runs runs;
  for (std::size_t begin = 0; begin < count;) {
    std::size_t end = begin + 1;
    while (end < count && same(begin, end)) ++end;
    if (end - begin > 1) runs.emplace_back(begin, end);
    begin = end;
  }
  return runs;
}

// Orders each run of matches that tie on their key by path: a few through
// whole paths, many (empty files, a coarse key) through a PathOrder.
void OrderTies(const ScanResult& result, std::vector<SearchHit>& hits, const Runs& runs, const CancelFlag* cancel) {
  if (runs.empty() || Cancelled(cancel)) return;
  const auto range = [&hits](const std::pair<std::size_t, std::size_t>& run) {
    return std::pair(hits.begin() + static_cast<std::ptrdiff_t>(run.first),
                     hits.begin() + static_cast<std::ptrdiff_t>(run.second));
  };
  std::vector<SearchHit> tied;
  for (const auto& run : runs) tied.insert(tied.end(), range(run).first, range(run).second);
  HitPaths paths(result);
  std::uint32_t calls = 0;
  constexpr std::size_t kManyTies = 256;
  if (tied.size() < kManyTies) {
    for (const auto& run : runs) {
      std::sort(range(run).first, range(run).second,
                Cancellable([&](const SearchHit& a, const SearchHit& b) { return paths.ComparePaths(a, b) < 0; },
                            cancel, calls));
    }
    return;
  }
  const PathOrder by_path(result, tied, paths);
  std::vector<PathOrder::Keyed> keyed;
  for (const auto& run : runs) {
    if (Cancelled(cancel)) return;
    const auto [first, last] = range(run);
    keyed.clear();
    for (auto it = first; it != last; ++it) keyed.push_back(by_path.KeyOf(*it));
    std::sort(keyed.begin(), keyed.end(),
              Cancellable([&](const PathOrder::Keyed& a, const PathOrder::Keyed& b) { return by_path.Less(a, b); },
                          cancel, calls));
    for (std::size_t i = 0; i < keyed.size(); ++i) first[static_cast<std::ptrdiff_t>(i)] = keyed[i].hit;
  }
}

// Sorts by numbers, keys[i] the number of hits[i], taken from the result
// once (a sort that read the result's arrays at every comparison would wait
// on memory), ties by path.
void SortByKeys(const ScanResult& result, std::vector<SearchHit>& hits, const std::vector<std::int64_t>& keys,
                bool ascending, const CancelFlag* cancel) {
  struct Keyed {
    std::int64_t key;
    SearchHit hit;
  };
  std::vector<Keyed> keyed(hits.size());
  for (std::size_t i = 0; i < hits.size(); ++i) keyed[i] = Keyed{keys[i], hits[i]};
  std::uint32_t calls = 0;
  std::sort(keyed.begin(), keyed.end(),
            Cancellable([ascending](const Keyed& a, const Keyed& b) { return ascending ? a.key < b.key : a.key > b.key; },
                        cancel, calls));
  for (std::size_t i = 0; i < hits.size(); ++i) hits[i] = keyed[i].hit;
  OrderTies(result, hits, TiesOf(keyed.size(), [&](std::size_t a, std::size_t b) { return keyed[a].key == keyed[b].key; }),
            cancel);
}

template <typename KeyOf>
std::vector<std::int64_t> KeysOf(const std::vector<SearchHit>& hits, KeyOf key_of) {
  std::vector<std::int64_t> keys(hits.size());
  for (std::size_t i = 0; i < hits.size(); ++i) keys[i] = key_of(hits[i]);
  return keys;
}

void SortByName(const ScanResult& result, std::vector<SearchHit>& hits, bool ascending, const CancelFlag* cancel) {
  std::uint32_t calls = 0;
  std::sort(hits.begin(), hits.end(), Cancellable(
                                          [&](const SearchHit& a, const SearchHit& b) {
                                            const int c = CompareNamesNoCase(HitName(result, a), HitName(result, b));
                                            return ascending ? c < 0 : c > 0;
                                          },
                                          cancel, calls));
  OrderTies(result, hits, TiesOf(hits.size(), [&](std::size_t a, std::size_t b) {
              return CompareNamesNoCase(HitName(result, hits[a]), HitName(result, hits[b])) == 0;
            }),
            cancel);
}

// The rank of each match's location (HitPaths::Location) among those of
// all the matches, each distinct location made once (a file's through its
// folder); locations equal but for case share a rank.
std::vector<std::uint32_t> LocationRanks(const ScanResult& result, const std::vector<SearchHit>& hits,
                                         const CancelFlag* cancel) {
  HitPaths paths(result);
  std::vector<std::u16string> locations;
  std::vector<std::uint32_t> location_of(hits.size());
  std::unordered_map<std::uint32_t, std::uint32_t> of_file_folder;  // a file's folder index -> location
  for (std::size_t i = 0; i < hits.size(); ++i) {
    if (i % 4096 == 0 && Cancelled(cancel)) return location_of;
    const SearchHit& hit = hits[i];
    const bool file = !hit.folder && hit.index < result.files.size();
    if (file) {
      const auto found = of_file_folder.find(result.files[hit.index].folder);
      if (found != of_file_folder.end()) {
        location_of[i] = found->second;
        continue;
      }
    }
    const std::wstring text = paths.Location(hit);
    location_of[i] = static_cast<std::uint32_t>(locations.size());
    locations.emplace_back(text.begin(), text.end());
    if (file) of_file_folder.emplace(result.files[hit.index].folder, location_of[i]);
  }
  std::vector<std::uint32_t> ranked(locations.size());
  for (std::uint32_t k = 0; k < ranked.size(); ++k) ranked[k] = k;
  std::sort(ranked.begin(), ranked.end(), [&](std::uint32_t a, std::uint32_t b) {
    return CompareNamesNoCase(locations[a], locations[b]) < 0;
  });
  std::vector<std::uint32_t> rank(locations.size());
  for (std::size_t k = 0; k < ranked.size(); ++k) {
    const bool same = k > 0 && CompareNamesNoCase(locations[ranked[k - 1]], locations[ranked[k]]) == 0;
    rank[ranked[k]] = same ? rank[ranked[k - 1]] : static_cast<std::uint32_t>(k);
  }
  for (std::uint32_t& at : location_of) at = rank[at];
  return location_of;
}

void Order(const ScanResult& result, std::vector<SearchHit>& hits, const SearchOrder& order,
           const CancelFlag* cancel) {
  const bool up = order.ascending;
  switch (order.column) {
    case kSearchColumnName:
      SortByName(result, hits, up, cancel);
      return;
    case kSearchColumnFolder: {
      const std::vector<std::uint32_t> ranks = LocationRanks(result, hits, cancel);
      if (Cancelled(cancel)) return;
      SortByKeys(result, hits, std::vector<std::int64_t>(ranks.begin(), ranks.end()), up, cancel);
      return;
    }
    case kSearchColumnAlloc:
      SortByKeys(result, hits, KeysOf(hits, [&](const SearchHit& h) { return HitAlloc(result, h); }), up, cancel);
      return;
    case kSearchColumnModified:
      SortByKeys(result, hits, KeysOf(hits, [&](const SearchHit& h) { return HitModified(result, h); }), up, cancel);
      return;
    default:
      SortByKeys(result, hits, KeysOf(hits, [&](const SearchHit& h) { return HitSize(result, h); }), up, cancel);
      return;
  }
}

}  // namespace

void OrderHits(const ScanResult& result, std::vector<SearchHit>& hits, const SearchOrder& order,
               const CancelFlag* cancel) {
  try {
    Order(result, hits, order, cancel);
  } catch (const SortCancelled&) {
    // The order is left as the sort left it; nobody reads it.
  }
}

}  // namespace tw
