#include "views/result_view_state.h"

#include <utility>

namespace tw {

void HandOverGeneration(ResultViewState& views, ResultGeneration result,
                        std::shared_ptr<const ComparedScans> comparison, PreviousScan previous_scan) {
  // The change rows let go of the old comparison before it goes.
  views.changes.Reset(nullptr);
  // The search's matches index the old generation.
  ClearSearchResults(views.search);
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

}  // namespace tw
