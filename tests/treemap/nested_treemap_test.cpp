#include "treemap/nested_treemap.h"

#include <gtest/gtest.h>

#include <string>

#include "support/scan_result_builder.h"
#include "treemap/picture_labels.h"
#include "treemap/volume_picture.h"

namespace tw {
namespace {

using test::ScanResultBuilder;

// docs (40) with sub (41) and files, media (42) with one large file, and a
// file in the root.
ScanResult Volume() {
  ScanResultBuilder b(L"X");
  b.AddFolder(40, kRootId, L"docs");
  b.AddFolder(41, 40, L"sub");
  b.AddFolder(42, kRootId, L"media");
  b.AddFile(kRootId, 100, L"root.txt", 20000);
  b.AddFile(40, 101, L"a.doc", 30000);
  b.AddFile(40, 102, L"b.doc", 10000);
  b.AddFile(41, 103, L"c.jpg", 15000);
  b.AddFile(42, 104, L"film.mp4", 90000);
  return b.Finish();
}

std::uint32_t IndexOf(const ScanResult& r, std::int64_t id) {
  return static_cast<std::uint32_t>(r.FindFolder(id) - r.folders.data());
}

bool Inside(const Rect& inner, const Rect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

TEST(NestedTreemap, EachFolderCellNamesItsOwnCellsWhichLieInsideIt) {
  const ScanResult r = Volume();
  RgbImage image(300, 200, kPictureBackground);
  NestedLayout layout;
  ASSERT_TRUE(DrawNestedTreemap(r, 0, Rect{0, 0, 300, 200}, image, NestedTreemapOptions{&layout}));

  ASSERT_FALSE(layout.cells.empty());
  const NestedCell& top = layout.cells[0];
  EXPECT_EQ(top.kind, NestedCellKind::kFolder);
  EXPECT_EQ(top.index, 0u);
  EXPECT_EQ(top.parent, kNoCell);
  EXPECT_EQ(top.rect, (Rect{0, 0, 300, 200}));
  std::size_t files = 0, folders = 0;
  std::int64_t leaf_area = 0;
  for (std::uint32_t i = 0; i < layout.cells.size(); ++i) {
    const NestedCell& cell = layout.cells[i];
    if (cell.kind == NestedCellKind::kFolder) {
      ++folders;
      for (std::uint32_t c = cell.first_child; c < cell.first_child + cell.child_count; ++c) {
        EXPECT_EQ(layout.cells[c].parent, i);
        EXPECT_EQ(layout.cells[c].depth, cell.depth + 1);
        EXPECT_TRUE(Inside(layout.cells[c].rect, cell.rect)) << c;
      }
    } else {
      leaf_area += static_cast<std::int64_t>(cell.rect.Width()) * cell.rect.Height();
    }
    if (cell.kind == NestedCellKind::kFile) {
      ++files;
      // A file lies in the cell of the folder it is listed under.
      EXPECT_EQ(r.files[cell.index].folder, layout.cells[cell.parent].index);
    }
  }
  EXPECT_EQ(files, 5u);
  EXPECT_EQ(folders, 4u);           // the root and its three folders
  EXPECT_EQ(leaf_area, 300 * 200);  // the files tile the picture
}

// What is smaller than a pixel becomes one grey cell of its folder, which
// says how many items it stands for and their bytes.
TEST(NestedTreemap, AGreyCellCountsTheItemsItStandsFor) {
  ScanResultBuilder b(L"X");
  b.AddFile(kRootId, 100, L"big.bin", 950000);
  for (int i = 0; i < 5000; ++i) b.AddFile(kRootId, 200 + i, L"t" + std::to_wstring(i) + L".txt", 10);
  b.AddFile(kRootId, 99, L"empty.txt", 0);  // no bytes: neither drawn nor merged
  const ScanResult& r = b.Finish();
  RgbImage image(100, 100, kPictureBackground);
  NestedLayout layout;
  DrawNestedTreemap(r, 0, Rect{0, 0, 100, 100}, image, NestedTreemapOptions{&layout});
  ASSERT_EQ(layout.merged.size(), 1u);
  EXPECT_EQ(layout.merged[0].folder, 0u);
  EXPECT_EQ(layout.merged[0].count, 5000u);
  EXPECT_EQ(layout.merged[0].size, 50000);
  std::size_t grey_cells = 0;
  for (const NestedCell& cell : layout.cells) {
    if (cell.kind == NestedCellKind::kMerged) {
      ++grey_cells;
      EXPECT_EQ(cell.index, 0u);
      EXPECT_EQ(cell.parent, 0u);
    }
  }
  EXPECT_EQ(grey_cells, 1u);
}

TEST(NestedTreemap, AnyFolderCanBeTheTop) {
  const ScanResult r = Volume();
  RgbImage image(200, 100, kPictureBackground);
  NestedLayout layout;
  DrawNestedTreemap(r, IndexOf(r, 40), Rect{0, 0, 200, 100}, image, NestedTreemapOptions{&layout});
  ASSERT_FALSE(layout.cells.empty());
  EXPECT_EQ(layout.cells[0].index, IndexOf(r, 40));
  EXPECT_EQ(layout.cells[0].depth, 0u);
  for (const NestedCell& cell : layout.cells) {
    if (cell.kind == NestedCellKind::kFile) {
      const std::wstring name = r.NameText(r.files[cell.index]);
      EXPECT_TRUE(name == L"a.doc" || name == L"b.doc" || name == L"c.jpg") << std::string(name.begin(), name.end());
    }
  }
}

// Keeping the cells draws the same pixels as the volume picture's drawing.
TEST(NestedTreemap, KeepingTheCellsChangesNoPixel) {
  const ScanResult r = Volume();
  RgbImage kept(320, 240, kPictureBackground), plain(320, 240, kPictureBackground);
  NestedLayout layout;
  DrawNestedTreemap(r, 0, Rect{0, 0, 320, 240}, kept, NestedTreemapOptions{&layout});
  DrawNestedTreemap(r, 0, Rect{0, 0, 320, 240}, plain, NestedTreemapOptions{});
  EXPECT_EQ(kept.pixels, plain.pixels);
  const RgbImage picture = RenderVolumePicture(r, VolumePictureOptions{320, 240 + kLegendHeight, nullptr});
  EXPECT_TRUE(std::equal(kept.pixels.begin(), kept.pixels.end(), picture.pixels.begin()));
}

TEST(NestedTreemap, ACancelledDrawingStopsBeforeTheNextFolder) {
  const ScanResult r = Volume();
  RgbImage image(100, 100, kPictureBackground);
  const RgbImage untouched = image;
  NestedLayout layout;
  CancelFlag cancel;
  cancel.Cancel();
  NestedTreemapOptions options{&layout};
  options.cancel = &cancel;
  EXPECT_FALSE(DrawNestedTreemap(r, 0, Rect{0, 0, 100, 100}, image, options));
  EXPECT_EQ(image.pixels, untouched.pixels);
  EXPECT_EQ(layout.cells.size(), 1u);  // only the top's own cell
}

TEST(NestedTreemap, NothingIsDrawnOfAFolderWithoutBytesOrOfAnEmptyRectangle) {
  ScanResultBuilder b(L"X");
  b.AddFile(kRootId, 100, L"empty.txt", 0);
  const ScanResult& empty = b.Finish();
  RgbImage image(50, 50, kPictureBackground);
  NestedLayout layout;
  EXPECT_TRUE(DrawNestedTreemap(empty, 0, Rect{0, 0, 50, 50}, image, NestedTreemapOptions{&layout}));
  EXPECT_TRUE(layout.cells.empty());
  const ScanResult r = Volume();
  EXPECT_TRUE(DrawNestedTreemap(r, 0, Rect{10, 10, 10, 40}, image, NestedTreemapOptions{&layout}));
  EXPECT_TRUE(layout.cells.empty());
  EXPECT_TRUE(DrawNestedTreemap(r, 99, Rect{0, 0, 50, 50}, image, NestedTreemapOptions{&layout}));  // no such folder
  EXPECT_TRUE(layout.cells.empty());
}

// ---- Labels and the legend ----------------------------------------------------

// Every character 6 px wide.
std::u32string FixedFit(std::u32string_view text, std::int32_t max_width, std::int32_t& width) {
  const auto w = static_cast<std::int32_t>(text.size()) * 6;
  if (w <= max_width) {
    width = w;
    return std::u32string(text);
  }
  const std::int32_t keep = (max_width - 6) / 6;
  if (keep <= 0) return {};
  width = (keep + 1) * 6;
  return std::u32string(text.substr(0, static_cast<std::size_t>(keep))) + U"\u2026";
}

TEST(PictureLabels, ShallowerCellsFirstAndNoLabelOverAnother) {
  ScanResultBuilder b(L"X");
  b.AddFolder(40, kRootId, L"outer");
  b.AddFolder(41, 40, L"inner");
  b.AddFile(41, 100, L"f.bin", 1000);
  const ScanResult& r = b.Finish();
  PictureLabels labels(12);
  // The deeper folder is offered first, at the same corner as the outer one.
  labels.OfferFolder(IndexOf(r, 41), Rect{0, 0, 200, 100}, 2);
  labels.OfferFolder(IndexOf(r, 40), Rect{0, 0, 300, 200}, 1);
  labels.OfferFolder(IndexOf(r, 41), Rect{0, 0, 63, 100}, 2);  // too narrow: never offered
  EXPECT_EQ(labels.offered(), 2u);
  const std::vector<PictureLabels::Placed> placed = labels.Place(r, FixedFit);
  ASSERT_EQ(placed.size(), 1u);
  EXPECT_EQ(placed[0].text, U"outer  1000 B");
  EXPECT_EQ(placed[0].x, 4);
  EXPECT_EQ(placed[0].y, 2);
  EXPECT_EQ(placed[0].box, (Rect{1, 1, 4 + 13 * 6 + 3, 2 + 12 + 1}));
}

TEST(PictureLabels, ANameIsCutOnlyWhereEnoughOfItStays) {
  ScanResultBuilder b(L"X");
  b.AddFolder(40, kRootId, L"a-rather-long-folder-name");
  b.AddFile(40, 100, L"f.bin", 1000);
  const ScanResult& r = b.Finish();
  const std::uint32_t folder = IndexOf(r, 40);
  PictureLabels wide(12), narrow(12), none(0);
  wide.OfferFolder(folder, Rect{0, 0, 8 + 12 * 6, 40}, 1);    // 11 characters and "…"
  narrow.OfferFolder(folder, Rect{0, 0, 8 + 10 * 6, 40}, 1);  // 9 and "…": a stub
  none.OfferFolder(folder, Rect{0, 0, 500, 500}, 1);
  const auto cut = wide.Place(r, FixedFit);
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0].text, U"a-rather-lo\u2026");
  EXPECT_TRUE(narrow.Place(r, FixedFit).empty());
  EXPECT_EQ(none.offered(), 0u);  // no font, no labels
}

TEST(Legend, OneExtensionPerColourWithBytesAmongTheFirstTwelve) {
  ScanResult r;
  for (const wchar_t* e :
       {L".mp4", L".JPG", L".jpg", L".txt", L".zero", L".a", L".b", L".c", L".d", L".e", L".f", L".g", L".h"}) {
    r.extensions.push_back(ExtStat{e, 100, 1});
  }
  r.extensions[4].total_size = 0;
  // .jpg shares .JPG's colour; .zero has no bytes; .h is the thirteenth.
  EXPECT_EQ(LegendExtensions(r), (std::vector<std::size_t>{0, 1, 3, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(LegendText(ExtStat{L"", 1536, 1}), L"(无扩展名) 1.50 KB");
  EXPECT_EQ(LegendText(ExtStat{L".mp4", 512, 1}), L".mp4 512 B");
}

TEST(Legend, EntriesGoInOneRowUntilTheFirstThatDoesNotFit) {
  const LegendSpacing s;  // margin 8, swatch 12, gap 5, entry gap 16
  const std::vector<std::int32_t> widths = {40, -1, 30, 200, 10};
  // 8 | 12 5 40 16 | skipped | 12 5 30 16 | 12 5 200 does not fit before 300 - 8.
  EXPECT_EQ(LegendRowPositions(widths, 0, 300, s), (std::vector<std::int32_t>{8, -1, 81, -1, -1}));
  EXPECT_EQ(LegendRowPositions(widths, 100, 400, s)[0], 108);
  EXPECT_EQ(LegendRowPositions(widths, 0, 30, s), (std::vector<std::int32_t>(5, -1)));
}

}  // namespace
}  // namespace tw
