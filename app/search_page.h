#pragma once
// The 搜索 page of the main window: the search box, the line above the
// list, the list of matches, and the worker that searches the generation
// shown as the user types. Each keystroke starts a new search, which
// cancels the one under way; an answer is shown only when it is the one the
// page waits for and was made from the generation the window still shows.

#include <windows.h>

#include <cstdint>

#include "views/main_layout.h"

namespace tw {

// Posted by the search worker: lParam a heap JobAnswer<SearchAnswer>*,
// owned and freed by the receiver.
inline constexpr UINT WM_SEARCH_DONE = WM_APP + 10;

// Creates the page's controls, hidden, with their columns, keys and hover.
void CreateSearchPage(HWND main);
void PlaceSearchPage(const SearchPageLayout& layout);
// Shows or hides the page; shown, it takes the keyboard into the search box.
void ShowSearchPage(bool visible);

// EN_CHANGE of the search box: search the new text.
void OnSearchBoxChanged();
void OnSearchDone(LPARAM answer);
LRESULT OnSearchListNotify(NMHDR& header);
void OnSearchColumnClick(std::int32_t column);
// A new generation was handed over (its matches cleared): the kept query
// is searched again in it.
void SearchNewGeneration();
// A new generation of the same scan after an action (its matches
// cleared): searched again as after a scan, and the row selected before
// gives its place to its neighbour once the answer is shown.
void SearchAfterAction();

}  // namespace tw
