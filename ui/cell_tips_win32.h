#pragma once
// The whole text of a list cell whose text the painter had to cut short, in
// a tooltip over the list while the pointer rests on that cell. The row
// painters note what they cut as they draw (so the decision is the one
// made with the real font and the real rectangle), and the list's mouse
// handler asks for the cell under the pointer.

#include <windows.h>

#include <string_view>

namespace tw {

// Around the painting of one row: its notes of before are dropped, the cells
// noted in between belong to it.
void BeginRowNotes(HWND list, int item);
void EndRowNotes();
// A cell's text drawn into `room` (single line, ellipsis at the end): noted
// when it is wider than the room. Outside Begin/EndRowNotes nothing is noted.
void NoteCellText(HDC dc, const RECT& cell, const RECT& room, std::wstring_view text);
// The list's rows changed: every note of it is dropped.
void ForgetCellNotes(HWND list);
// The tooltip follows the pointer at x on row `item` (-1: off the rows).
void FollowCellTip(HWND list, int item, int x, int dpi);

}  // namespace tw
