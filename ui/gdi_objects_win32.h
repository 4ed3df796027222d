#pragma once
// The GDI owner types of the Win32 views (counted, see views/gdi_owner.h)
// and scoped selectors that put back what they replaced.

#include <windows.h>

#include "views/gdi_owner.h"

namespace tw {

inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void DeleteMemoryDc(HDC dc) { DeleteDC(dc); }

using Brush = GdiOwner<HBRUSH, DeleteGdiObject>;
using Pen = GdiOwner<HPEN, DeleteGdiObject>;
using Bitmap = GdiOwner<HBITMAP, DeleteGdiObject>;
using MemoryDc = GdiOwner<HDC, DeleteMemoryDc>;
using Font = GdiOwner<HFONT, DeleteGdiObject>;

inline Brush SolidBrush(COLORREF colour) { return Brush(CreateSolidBrush(colour)); }
inline Pen SolidPen(COLORREF colour, int width = 1) { return Pen(CreatePen(PS_SOLID, width, colour)); }

// Selects an object into a DC and selects the previous one back on exit.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
  ~ScopedSelect() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// SaveDC now, RestoreDC on exit.
class ScopedDcState {
 public:
  explicit ScopedDcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~ScopedDcState() {
    if (saved_ != 0) RestoreDC(dc_, saved_);
  }
  ScopedDcState(const ScopedDcState&) = delete;
  ScopedDcState& operator=(const ScopedDcState&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// Fills a rectangle with a brush made and deleted for the purpose.
inline void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  const Brush brush = SolidBrush(colour);
  FillRect(dc, &rect, brush.get());
}

}  // namespace tw
