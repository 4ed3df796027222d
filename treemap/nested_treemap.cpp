#include "treemap/nested_treemap.h"

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

struct Item {
  std::int64_t weight = 0;
  std::uint32_t index = 0;  // into folders or files
  NestedCellKind kind = NestedCellKind::kFile;
};

// A folder cell waiting to be filled, with the surface of the levels above it.
struct Pending {
  std::uint32_t folder = 0;
  Rect rect;
  CushionSurface surface;
  float ridge = kTopRidge;
  std::uint32_t depth = 0;
  std::uint32_t cell = kNoCell;  // its cell in the layout kept, if any
};

std::uint32_t FolderIndex(const ScanResult& result, std::int64_t id) {
  // Exact lookup: a corrupt child id of 0 must not stand for the root here.
  const DirNode* folder = id > 0 ? result.FindFolder(id) : nullptr;
  return folder == nullptr ? ScanResult::kNoFolder : static_cast<std::uint32_t>(folder - result.folders.data());
}

class Painter {
 public:
  Painter(const ScanResult& result, RgbImage& image, const NestedTreemapOptions& options)
      : result_(result), image_(image), layout_(options.layout), labels_(options.labels), cancel_(options.cancel) {
    const std::vector<std::uint32_t> positions = ExtensionPalettePositions(result.extensions);
    colours_.reserve(positions.size());
    for (const std::uint32_t p : positions) colours_.push_back(PaletteColour(p));
  }

  bool Paint(std::uint32_t top, const Rect& area) {
    if (top >= result_.folders.size() || result_.folders[top].total_size <= 0) return true;
    if (area.Width() <= 0 || area.Height() <= 0) return true;
    std::vector<Pending> pending{
        Pending{top, area, {}, kTopRidge, 0, Keep(NestedCellKind::kFolder, top, area, kNoCell, 0)}};
    std::size_t budget = result_.folders.size();
    while (!pending.empty() && budget-- > 0) {
      if (cancel_ != nullptr && cancel_->cancelled()) return false;
      const Pending p = pending.back();
      pending.pop_back();
      FillFolder(p, pending);
    }
    return true;
  }

 private:
  // Appends a cell to the layout kept; its index, or kNoCell without one.
  std::uint32_t Keep(NestedCellKind kind, std::uint32_t index, const Rect& rect, std::uint32_t parent,
                     std::uint32_t depth) {
    if (layout_ == nullptr) return kNoCell;
    layout_->cells.push_back(NestedCell{rect, index, parent, 0, 0, depth, kind});
    return static_cast<std::uint32_t>(layout_->cells.size() - 1);
  }

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
          visit(Item{result_.folders[index].total_size, index, NestedCellKind::kFolder});
        }
      }
      const auto files = result_.Files(folder);
      for (std::size_t i = 0; i < files.size(); ++i) {
        visit(Item{files[i].size, folder.first_file + static_cast<std::uint32_t>(i), NestedCellKind::kFile});
      }
    };
    for_each_item([&](const Item& item) {
      if (item.weight > 0) sum += static_cast<double>(item.weight);
    });
    if (!(sum > 0)) {
      PaintCell(p.rect, surface, p.ridge * kRidgeFalloff, kMergedColour);
      return;
    }
    const double pixels_per_unit = static_cast<double>(p.rect.Width()) * static_cast<double>(p.rect.Height()) / sum;
    items_.clear();
    std::int64_t merged = 0;
    std::uint32_t merged_count = 0;
    for_each_item([&](const Item& item) {
      if (item.weight <= 0) return;
      if (static_cast<double>(item.weight) * pixels_per_unit >= 1.0) {
        items_.push_back(item);
      } else {
        merged = SaturatingAdd(merged, item.weight);
        ++merged_count;
      }
    });
    if (merged > 0) items_.push_back(Item{merged, 0, NestedCellKind::kMerged});

    weights_.clear();
    for (const Item& item : items_) weights_.push_back(item.weight);
    SquarifyLayout(p.rect, weights_, cells_);

    if (layout_ != nullptr && p.cell != kNoCell)
      layout_->cells[p.cell].first_child = static_cast<std::uint32_t>(layout_->cells.size());
    const float ridge = p.ridge * kRidgeFalloff;
    const std::uint32_t depth = p.depth + 1;
    for (const TreemapCell& cell : cells_) {
      const Rect rect = cell.Bounds();
      if (rect.Width() <= 0 || rect.Height() <= 0) continue;
      const Item& item = items_[cell.item_index];
      switch (item.kind) {
        case NestedCellKind::kFolder:
          pending.push_back(
              Pending{item.index, rect, surface, ridge, depth, Keep(item.kind, item.index, rect, p.cell, depth)});
          if (labels_ != nullptr) labels_->OfferFolder(item.index, rect, depth);
          break;
        case NestedCellKind::kFile:
          PaintCell(rect, surface, ridge, FileColour(result_.files[item.index]));
          Keep(item.kind, item.index, rect, p.cell, depth);
          if (labels_ != nullptr) labels_->OfferFile(item.index, rect, depth);
          break;
        case NestedCellKind::kMerged:
          PaintCell(rect, surface, ridge, kMergedColour);
          if (layout_ != nullptr) {
            Keep(item.kind, static_cast<std::uint32_t>(layout_->merged.size()), rect, p.cell, depth);
            layout_->merged.push_back(MergedItems{p.folder, merged_count, merged});
          }
          break;
      }
    }
    if (layout_ != nullptr && p.cell != kNoCell) {
      NestedCell& parent = layout_->cells[p.cell];
      parent.child_count = static_cast<std::uint32_t>(layout_->cells.size()) - parent.first_child;
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
  NestedLayout* layout_;
  PictureLabels* labels_;
  const CancelFlag* cancel_;
  std::vector<Colour> colours_;  // by extension index
  // Scratch of one folder at a time, reused.
  std::vector<Item> items_;
  std::vector<std::int64_t> weights_;
  std::vector<TreemapCell> cells_;
};

}  // namespace

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

bool DrawNestedTreemap(const ScanResult& result, std::uint32_t top, const Rect& area, RgbImage& image,
                       const NestedTreemapOptions& options) {
  Painter painter(result, image, options);
  return painter.Paint(top, area);
}

}  // namespace tw
