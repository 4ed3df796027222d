#include "treemap/volume_picture.h"

#include <algorithm>

#include "treemap/picture_labels.h"

namespace tw {

std::int32_t LegendStripHeight(std::int32_t picture_height) {
  return picture_height >= kLegendMinPictureHeight ? kLegendHeight : 0;
}

RgbImage RenderVolumePicture(const ScanResult& result, const VolumePictureOptions& options) {
  const std::int32_t width = std::clamp(options.width, kPictureMinSide, kPictureMaxSide);
  const std::int32_t height = std::clamp(options.height, kPictureMinSide, kPictureMaxSide);
  RgbImage image(width, height, kPictureBackground);
  const std::int32_t legend = LegendStripHeight(height);
  const Rect area{0, 0, width, height - legend};

  PictureLabels labels(options.font != nullptr ? options.font->LineHeight() : 0);
  NestedTreemapOptions drawing;
  drawing.labels = &labels;
  DrawNestedTreemap(result, 0, area, image, drawing);
  if (options.font != nullptr) labels.Draw(result, *options.font, image);
  if (legend > 0) DrawLegend(result, options.font, Rect{0, height - legend, width, height}, image);
  return image;
}

}  // namespace tw
