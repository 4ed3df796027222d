#include "views/overview_zoom.h"

#include <gtest/gtest.h>

#include "support/scan_result_builder.h"
#include "views/result_view_state.h"

namespace tw {
namespace {

using test::ScanResultBuilder;

// [C:] › Users (30) › alice (31) › Videos (32), and Windows (40).
ScanResult Volume(std::wstring drive = L"C", bool with_videos = true, std::wstring alice = L"alice") {
  ScanResultBuilder b(drive);
  b.AddFolder(30, kRootId, L"Users");
  b.AddFolder(31, 30, alice);
  if (with_videos) {
    b.AddFolder(32, 31, L"Videos");
    b.AddFile(32, 100, L"film.mp4", 5000);
  }
  b.AddFile(31, 101, L"notes.txt", 300);
  b.AddFolder(40, kRootId, L"Windows");
  b.AddFile(40, 102, L"a.dll", 700);
  return b.Finish();
}

std::vector<std::int64_t> Ids(const OverviewZoom& zoom) {
  std::vector<std::int64_t> ids;
  for (const ZoomStep& step : zoom.path()) ids.push_back(step.id);
  return ids;
}

TEST(OverviewZoom, StartsAtTheRootOfTheResult) {
  OverviewZoom zoom;
  EXPECT_TRUE(zoom.path().empty());
  EXPECT_EQ(zoom.folder_id(), kRootId);
  EXPECT_EQ(zoom.Text(), L"");
  zoom.Reset(Volume());
  EXPECT_EQ(Ids(zoom), (std::vector<std::int64_t>{kRootId}));
  EXPECT_EQ(zoom.Text(), L"[C:]");
  zoom.Reset(ScanResult{});
  EXPECT_TRUE(zoom.path().empty());
}

TEST(OverviewZoom, ZoomingIntoAFolderTakesEveryFolderAboveIt) {
  const ScanResult r = Volume();
  OverviewZoom zoom;
  zoom.Reset(r);
  EXPECT_TRUE(zoom.ZoomTo(r, 32));
  EXPECT_EQ(Ids(zoom), (std::vector<std::int64_t>{kRootId, 30, 31, 32}));
  EXPECT_EQ(zoom.folder_id(), 32);
  EXPECT_EQ(zoom.Text(), L"[C:] \u203A Users \u203A alice \u203A Videos");
  // Sideways, into another branch.
  EXPECT_TRUE(zoom.ZoomTo(r, 40));
  EXPECT_EQ(Ids(zoom), (std::vector<std::int64_t>{kRootId, 40}));
  // The folder shown, no folder, a file's record: nothing changes.
  EXPECT_FALSE(zoom.ZoomTo(r, 40));
  EXPECT_FALSE(zoom.ZoomTo(r, 999));
  EXPECT_FALSE(zoom.ZoomTo(r, 100));
  EXPECT_FALSE(zoom.ZoomTo(r, 0));
  EXPECT_EQ(Ids(zoom), (std::vector<std::int64_t>{kRootId, 40}));
  EXPECT_TRUE(zoom.ZoomTo(r, kRootId));
  EXPECT_EQ(Ids(zoom), (std::vector<std::int64_t>{kRootId}));
}

TEST(OverviewZoom, OutOneLevelOrToAPartOfThePathBar) {
  const ScanResult r = Volume();
  OverviewZoom zoom;
  zoom.Reset(r);
  ASSERT_TRUE(zoom.ZoomTo(r, 32));
  EXPECT_TRUE(zoom.ZoomOut());
  EXPECT_EQ(zoom.folder_id(), 31);
  EXPECT_FALSE(zoom.JumpTo(2));  // the folder shown
  EXPECT_FALSE(zoom.JumpTo(7));
  EXPECT_TRUE(zoom.JumpTo(1));
  EXPECT_EQ(Ids(zoom), (std::vector<std::int64_t>{kRootId, 30}));
  EXPECT_TRUE(zoom.JumpTo(0));
  EXPECT_FALSE(zoom.ZoomOut());  // at the root
  EXPECT_EQ(Ids(zoom), (std::vector<std::int64_t>{kRootId}));
}

// A damaged result whose tree parents go round in a loop never reaching
// the root: no path leads there.
TEST(OverviewZoom, AFolderOutsideTheTreeCannotBeShown) {
  ScanResult r = Volume();
  r.folders[r.folder_index[30]].tree_parent_id = 31;  // Users under alice under Users
  OverviewZoom zoom;
  zoom.Reset(r);
  EXPECT_FALSE(zoom.ZoomTo(r, 32));
  r.folders[r.folder_index[30]].tree_parent_id = 777;  // a parent that is not there
  EXPECT_FALSE(zoom.ZoomTo(r, 32));
  EXPECT_EQ(Ids(zoom), (std::vector<std::int64_t>{kRootId}));
}

TEST(OverviewZoom, ANewGenerationKeepsWhatItStillHolds) {
  OverviewZoom zoom;
  const ScanResult first = Volume();
  zoom.Reset(first);
  ASSERT_TRUE(zoom.ZoomTo(first, 32));

  zoom.Rebase(Volume());  // the same volume again
  EXPECT_EQ(Ids(zoom), (std::vector<std::int64_t>{kRootId, 30, 31, 32}));

  zoom.Rebase(Volume(L"C", false));  // Videos was removed: its folder is shown
  EXPECT_EQ(Ids(zoom), (std::vector<std::int64_t>{kRootId, 30, 31}));

  ASSERT_TRUE(zoom.ZoomTo(first, 32));
  zoom.Rebase(Volume(L"C", true, L"bob"));  // record 31 now has another name
  EXPECT_EQ(Ids(zoom), (std::vector<std::int64_t>{kRootId, 30}));

  ASSERT_TRUE(zoom.ZoomTo(first, 32));
  zoom.Rebase(Volume(L"D"));  // another drive: its root
  EXPECT_EQ(zoom.Text(), L"[D:]");

  zoom.Rebase(ScanResult{});
  EXPECT_TRUE(zoom.path().empty());
}

TEST(OverviewZoom, AFolderMovedElsewhereIsNotFollowed) {
  OverviewZoom zoom;
  const ScanResult first = Volume();
  zoom.Reset(first);
  ASSERT_TRUE(zoom.ZoomTo(first, 32));
  ScanResultBuilder b(L"C");
  b.AddFolder(30, kRootId, L"Users");
  b.AddFolder(31, 30, L"alice");
  b.AddFolder(32, kRootId, L"Videos");  // moved up to the root, same record
  b.AddFile(32, 100, L"film.mp4", 5000);
  zoom.Rebase(b.Finish());
  EXPECT_EQ(Ids(zoom), (std::vector<std::int64_t>{kRootId, 30, 31}));
}

TEST(OverviewZoom, HandingOverAGenerationRebasesThePage) {
  ResultViewState views;
  HandOverGeneration(views, MakeGeneration(Volume()), nullptr, PreviousScan::kNone);
  EXPECT_EQ(views.overview.Text(), L"[C:]");
  ASSERT_TRUE(views.overview.ZoomTo(*views.result, 32));
  HandOverGeneration(views, MakeGeneration(Volume(L"C", false)), nullptr, PreviousScan::kNone);
  EXPECT_EQ(views.overview.folder_id(), 31);
}

}  // namespace
}  // namespace tw
