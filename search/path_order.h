#pragma once
// The order of many matches by full path, without comparing whole paths:
// each match is its stem (the path of its folder and a backslash, or a
// folder's own path) and its tail (its name, or nothing), every distinct
// stem is folded and ranked once, and two matches compare by the ranks of
// their stems unless one stem begins the other, when the rest of the
// longer stem and the tails decide. The same order as
// HitPaths::ComparePaths, at a fraction of its cost when thousands of
// matches tie on their key.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/scan_result.h"
#include "search/hit_paths.h"
#include "search/matcher.h"

namespace tw {

class PathOrder {
 public:
  // Prepares the stems of `hits` (only those matches may be compared).
  PathOrder(const ScanResult& result, std::span<const SearchHit> hits, HitPaths& paths);

  // A match with its stem looked up, for sorting many at once.
  struct Keyed {
    std::uint32_t stem = 0;
    SearchHit hit;
  };
  Keyed KeyOf(const SearchHit& hit) const { return Keyed{StemOf(hit), hit}; }

  // Whether a's path comes before b's.
  bool Less(const Keyed& a, const Keyed& b) const;
  bool Less(const SearchHit& a, const SearchHit& b) const { return Less(KeyOf(a), KeyOf(b)); }

 private:
  struct Stem {
    std::u16string folded;      // ASCII letters folded
    std::uint32_t rank = 0;     // among the stems, by folded text
    std::uint32_t end = 0;      // the stems of ranks (rank, end) begin with this one
  };
  std::uint32_t StemOf(const SearchHit& hit) const;
  std::u16string_view TailOf(const SearchHit& hit) const;

  const ScanResult& result_;
  HitPaths& paths_;
  std::vector<Stem> stems_;
  // The stem of each file's folder and of each folder as a match, by index;
  // kNone where no match needs one.
  std::vector<std::uint32_t> file_stem_;    // by folder index: the stem of the files in it
  std::vector<std::uint32_t> folder_stem_;  // by folder index: the folder's own path
};

}  // namespace tw
