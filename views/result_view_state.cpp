#include "views/result_view_state.h"

#include <utility>

#include "texts/texts.h"
#include "views/saved_scan_texts.h"
#include "views/status_texts.h"

namespace tw {

void HandOverGeneration(ResultViewState& views, ResultGeneration result,
                        std::shared_ptr<const ComparedScans> comparison, PreviousScan previous_scan,
                        ResultOrigin origin) {
  // The change rows let go of the old comparison before it goes.
  views.changes.Reset(nullptr);
  // The search's matches index the old generation.
  ClearSearchResults(views.search);
  views.result = std::move(result);
  views.comparison = std::move(comparison);
  views.previous_scan = previous_scan;
  views.has_result = true;
  views.origin = origin;
  views.comparing = false;
  views.baseline_unreadable = false;
  views.earlier.clear();
  views.choices.clear();
  views.chosen = 0;
  views.last_scan.reset();
  views.first_generation = views.result;
  views.changes.Reset(views.comparison.get());

  const ScanResult& shown = *views.result;
  views.treemap_state = TreemapState{};  // the root, folders mode
  views.rows.ResetForResult(&shown);
  RefreshExtensionList(shown, views.extensions);
  RefreshFileView(shown, views.files);
  views.treemap_state.treemap_show_files = RebuildTreemapItems(
      shown, views.treemap_state.treemap_folder_id, views.treemap_state.treemap_show_files, views.treemap_items);
  views.overview.Rebase(shown);
}

void UpdateGeneration(ResultViewState& views, ResultGeneration result,
                      std::shared_ptr<const ComparedScans> comparison) {
  // The treemap's folder, or the nearest one above it the new result holds,
  // found through the old result before it goes.
  const ScanResult& old = *views.result;
  RecordId shown_folder = views.treemap_state.treemap_folder_id;
  for (int step = 0; step < 4096 && shown_folder != kRootId; ++step) {
    const DirNode* there = result->FindFolder(shown_folder);
    if (there != nullptr && there->id == shown_folder) break;
    const DirNode* before = old.FindFolder(shown_folder);
    shown_folder = before != nullptr && before->id == shown_folder ? before->tree_parent_id : kRootId;
  }
  const bool same_folder = shown_folder == views.treemap_state.treemap_folder_id;

  views.changes.Reset(nullptr);
  // The search's matches index the old generation's arrays.
  ClearSearchResults(views.search);
  views.result = std::move(result);
  views.comparison = std::move(comparison);
  views.changes.Reset(views.comparison.get());

  const ScanResult& shown = *views.result;
  views.treemap_state.treemap_folder_id = shown_folder;
  const DirNode* folder = shown.FindFolder(shown_folder);
  if (!same_folder || folder == nullptr || folder->file_count == 0) views.treemap_state.treemap_show_files = false;
  views.rows.FollowResult(&shown);
  RefreshExtensionList(shown, views.extensions);
  RefreshFileView(shown, views.files);
  views.treemap_state.treemap_show_files = RebuildTreemapItems(
      shown, views.treemap_state.treemap_folder_id, views.treemap_state.treemap_show_files, views.treemap_items);
  views.overview.Rebase(shown);
}

void HandOverGeneration(ResultViewState& views, ResultGeneration result) {
  HandOverGeneration(views, std::move(result), nullptr, PreviousScan::kNone);
  views.comparing = true;
}

bool HandOverComparison(ResultViewState& views, const ResultGeneration& made_for,
                        std::shared_ptr<const ComparedScans> comparison, PreviousScan previous_scan,
                        std::vector<KeptScan> earlier) {
  if (!views.comparing || made_for == nullptr || made_for != views.first_generation || !views.choices.empty()) {
    return false;
  }
  const bool gone = made_for != views.result;  // actions changed the result since
  views.changes.Reset(nullptr);
  views.comparison = std::move(comparison);
  views.previous_scan = previous_scan;
  views.comparing = false;
  views.baseline_unreadable = false;
  views.earlier = std::move(earlier);
  views.choices = BaselineChoices(views.earlier, views.result->scanned_at);
  views.chosen = 0;
  // The last scan's file may be gone; the comparison holds what was read.
  if (views.comparison != nullptr && (gone || (!views.earlier.empty() && views.earlier.front().path.empty()))) {
    views.last_scan = views.comparison->old_scan;
  }
  if (gone && views.comparison != nullptr) {
    views.comparison.reset();
    views.comparing = true;
    return true;
  }
  views.changes.Reset(views.comparison.get());
  return true;
}

std::optional<BaselineSource> CompareAgain(ResultViewState& views) {
  if (!views.comparing || views.choices.empty()) return std::nullopt;
  return PickBaseline(views, views.chosen);
}

std::optional<BaselineSource> PickBaseline(ResultViewState& views, std::size_t choice) {
  if (choice >= views.choices.size()) return std::nullopt;
  if (choice == views.chosen && !views.comparing && views.comparison != nullptr) return std::nullopt;
  const BaselineChoice& picked = views.choices[choice];
  BaselineSource source;
  source.path = views.earlier[picked.scan].path;
  source.place = picked.place;
  if (picked.scan == 0 && views.last_scan != nullptr) source.held = views.last_scan;
  views.changes.Reset(nullptr);
  views.comparison.reset();
  views.chosen = choice;
  views.comparing = true;
  views.baseline_unreadable = false;
  return source;
}

void HandOverPickedComparison(ResultViewState& views, std::shared_ptr<const ComparedScans> comparison) {
  views.changes.Reset(nullptr);
  views.comparison = std::move(comparison);
  views.comparing = false;
  views.baseline_unreadable = views.comparison == nullptr;
  views.changes.Reset(views.comparison.get());
}

std::wstring ChangePageMessage(const ResultViewState& views) {
  if (!views.has_result) return {};
  if (views.comparing) return text::kChangeComparing;
  if (views.comparison != nullptr) return {};
  if (views.baseline_unreadable) return text::kChangeBaselineUnreadable;
  return ChangePageMessage(views.previous_scan, views.origin);
}

std::wstring ComparisonStatusSuffix(const ResultViewState& views) {
  if (!views.has_result) return {};
  if (views.comparing) return std::wstring(text::kChangeSeparator) + text::kChangeComparing;
  if (views.comparison == nullptr) return {};
  const BaselinePlace place =
      views.chosen < views.choices.size() ? views.choices[views.chosen].place : kBaselinePlaceLast;
  return ChangeStatusSuffix(*views.comparison, BaselineStatusLead(place));
}

std::wstring ResultStatusLine(const ResultViewState& views) {
  return ScanSuccessStatus(*views.result) + ComparisonStatusSuffix(views);
}

}  // namespace tw
