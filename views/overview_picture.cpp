#include "views/overview_picture.h"

#include <algorithm>

#include "treemap/volume_picture.h"

namespace tw {

OverviewPicture RenderOverview(const ScanResult& result, const OverviewRequest& request, const CancelFlag* cancel) {
  OverviewPicture picture;
  picture.request = request;
  picture.request.width = std::clamp(request.width, 1, kPictureMaxSide);
  picture.request.height = std::clamp(request.height, 1, kPictureMaxSide);
  picture.image = RgbImage(picture.request.width, picture.request.height, kPictureBackground);
  picture.labels = PictureLabels(std::max(request.line_height, 0));

  const DirNode* folder = request.folder_id > 0 ? result.FindFolder(request.folder_id) : nullptr;
  const std::uint32_t top = folder != nullptr ? static_cast<std::uint32_t>(folder - result.folders.data()) : 0;
  NestedTreemapOptions options;
  options.layout = &picture.layout;
  options.labels = &picture.labels;
  options.cancel = cancel;
  picture.complete =
      DrawNestedTreemap(result, top, Rect{0, 0, picture.request.width, picture.request.height}, picture.image, options);
  return picture;
}

}  // namespace tw
