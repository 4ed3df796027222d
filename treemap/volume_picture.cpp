#include "treemap/volume_picture.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "base/arithmetic.h"
#include "treemap/cushion.h"
#include "treemap/picture_labels.h"
#include "treemap/squarify.h"

namespace tw {
namespace {

// The ridge of the outermost level and how each level down scales it.
constexpr float kTopRidge = 0.35f;
constexpr float kRidgeFalloff = 0.75f;

enum class ItemKind : std::uint8_t { kFolder, kFile, kMerged };

struct Item {
  std::int64_t weight = 0;
  std::uint32_t index = 0;  // into folders or files
  ItemKind kind = ItemKind::kFile;
};

// A folder cell waiting to be filled, with the surface of the levels above it.
struct Pending {
  std::uint32_t folder = 0;
  Rect rect;
  CushionSurface surface;
  float ridge = kTopRidge;
  std::uint32_t depth = 0;
};

std::uint32_t FolderIndex(const ScanResult& result, std::int64_t id) {
  // Exact lookup: a corrupt child id of 0 must not stand for the root here.
  const DirNode* folder = id > 0 ? result.FindFolder(id) : nullptr;
  return folder == nullptr ? ScanResult::kNoFolder : static_cast<std::uint32_t>(folder - result.folders.data());
}

class Painter {
 public:
  Painter(const ScanResult& result, RgbImage& image, const PictureFont* font)
      : result_(result), image_(image), labels_(font) {
    const std::vector<std::uint32_t> positions = ExtensionPalettePositions(result.extensions);
    colours_.reserve(positions.size());
    for (const std::uint32_t p : positions) colours_.push_back(PaletteColour(p));
  }

  void Paint(const Rect& area) {
    if (result_.folders.empty() || result_.folders[0].total_size <= 0) return;
    std::vector<Pending> pending{Pending{0, area, {}, kTopRidge, 0}};
    std::size_t budget = result_.folders.size();
    while (!pending.empty() && budget-- > 0) {
      const Pending p = pending.back();
      pending.pop_back();
      FillFolder(p, pending);
    }
  }

  PictureLabels& labels() { return labels_; }

 private:
  // Lays out the folder's folders and files in its cell, paints the files
  // and the merged rest, and queues the folders.
  void FillFolder(const Pending& p, std::vector<Pending>& pending) {
    const DirNode& folder = result_.folders[p.folder];
    CushionSurface surface = p.surface;
    AddRidge(surface, p.rect, p.ridge);

    // First the sum of every weight, then only the items of a pixel or more.
    double sum = 0;
    const auto for_each_item = [&](auto&& visit) {
      for (const std::int64_t id : result_.Children(folder)) {
        const std::uint32_t index = FolderIndex(result_, id);
        if (index != ScanResult::kNoFolder && index != p.folder) {
          visit(Item{result_.folders[index].total_size, index, ItemKind::kFolder});
        }
      }
      const auto files = result_.Files(folder);
      for (std::size_t i = 0; i < files.size(); ++i) {
        visit(Item{files[i].size, folder.first_file + static_cast<std::uint32_t>(i), ItemKind::kFile});
      }
    };
    for_each_item([&](const Item& item) {
      if (item.weight > 0) sum += static_cast<double>(item.weight);
    });
    if (!(sum > 0)) {
      PaintCell(p.rect, surface, p.ridge * kRidgeFalloff, kMergedColour);
      return;
    }
    const double pixels_per_unit =
        static_cast<double>(p.rect.Width()) * static_cast<double>(p.rect.Height()) / sum;
    items_.clear();
    std::int64_t merged = 0;
    for_each_item([&](const Item& item) {
      if (item.weight <= 0) return;
      if (static_cast<double>(item.weight) * pixels_per_unit >= 1.0) {
        items_.push_back(item);
      } else {
        merged = SaturatingAdd(merged, item.weight);
      }
    });
    if (merged > 0) items_.push_back(Item{merged, 0, ItemKind::kMerged});

    weights_.clear();
    for (const Item& item : items_) weights_.push_back(item.weight);
    SquarifyLayout(p.rect, weights_, cells_);

    const float ridge = p.ridge * kRidgeFalloff;
    for (const TreemapCell& cell : cells_) {
      const Rect rect = cell.Bounds();
      if (rect.Width() <= 0 || rect.Height() <= 0) continue;
      const Item& item = items_[cell.item_index];
      switch (item.kind) {
        case ItemKind::kFolder:
          pending.push_back(Pending{item.index, rect, surface, ridge, p.depth + 1});
          labels_.OfferFolder(item.index, rect, p.depth + 1);
          break;
        case ItemKind::kFile:
          PaintCell(rect, surface, ridge, FileColour(result_.files[item.index]));
          labels_.OfferFile(item.index, rect, p.depth + 1);
          break;
        case ItemKind::kMerged:
          PaintCell(rect, surface, ridge, kMergedColour);
          break;
      }
    }
  }

  void PaintCell(const Rect& rect, CushionSurface surface, float ridge, Colour colour) {
    AddRidge(surface, rect, ridge);
    PaintCushion(image_, rect, surface, colour);
  }

  Colour FileColour(const FileItem& file) const {
    return file.extension < colours_.size() ? colours_[file.extension] : kMergedColour;
  }

  const ScanResult& result_;
  RgbImage& image_;
  std::vector<Colour> colours_;  // by extension index
  PictureLabels labels_;
  // Scratch of one folder at a time, reused.
  std::vector<Item> items_;
  std::vector<std::int64_t> weights_;
  std::vector<TreemapCell> cells_;
};

}  // namespace

std::int32_t LegendStripHeight(std::int32_t picture_height) {
  return picture_height >= kLegendMinPictureHeight ? kLegendHeight : 0;
}

std::vector<std::uint32_t> ExtensionPalettePositions(const std::vector<ExtStat>& extensions) {
  std::vector<std::uint32_t> positions(extensions.size());
  std::unordered_map<std::wstring, std::uint32_t> first;
  first.reserve(extensions.size());
  for (std::size_t i = 0; i < extensions.size(); ++i) {
    std::wstring folded = extensions[i].extension;
    for (wchar_t& c : folded) {
      if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    positions[i] = first.try_emplace(std::move(folded), static_cast<std::uint32_t>(i)).first->second;
  }
  return positions;
}

RgbImage RenderVolumePicture(const ScanResult& result, const VolumePictureOptions& options) {
  const std::int32_t width = std::clamp(options.width, kPictureMinSide, kPictureMaxSide);
  const std::int32_t height = std::clamp(options.height, kPictureMinSide, kPictureMaxSide);
  RgbImage image(width, height, kPictureBackground);
  const std::int32_t legend = LegendStripHeight(height);
  const Rect area{0, 0, width, height - legend};

  Painter painter(result, image, options.font);
  painter.Paint(area);
  painter.labels().Draw(result, image);
  if (legend > 0) DrawLegend(result, options.font, Rect{0, height - legend, width, height}, image);
  return image;
}

}  // namespace tw
