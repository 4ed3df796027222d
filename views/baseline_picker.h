#pragma once
// The picker of the 变化 page: which remembered scans the new one can be
// compared with, and how each is named. The places are those of the
// history (store/scan_history.h) seen from the new scan: 上次扫描, the newest
// scan kept before it; then the newest at least a day, a week, thirty days
// and 365 days older than the new scan. A place whose scan is the one of the
// place listed above it is listed once, under the first name; a place
// without a scan is left out.
//
// Pure logic: no window-system calls. CompareWithBaseline reads a file and
// runs on a worker.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "model/result_generation.h"
#include "model/scan_compare.h"
#include "store/scan_history.h"

namespace tw {

// The places of the picker, in its order.
enum BaselinePlace : std::uint8_t {
  kBaselinePlaceLast = 0,   // 上次扫描
  kBaselinePlaceDay = 1,    // 一天前
  kBaselinePlaceWeek = 2,   // 一周前
  kBaselinePlaceMonth = 3,  // 一个月前
  kBaselinePlaceYear = 4,   // 一年前
};

struct BaselineChoice {
  std::size_t scan = 0;  // index into the earlier scans
  BaselinePlace place = kBaselinePlaceLast;
  std::wstring label;  // "一周前 (2026/11/30 09:30:05)", the time in local time
  friend bool operator==(const BaselineChoice&, const BaselineChoice&) = default;
};

// The picker's entries for a new scan of `newest` (seconds since 1970)
// over the volume's scans kept before it, newest first.
std::vector<BaselineChoice> BaselineChoices(std::span<const KeptScan> earlier, std::int64_t newest);

// The place's name alone: "上次扫描", "一天前", ...
const wchar_t* BaselinePlaceName(BaselinePlace place);

// The status line's lead of a comparison with a baseline of that place:
// " · 比上次" for the last scan, " · 比一周前" for the week's.
std::wstring BaselineStatusLead(BaselinePlace place);

// What a picked baseline is read from: its file, or the generation held
// for it.
struct BaselineSource {
  std::string path;       // UTF-8; "" when `held` stands for it
  ResultGeneration held;  // the last scan, whose file may be gone
  BaselinePlace place = kBaselinePlaceLast;
};

// Compares `now` with the baseline (the `top` largest files of each list):
// the generation held, or the kept scan read from its file while no scan is
// being remembered. Null when the file cannot be read or holds another
// volume than `now`'s (both serial numbers known). May throw std::bad_alloc.
std::shared_ptr<const ComparedScans> CompareWithBaseline(const BaselineSource& source, const ResultGeneration& now,
                                                         std::size_t top);

}  // namespace tw
