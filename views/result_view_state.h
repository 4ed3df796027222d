#pragma once
// What the window shows of one generation of the result: the generation
// itself, and the view state built from it (folder rows, the treemap's
// folder and items, the extension and file lists' orders, the comparison
// with the volume's previous scan and its rows). Every index and pointer of
// the view state points into the generation held here, or into the
// comparison held here, which keeps its own two generations alive.
//
// Handing a new generation over resets the view state in one fixed order,
// so that no view ever reads a result that has gone: first the change rows
// let go of the old comparison, then the generation and comparison are
// replaced, then each view is rebuilt from the new generation. Selections in
// the lists are the window's; after a handover none of them means anything.
//
// Pure logic: no window-system calls. Used on the window's thread only.

#include <memory>
#include <vector>

#include "model/result_generation.h"
#include "model/scan_compare.h"
#include "store/scan_memory.h"
#include "treemap/treemap_items.h"
#include "views/change_rows.h"
#include "views/extension_list.h"
#include "views/file_view.h"
#include "views/folder_rows.h"
#include "views/overview_zoom.h"
#include "views/treemap_navigation.h"

namespace tw {

struct ResultViewState {
  // Never null: an empty result until the first scan succeeds.
  ResultGeneration result = MakeGeneration(ScanResult{});
  bool has_result = false;  // a scan has succeeded since the start

  FolderRowModel rows;
  TreemapState treemap_state;  // the folder shown and files mode
  std::vector<TreemapItem> treemap_items;
  ExtensionListState extensions;  // the extension list's order and sort
  FileViewState files;            // the file view's order and sort

  // The volume's previous scan compared with `result` (null when there is
  // none), what became of the previous scan, and the rows of the 变化 page.
  std::shared_ptr<const ComparedScans> comparison;
  PreviousScan previous_scan = PreviousScan::kNone;
  ChangeRowModel changes;

  // The folder the 全景 page shows, kept across generations as far as the
  // new one still holds it.
  OverviewZoom overview;
};

// A new generation (not null) with the comparison made for it (may be null)
// takes the place of the one shown: the change rows over the comparison,
// only the root open, the treemap at the root in folders mode with its items
// rebuilt, the extension list and the file view in their kept sort orders,
// the 全景 page at the deepest folder of its path the new generation holds.
void HandOverGeneration(ResultViewState& views, ResultGeneration result,
                        std::shared_ptr<const ComparedScans> comparison, PreviousScan previous_scan);

// A new generation of the same scan (an action changed the volume, and the
// records it touched were read again) takes the place of the one shown,
// keeping the user's place: the open folders the new generation still
// holds stay open, the treemap stays at its folder or goes up to the
// nearest one still there (files mode only where that folder still has
// files), the lists keep their sorts, the 全景 page its deepest folder
// still there; the change rows start again over `comparison` (the same
// baseline compared with the new generation; may be null).
void UpdateGeneration(ResultViewState& views, ResultGeneration result,
                      std::shared_ptr<const ComparedScans> comparison);

}  // namespace tw
