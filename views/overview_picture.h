#pragma once
// The picture of the 全景 page, made off the window's thread: the nested
// cushion treemap of the folder shown, drawn into memory at the size of the
// page, with the cells it laid out (for pointing, outlines and the labels)
// and the cells offered a label. The window turns it into a bitmap, draws
// the labels with its own font, and paints that bitmap until the next.

#include <cstdint>

#include "base/cancel.h"
#include "model/scan_result.h"
#include "treemap/nested_treemap.h"
#include "treemap/picture_labels.h"
#include "treemap/rgb_image.h"

namespace tw {

// What a picture is made for; a picture answers one request.
struct OverviewRequest {
  std::int64_t folder_id = kRootId;  // the folder shown
  std::int32_t width = 0;            // the picture's size in pixels
  std::int32_t height = 0;
  std::int32_t line_height = 0;  // of the label font; 0 for no labels
  friend bool operator==(const OverviewRequest&, const OverviewRequest&) = default;
};

struct OverviewPicture {
  OverviewRequest request;
  RgbImage image;  // width x height; kPictureBackground where nothing is drawn
  NestedLayout layout;
  PictureLabels labels{0};
  bool complete = false;  // false when cancelled on the way
};

// Lays out and draws the request's folder of the result (the root when it
// is not a folder of the result). Sides are clamped to 1..kPictureMaxSide.
OverviewPicture RenderOverview(const ScanResult& result, const OverviewRequest& request,
                               const CancelFlag* cancel = nullptr);

}  // namespace tw
