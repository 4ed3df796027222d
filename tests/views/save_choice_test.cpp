#include "views/save_choice.h"

#include <gtest/gtest.h>

#include <string>

#include "treemap/volume_picture.h"

namespace tw {
namespace {

TEST(SaveChoice, TheSaveDialogOffersEveryFormatInOrder) {
  ASSERT_EQ(SaveFormats().size(), 6u);
  ASSERT_EQ(SaveFilters().size(), SaveFormats().size());
  const ExportFormat want[] = {ExportFormat::kSnapshot, ExportFormat::kJson,    ExportFormat::kNcdu,
                               ExportFormat::kCsv,      ExportFormat::kPicture, ExportFormat::kPicture};
  for (std::size_t k = 0; k < SaveFormats().size(); ++k) {
    EXPECT_EQ(SaveFormats()[k].format, want[k]) << k;
    EXPECT_STREQ(SaveFilters()[k].description, SaveFormats()[k].filter.description) << k;
  }
  EXPECT_STREQ(SaveFilters()[0].description, L"扫描存档 (*.twsnap)");
  EXPECT_STREQ(SaveFilters()[3].pattern, L"*.csv");
  EXPECT_TRUE(SaveFormats()[4].window_size);
  EXPECT_FALSE(SaveFormats()[5].window_size);
  ASSERT_EQ(OpenFilters().size(), 2u);
  EXPECT_STREQ(OpenFilters()[0].pattern, L"*.twsnap");
}

TEST(SaveChoice, TheFilterTextHoldsPairsEndedByTwoNuls) {
  const FileFilter filters[] = {{L"A (*.a)", L"*.a"}, {L"B", L"*.b;*.c"}};
  const std::wstring text = DialogFilterText(filters);
  EXPECT_EQ(text, std::wstring(L"A (*.a)\0*.a\0B\0*.b;*.c\0\0", 23));
  EXPECT_EQ(text.back(), L'\0');
  EXPECT_EQ(text[text.size() - 2], L'\0');
}

TEST(SaveChoice, AChoiceWritesItsFormatAddingTheExtensionWhenTheNameHasNone) {
  SavePlan plan = PlanSave(L"C:\\scans\\monday", 4, 1300, 700);
  EXPECT_EQ(plan.path, L"C:\\scans\\monday.csv");
  EXPECT_EQ(plan.request.format, ExportFormat::kCsv);
  // A name with an extension of its own keeps it.
  plan = PlanSave(L"C:\\scans\\monday.txt", 4, 1300, 700);
  EXPECT_EQ(plan.path, L"C:\\scans\\monday.txt");
  EXPECT_EQ(plan.request.format, ExportFormat::kCsv);
  // A name ending in another format's extension is that format.
  EXPECT_EQ(PlanSave(L"table.CSV", 1, 0, 0).request.format, ExportFormat::kCsv);
  EXPECT_EQ(PlanSave(L"scan.twsnap", 4, 0, 0).request.format, ExportFormat::kSnapshot);
  EXPECT_EQ(PlanSave(L"doc.json", 1, 0, 0).request.format, ExportFormat::kJson);
  EXPECT_EQ(PlanSave(L"doc.json", 3, 0, 0).request.format, ExportFormat::kNcdu);  // its filter has .json too
  plan = PlanSave(L"pic.png", 1, 1300, 700);
  EXPECT_EQ(plan.request.format, ExportFormat::kPicture);
  EXPECT_EQ(plan.request.picture_width, 1300);
  EXPECT_EQ(PlanSave(L"pic.png", 6, 1300, 700).request.picture_width, 1600);
  // A dot in a folder's name, or a leading or trailing dot, is no extension.
  EXPECT_EQ(PlanSave(L"C:\\v1.2\\monday", 1, 0, 0).path, L"C:\\v1.2\\monday.twsnap");
  EXPECT_EQ(PlanSave(L"C:\\scans\\.hidden", 2, 0, 0).path, L"C:\\scans\\.hidden.json");
  plan = PlanSave(L"x", 3, 0, 0);
  EXPECT_EQ(plan.request.format, ExportFormat::kNcdu);
  EXPECT_EQ(plan.request.ncdu.progname, "tarnwick");
  EXPECT_EQ(plan.request.ncdu.progver, "1.0.0.0");
  // An index the dialog should never give is taken as the first format.
  EXPECT_EQ(PlanSave(L"x", 0, 0, 0).request.format, ExportFormat::kSnapshot);
  EXPECT_EQ(PlanSave(L"x", 7, 0, 0).request.format, ExportFormat::kSnapshot);
}

TEST(SaveChoice, PicturesAtTheWindowsSizeWithinThePicturesLimits) {
  SavePlan plan = PlanSave(L"pic", 5, 1296, 720);
  EXPECT_EQ(plan.path, L"pic.png");
  EXPECT_EQ(plan.request.format, ExportFormat::kPicture);
  EXPECT_EQ(plan.request.picture_width, 1296);
  EXPECT_EQ(plan.request.picture_height, 720);
  plan = PlanSave(L"pic", 5, 10, 100000);
  EXPECT_EQ(plan.request.picture_width, kPictureMinSide);
  EXPECT_EQ(plan.request.picture_height, kPictureMaxSide);
  plan = PlanSave(L"pic", 6, 1296, 720);
  EXPECT_EQ(plan.request.picture_width, 1600);
  EXPECT_EQ(plan.request.picture_height, 1000);
}

TEST(SaveChoice, TheProposedNameFollowsTheOpenedFile) {
  EXPECT_EQ(ProposedSaveName(L""), L"扫描记录");
  EXPECT_EQ(ProposedSaveName(L"D:\\scans\\office-pc.twsnap"), L"office-pc");
  EXPECT_EQ(ProposedSaveName(L"D:\\scans\\archive.2026.twsnap"), L"archive.2026");
  EXPECT_EQ(ProposedSaveName(L"D:\\scans\\noextension"), L"noextension");
}

TEST(SaveChoice, RefusalsOfTheNeverDestroyCheckHaveTheirTexts) {
  EXPECT_EQ(SaveRefusalText(OutputProblem::kNone), nullptr);
  EXPECT_STREQ(SaveRefusalText(OutputProblem::kOverwritesSource), L"无法保存: 不能覆盖打开的扫描存档。");
  EXPECT_STREQ(SaveRefusalText(OutputProblem::kNotRegularFile), L"无法保存: 目标不是普通文件。");
}

// One opening and one save at a time; no opening while a scan runs, no scan
// while an opening runs; a save goes on beside either.
TEST(FileWork, OpeningAndSavingBesideTheScanCycle) {
  FileWork work;
  EXPECT_TRUE(work.open_enabled(false));
  EXPECT_FALSE(work.open_enabled(true));
  EXPECT_FALSE(work.BeginOpen(true));
  EXPECT_FALSE(work.save_enabled(false));
  EXPECT_FALSE(work.BeginSave(false));

  ASSERT_TRUE(work.BeginOpen(false));
  EXPECT_TRUE(work.opening());
  EXPECT_FALSE(work.BeginOpen(false));
  EXPECT_FALSE(work.scan_enabled(false));
  EXPECT_FALSE(work.save_enabled(true));
  work.EndOpen();
  EXPECT_TRUE(work.scan_enabled(false));

  ASSERT_TRUE(work.BeginSave(true));
  EXPECT_FALSE(work.BeginSave(true));
  EXPECT_TRUE(work.scan_enabled(false));
  EXPECT_TRUE(work.open_enabled(false));
  EXPECT_TRUE(work.BeginOpen(false));
  work.EndOpen();
  work.EndSave();
  EXPECT_TRUE(work.save_enabled(true));
  EXPECT_FALSE(work.scan_enabled(true));
}

}  // namespace
}  // namespace tw
