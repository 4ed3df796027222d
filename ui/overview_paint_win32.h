#pragma once
// The drawing of the 全景 control, on the window's thread: the picture made
// in memory turned into a bitmap with its labels in the window's font, and
// the page composed from the path bar, that bitmap, the outlines and the
// legend. Every GDI object goes through the counting owners.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/gdi_objects_win32.h"
#include "views/overview_bars.h"
#include "views/overview_picture.h"
#include "views/overview_zoom.h"

namespace tw {

// A bitmap and its size.
struct SizedBitmap {
  Bitmap bitmap;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// The line height of a font (its tmHeight); 0 without a font.
std::int32_t FontLineHeight(HFONT font);

// The picture as a bitmap: the cells offered a label get one where the
// picture's rules place it, measured and drawn with `font` (none without a
// font). The picture's pixels are spent on the way.
SizedBitmap PictureBitmap(OverviewPicture& picture, const ScanResult& result, HFONT font);

// Everything the page shows.
struct OverviewPageInput {
  OverviewGeometry geometry;
  const SizedBitmap* picture = nullptr;  // none: an empty picture area
  std::optional<Rect> hover;             // in the picture's pixels
  std::optional<Rect> selection;
  const std::vector<ZoomStep>* path = nullptr;
  const ScanResult* result = nullptr;  // the legend's extensions; none: no legend
  HFONT path_font = nullptr;
  HFONT legend_font = nullptr;
  int dpi = 96;
};

// Composes the page into `page` (made again at the new size when the size
// changed) and returns where the path bar's parts went.
std::vector<PathBarPart> ComposeOverviewPage(HWND hwnd, SizedBitmap& page, std::int32_t width, std::int32_t height,
                                             const OverviewPageInput& input);

}  // namespace tw
