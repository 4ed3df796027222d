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
// After a scan the result comes first and its comparison after: the
// generation is handed over while the comparison is still being made
// ("正在比较…"), and the comparison, with the volume's earlier scans the
// picker offers, follows when the worker has it. Picking another baseline
// starts the comparing again; each comparison counts only for the
// generation it was made from.
//
// Pure logic: no window-system calls. Used on the window's thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/result_generation.h"
#include "model/scan_compare.h"
#include "store/scan_memory.h"
#include "treemap/treemap_items.h"
#include "views/baseline_picker.h"
#include "views/change_rows.h"
#include "views/extension_list.h"
#include "views/file_view.h"
#include "views/folder_rows.h"
#include "views/item_actions.h"  // ResultOrigin
#include "views/overview_zoom.h"
#include "views/search_view.h"
#include "views/treemap_navigation.h"

namespace tw {

struct ResultViewState {
  // The 变化 rows show only the folders that changed until the page's check
  // box is cleared.
  ResultViewState() { changes.SetChangedOnly(true); }

  // Never null: an empty result until the first scan succeeds.
  ResultGeneration result = MakeGeneration(ScanResult{});
  bool has_result = false;  // a scan has succeeded (or a saved scan was opened) since the start
  // Where the result came from: a saved scan opened from a file may be
  // another machine's, and its rows are never handed to the shell.
  ResultOrigin origin = ResultOrigin::kScanned;

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

  // The 搜索 page: its matches index `result`; the query and order outlive it.
  SearchViewState search;

  // ---- 变化: history ----
  // The comparison is being made (for the scan, or for a picked baseline).
  bool comparing = false;
  // The picked baseline could not be read (its file gone or damaged).
  bool baseline_unreadable = false;
  // The volume's scans kept before `result`, newest first, the picker's
  // entries over them, and the entry shown (an index into choices).
  std::vector<KeptScan> earlier;
  std::vector<BaselineChoice> choices;
  std::size_t chosen = 0;
  // The last scan, held when its file was deleted as `result` was kept (or
  // when its comparison came for an earlier generation): picking 上次扫描
  // again compares with it.
  ResultGeneration last_scan;
  // The scan's first generation, which the comparison that follows the scan
  // is made for; `result` moves on from it when actions change the volume.
  ResultGeneration first_generation;
  // ---- end 变化: history ----

  // The folder the 全景 page shows, kept across generations as far as the
  // new one still holds it.
  OverviewZoom overview;
};

// A new generation (not null) with the comparison made for it (may be null)
// takes the place of the one shown: the change rows over the comparison,
// only the root open, the treemap at the root in folders mode with its items
// rebuilt, the extension list and the file view in their kept sort orders,
// no search matches (the query and its order kept, for the window to search
// the new generation again), the 全景 page at the deepest folder of its path
// the new generation holds. `origin` says where the new generation came from.
void HandOverGeneration(ResultViewState& views, ResultGeneration result,
                        std::shared_ptr<const ComparedScans> comparison, PreviousScan previous_scan,
                        ResultOrigin origin = ResultOrigin::kScanned);

// A new generation of the same scan (an action changed the volume, and the
// records it touched were read again) takes the place of the one shown,
// keeping the user's place: the open folders the new generation still
// holds stay open, the treemap stays at its folder or goes up to the
// nearest one still there (files mode only where that folder still has
// files), the lists keep their sorts, the 全景 page its deepest folder
// still there, the 搜索 page its query and order but no matches (for the
// window to search the new generation again); the change rows start again
// over `comparison` (the same baseline compared with the new generation;
// may be null).
void UpdateGeneration(ResultViewState& views, ResultGeneration result,
                      std::shared_ptr<const ComparedScans> comparison);

// ---- 变化: history ----

// A new scan's generation whose comparison is still to come: as above with
// no comparison, the page and the status line saying "正在比较…", no earlier
// scans and the picker empty.
void HandOverGeneration(ResultViewState& views, ResultGeneration result);

// The comparison for the scan (null when there was nothing to compare with
// or the previous scan could not be read, as previous_scan says) and the
// volume's earlier scans, made for `made_for`. Taken only when the views
// still show that scan (made_for is its first generation) and wait for it:
// false otherwise, and nothing changes. The picker then lists the earlier
// scans, 上次扫描 chosen. When actions have changed the result since, the
// comparison is of a generation gone: its baseline is held and the views go
// on comparing (CompareAgain).
bool HandOverComparison(ResultViewState& views, const ResultGeneration& made_for,
                        std::shared_ptr<const ComparedScans> comparison, PreviousScan previous_scan,
                        std::vector<KeptScan> earlier);

// What to compare the generation shown with when the comparison under way
// was made for another generation of the same scan (after an action): the
// chosen baseline, as PickBaseline gives it. None when nothing is being
// compared, or when the scan's own comparison is still to come.
std::optional<BaselineSource> CompareAgain(ResultViewState& views);

// Picks entry `choice` of the picker: the page lets go of the comparison
// shown and says "正在比较…" until HandOverPickedComparison. None (nothing
// changes) for an entry that is not there or is the one shown and compared.
std::optional<BaselineSource> PickBaseline(ResultViewState& views, std::size_t choice);

// The comparison with the picked baseline, or null when it could not be
// read. The window accepts the answer (the job's ticket, the generation it
// was made from) before handing it over.
void HandOverPickedComparison(ResultViewState& views, std::shared_ptr<const ComparedScans> comparison);

// The one line the 变化 page shows instead of its lists ("正在比较…", the
// first scan's, an unreadable scan's), or "" when it shows the lists.
std::wstring ChangePageMessage(const ResultViewState& views);

// The status line's end for the comparison: " · 正在比较…" while it is made,
// the change against the chosen baseline (" · 比一周前 (…) 增加 3.40 GB")
// once it is there, "" otherwise.
std::wstring ComparisonStatusSuffix(const ResultViewState& views);

// The status line after a successful scan: its summary, then the
// comparison's end as above.
std::wstring ResultStatusLine(const ResultViewState& views);

// ---- end 变化: history ----

}  // namespace tw
