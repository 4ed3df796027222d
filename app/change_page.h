#pragma once
// The 变化 page in the main window: the picker of the scan compared with,
// the check box that hides the unchanged folders, the folder changes and
// the two file lists, the one-line message; the comparison that follows a
// scan and the one a picked baseline starts on a worker.

#include <windows.h>

namespace tw {

// The page's controls, created hidden under `parent`, their columns set.
void CreateChangePage(HWND parent);

// Notifications of the page's three lists.
LRESULT OnChangeListNotify(NMHDR& header);
LRESULT OnGrownListNotify(NMHDR& header);
LRESULT OnLostListNotify(NMHDR& header);
// A key in one of the page's lists; true when it was handled (the list must
// not act on it as well).
bool ChangePageKeyDown(HWND list, WPARAM key);

// WM_COMMAND from the picker (CBN_SELCHANGE) or the check box (BN_CLICKED).
void OnBaselinePicked();
void OnChangedOnlyClicked();

// A new generation was handed over: a baseline comparison under way is let
// go and the page refilled.
void ChangePageAfterNewResult();
// A new generation of the same scan (an action changed the volume): a
// comparison under way for the one before is made again for it.
void ChangePageAfterUpdate();
// The page's lists, picker and message from the view state; shown as the
// active page asks.
void RefreshChangePage();
// Shows the page's controls that apply (visible is whether the page is the
// active one).
void ShowChangePage(bool visible);

// The worker's answers: the comparison that follows a scan
// (WM_SCAN_COMPARED) and the comparison with a picked baseline
// (WM_BASELINE_COMPARED). Each lParam is a heap payload the page frees.
void OnScanCompared(LPARAM payload);
inline constexpr UINT WM_BASELINE_COMPARED = WM_APP + 6;
void OnBaselineCompared(LPARAM payload);

}  // namespace tw
