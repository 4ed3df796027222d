#include "views/result_view_state.h"

#include <utility>

namespace tw {

void HandOverGeneration(ResultViewState& views, ResultGeneration result,
                        std::shared_ptr<const ComparedScans> comparison, PreviousScan previous_scan) {
  // The change rows let go of the old comparison before it goes.
  views.changes.Reset(nullptr);
  views.result = std::move(result);
  views.comparison = std::move(comparison);
  views.previous_scan = previous_scan;
  views.has_result = true;
  views.changes.Reset(views.comparison.get());

  const ScanResult& shown = *views.result;
  views.treemap_state = TreemapState{};  // the root, folders mode
  views.rows.ResetForResult(&shown);
  RefreshExtensionList(shown, views.extensions);
  RefreshFileView(shown, views.files);
  views.treemap_state.treemap_show_files =
      RebuildTreemapItems(shown, views.treemap_state.treemap_folder_id,
                          views.treemap_state.treemap_show_files, views.treemap_items);
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
  views.treemap_state.treemap_show_files =
      RebuildTreemapItems(shown, views.treemap_state.treemap_folder_id, views.treemap_state.treemap_show_files,
                          views.treemap_items);
  views.overview.Rebase(shown);
}

}  // namespace tw
