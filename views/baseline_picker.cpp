#include "views/baseline_picker.h"

#include "format/format.h"
#include "format/utc_time.h"
#include "store/scan_memory.h"
#include "texts/texts.h"

namespace tw {

std::vector<BaselineChoice> BaselineChoices(std::span<const KeptScan> earlier, std::int64_t newest) {
  std::vector<BaselineChoice> choices;
  if (earlier.empty()) return choices;
  // The history's places over the earlier scans and the new one (the last
  // of the times); its first place, the new scan itself, becomes the last
  // scan kept before it.
  std::vector<std::int64_t> times;
  for (const KeptScan& scan : earlier) times.push_back(scan.scanned_at);
  times.push_back(newest);
  HistoryPlaces places = PlaceScans(times, earlier.size());
  places[kPlaceNewest] = 0;
  for (std::size_t place = 0; place < kHistoryPlaceCount; ++place) {
    if (!places[place] || (!choices.empty() && choices.back().scan == *places[place])) continue;
    BaselineChoice choice;
    choice.scan = *places[place];
    choice.place = static_cast<BaselinePlace>(place);
    choice.label = BaselinePlaceName(choice.place);
    const std::wstring when = FormatFileTime(FileTimeOfUnixSeconds(earlier[choice.scan].scanned_at));
    if (!when.empty()) choice.label += L" (" + when + L")";
    choices.push_back(std::move(choice));
  }
  return choices;
}

const wchar_t* BaselinePlaceName(BaselinePlace place) {
  switch (place) {
    case kBaselinePlaceDay:
      return text::kBaselineDay;
    case kBaselinePlaceWeek:
      return text::kBaselineWeek;
    case kBaselinePlaceMonth:
      return text::kBaselineMonth;
    case kBaselinePlaceYear:
      return text::kBaselineYear;
    default:
      return text::kBaselineLast;
  }
}

std::wstring BaselineStatusLead(BaselinePlace place) {
  if (place == kBaselinePlaceLast) return text::kChangeStatusLead;
  return std::wstring(text::kChangeStatusLeadPlace) + BaselinePlaceName(place);
}

std::shared_ptr<const ComparedScans> CompareWithBaseline(const BaselineSource& source, const ResultGeneration& now,
                                                         std::size_t top) {
  ResultGeneration baseline = source.held;
  if (baseline == nullptr) {
    ScanResult read;
    SnapshotError error;
    if (source.path.empty() || !LoadKeptScan(source.path, read, error)) return nullptr;
    baseline = MakeGeneration(std::move(read));
  }
  if (baseline->volume_serial != 0 && now->volume_serial != 0 && baseline->volume_serial != now->volume_serial) {
    return nullptr;
  }
  return std::make_shared<const ComparedScans>(CompareScans(std::move(baseline), now, top));
}

}  // namespace tw
