#include "views/overview_view.h"

#include <gtest/gtest.h>

#include <string>

#include "format/format.h"
#include "support/scan_result_builder.h"
#include "views/overview_picture.h"

namespace tw {
namespace {

using test::ScanResultBuilder;

NestedCell Cell(Rect rect, NestedCellKind kind, std::uint32_t index, std::uint32_t parent, std::uint32_t depth,
                std::uint32_t first_child = 0, std::uint32_t child_count = 0) {
  return NestedCell{rect, index, parent, first_child, child_count, depth, kind};
}

// The top folder (0..100 x 0..100) holds file 7 on the left (0..60) and
// folder 3 on the right (60..100 x 0..80) with a strip below it left
// uncovered; folder 3 holds file 8 (60..100 x 0..50) and a grey cell
// (60..100 x 50..70), leaving a seam from 70 to 80.
NestedLayout HandMade() {
  NestedLayout layout;
  layout.cells = {
      Cell({0, 0, 100, 100}, NestedCellKind::kFolder, 0, kNoCell, 0, 1, 2),
      Cell({0, 0, 60, 100}, NestedCellKind::kFile, 7, 0, 1),
      Cell({60, 0, 100, 80}, NestedCellKind::kFolder, 3, 0, 1, 3, 2),
      Cell({60, 0, 100, 50}, NestedCellKind::kFile, 8, 2, 2),
      Cell({60, 50, 100, 70}, NestedCellKind::kMerged, 0, 2, 2),
  };
  layout.merged = {MergedItems{3, 42, 4200}};
  return layout;
}

TEST(HitTestNested, TheDeepestCellUnderThePointLeftAndTopEdgesInside) {
  const NestedLayout layout = HandMade();
  EXPECT_EQ(HitTestNested(layout, 0, 0), 1u);
  EXPECT_EQ(HitTestNested(layout, 59, 99), 1u);
  EXPECT_EQ(HitTestNested(layout, 60, 0), 3u);  // the border belongs to the cell on its right
  EXPECT_EQ(HitTestNested(layout, 99, 49), 3u);
  EXPECT_EQ(HitTestNested(layout, 80, 50), 4u);  // and to the one below
  EXPECT_EQ(HitTestNested(layout, 80, 69), 4u);
}

TEST(HitTestNested, SeamsBelongToTheirFolderAndNothingLiesOutside) {
  const NestedLayout layout = HandMade();
  EXPECT_EQ(HitTestNested(layout, 80, 75), 2u);  // inside folder 3, below its cells
  EXPECT_EQ(HitTestNested(layout, 80, 90), 0u);  // inside the top, below folder 3
  EXPECT_FALSE(HitTestNested(layout, 100, 50));
  EXPECT_FALSE(HitTestNested(layout, 50, 100));
  EXPECT_FALSE(HitTestNested(layout, -1, 10));
  EXPECT_FALSE(HitTestNested(NestedLayout{}, 0, 0));
}

TEST(HitTestNested, ARangeOutsideTheCellsEndsTheWalk) {
  NestedLayout layout = HandMade();
  layout.cells[2].child_count = 40;  // damaged: beyond the list
  EXPECT_EQ(HitTestNested(layout, 80, 10), 2u);
  layout.cells[0].first_child = 0;  // pointing at itself
  EXPECT_EQ(HitTestNested(layout, 10, 10), 0u);
}

TEST(OverviewItem, AGreyCellIsKnownByItsFolder) {
  const NestedLayout layout = HandMade();
  EXPECT_EQ(ItemOfCell(layout, 4), (OverviewItem{NestedCellKind::kMerged, 3}));
  EXPECT_EQ(ItemOfCell(layout, 3), (OverviewItem{NestedCellKind::kFile, 8}));
  EXPECT_EQ(CellOfItem(layout, OverviewItem{NestedCellKind::kMerged, 3}), 4u);
  EXPECT_EQ(CellOfItem(layout, OverviewItem{NestedCellKind::kFolder, 3}), 2u);
  EXPECT_FALSE(CellOfItem(layout, OverviewItem{NestedCellKind::kFile, 9}));
}

// docs (40) with a.doc and many tiny files, and film.mp4 in the root.
ScanResult Volume(std::int64_t film = 600000) {
  ScanResultBuilder b(L"X");
  b.AddFolder(40, kRootId, L"docs");
  b.AddFile(40, 101, L"a.doc", 300000, 303104);
  for (int i = 0; i < 2000; ++i) b.AddFile(40, 1000 + i, L"t" + std::to_wstring(i) + L".txt", 1);
  b.AddFile(kRootId, 100, L"film.mp4", film, 602112);
  return b.Finish();
}

std::shared_ptr<const OverviewShown> Shown(const ResultGeneration& generation, std::int64_t folder = kRootId) {
  auto shown = std::make_shared<OverviewShown>();
  shown->generation = generation;
  shown->request = OverviewRequest{folder, 200, 100, 0};
  shown->layout = RenderOverview(*generation, shown->request).layout;
  return shown;
}

std::uint32_t FindCell(const NestedLayout& layout, NestedCellKind kind) {
  for (std::uint32_t i = 0; i < layout.cells.size(); ++i) {
    if (layout.cells[i].kind == kind) return i;
  }
  return kNoCell;
}

std::uint32_t FileCell(const ScanResult& r, const NestedLayout& layout, const std::wstring& name) {
  for (std::uint32_t i = 0; i < layout.cells.size(); ++i) {
    const NestedCell& c = layout.cells[i];
    if (c.kind == NestedCellKind::kFile && r.NameText(r.files[c.index]) == name) return i;
  }
  return kNoCell;
}

Point Centre(const Rect& r) { return Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

TEST(OverviewTooltip, PathAndFiguresOrWhatAGreyCellHolds) {
  const ResultGeneration g = MakeGeneration(Volume());
  const auto shown = Shown(g);
  const NestedLayout& layout = shown->layout;
  const std::uint32_t film = FileCell(*g, layout, L"film.mp4");
  ASSERT_NE(film, kNoCell);
  EXPECT_EQ(OverviewTooltip(*g, layout, film), L"X:\\film.mp4\n大小 585.94 KB · 分配 588.00 KB · 占比 66.5%");
  const std::uint32_t grey = FindCell(layout, NestedCellKind::kMerged);
  ASSERT_NE(grey, kNoCell);
  EXPECT_EQ(OverviewTooltip(*g, layout, grey), L"X:\\docs\n(2000 个较小的项目, 共 1.95 KB)");
  EXPECT_EQ(OverviewTooltip(*g, layout, 0), L"X:\\\n大小 880.86 KB · 分配 " +
                                                FormatSize(static_cast<std::uint64_t>(g->folders[0].total_alloc)) +
                                                L" · 占比 100.0%");
  EXPECT_EQ(OverviewTooltip(*g, layout, 999999), L"");
}

TEST(OverviewTargets, AFileLeadsToItsFolderAndItsPlaceThere) {
  const ResultGeneration g = MakeGeneration(Volume());
  const ScanResult& r = *g;
  const std::uint32_t docs = static_cast<std::uint32_t>(r.FindFolder(40) - r.folders.data());
  const std::uint32_t a_doc = r.folders[docs].first_file;  // the first file listed in docs
  EXPECT_EQ(TreeTargetOf(r, OverviewItem{NestedCellKind::kFile, a_doc}), (TreeTarget{40, 0}));
  EXPECT_EQ(TreeTargetOf(r, OverviewItem{NestedCellKind::kFile, a_doc + 5}), (TreeTarget{40, 5}));
  EXPECT_EQ(TreeTargetOf(r, OverviewItem{NestedCellKind::kMerged, docs}), (TreeTarget{40, std::nullopt}));
  EXPECT_EQ(TreeTargetOf(r, OverviewItem{NestedCellKind::kFolder, 0}), (TreeTarget{kRootId, std::nullopt}));
  EXPECT_EQ(ZoomTargetOf(r, OverviewItem{NestedCellKind::kFile, a_doc}), 40);
  EXPECT_EQ(OverviewItemPath(r, OverviewItem{NestedCellKind::kFile, a_doc}), L"X:\\docs\\a.doc");
  EXPECT_EQ(OverviewItemPath(r, OverviewItem{NestedCellKind::kFolder, docs}), L"X:\\docs");
  EXPECT_EQ(OverviewItemPath(r, OverviewItem{NestedCellKind::kFile, 999999}), L"");
}

TEST(OverviewPointer, HoverOutlinesTheFilesFolderAndTipsWhatIsUnderIt) {
  const ResultGeneration g = MakeGeneration(Volume());
  OverviewPointer pointer;
  pointer.Show(Shown(g));
  const NestedLayout& layout = pointer.shown()->layout;
  const std::uint32_t a_doc = FileCell(*g, layout, L"a.doc");
  ASSERT_NE(a_doc, kNoCell);
  const Point p = Centre(layout.cells[a_doc].rect);
  EXPECT_TRUE(pointer.MoveTo(p.x, p.y));
  EXPECT_FALSE(pointer.MoveTo(p.x + 1, p.y));  // the same cell
  EXPECT_EQ(pointer.HoverOutline(), layout.cells[layout.cells[a_doc].parent].rect);
  EXPECT_EQ(pointer.HoverTip().substr(0, 14), L"X:\\docs\\a.doc\n");
  EXPECT_EQ(pointer.DoubleClickTarget(p.x, p.y), 40);
  EXPECT_TRUE(pointer.MoveTo(500, 500));  // off the picture
  EXPECT_FALSE(pointer.HoverOutline());
  EXPECT_EQ(pointer.HoverTip(), L"");
  EXPECT_FALSE(pointer.DoubleClickTarget(500, 500));
  EXPECT_FALSE(pointer.Leave());
}

TEST(OverviewPointer, TheSelectionStaysUntilAnotherOrANewGeneration) {
  const ResultGeneration g = MakeGeneration(Volume());
  OverviewPointer pointer;
  pointer.Show(Shown(g));
  const std::uint32_t film = FileCell(*g, pointer.shown()->layout, L"film.mp4");
  const Point p = Centre(pointer.shown()->layout.cells[film].rect);
  EXPECT_TRUE(pointer.Select(p.x, p.y));
  EXPECT_FALSE(pointer.Select(p.x, p.y));
  EXPECT_FALSE(pointer.Select(-5, -5));  // off the cells: the selection stays
  EXPECT_EQ(pointer.SelectionOutline(), pointer.shown()->layout.cells[film].rect);

  // A new picture of the same generation (another size): found again.
  auto larger = std::make_shared<OverviewShown>();
  larger->generation = g;
  larger->request = OverviewRequest{kRootId, 400, 300, 0};
  larger->layout = RenderOverview(*g, larger->request).layout;
  pointer.Show(larger);
  const std::uint32_t again = FileCell(*g, larger->layout, L"film.mp4");
  EXPECT_EQ(pointer.SelectionOutline(), larger->layout.cells[again].rect);
  // Zoomed into docs: the film is not drawn, but stays selected.
  pointer.Show(Shown(g, 40));
  EXPECT_FALSE(pointer.SelectionOutline());
  ASSERT_TRUE(pointer.selected());
  EXPECT_EQ(pointer.selected()->kind, NestedCellKind::kFile);

  // A picture of a new generation: nothing selected.
  pointer.Show(Shown(MakeGeneration(Volume(700000))));
  EXPECT_FALSE(pointer.selected());
  pointer.Show(Shown(g));
  EXPECT_FALSE(pointer.SelectionOutline());
}

TEST(RenderOverview, TheFolderAskedForOrTheRoot) {
  const ScanResult r = Volume();
  const OverviewPicture docs = RenderOverview(r, OverviewRequest{40, 120, 80, 14});
  ASSERT_FALSE(docs.layout.cells.empty());
  EXPECT_EQ(docs.layout.cells[0].index, static_cast<std::uint32_t>(r.FindFolder(40) - r.folders.data()));
  EXPECT_TRUE(docs.complete);
  EXPECT_EQ(docs.image.width, 120);
  EXPECT_EQ(docs.image.height, 80);
  const OverviewPicture unknown = RenderOverview(r, OverviewRequest{31337, 0, 50000, 0});
  EXPECT_EQ(unknown.layout.cells[0].index, 0u);
  EXPECT_EQ(unknown.image.width, 1);  // sides clamped
  EXPECT_EQ(unknown.image.height, 16384);
  EXPECT_EQ(unknown.labels.offered(), 0u);  // no line height, no labels
  CancelFlag cancel;
  cancel.Cancel();
  EXPECT_FALSE(RenderOverview(r, OverviewRequest{kRootId, 50, 50, 0}, &cancel).complete);
}

}  // namespace
}  // namespace tw
