#include "export/export_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "export/csv_export.h"
#include "export/ncdu_export.h"
#include "export/result_json.h"
#include "store/replace_file.h"
#include "store/snapshot.h"
#include "support/process_run.h"
#include "support/sample_result.h"
#include "support/scan_result_builder.h"
#include "support/snapshot_compare.h"
#include "support/temp_folder.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

class ExportFileTest : public test::TempFolderTest {
 protected:
  ExportFileTest() : TempFolderTest("tw_export_") {}

  std::string Save(const std::string& name, ExportFormat format) {
    ExportRequest request;
    request.format = format;
    request.picture_width = 200;
    request.picture_height = 120;
    request.ncdu.progname = "tarnwick";
    request.ncdu.progver = "1.0";
    request.ncdu.timestamp = 1765000000;
    std::string error;
    EXPECT_TRUE(SaveExport(Path(name), result_, request, error)) << name << ": " << error;
    return test::ReadWholeFile(Path(name));
  }

  ScanResult result_ = MakeSampleResult();
};

// Each format writes what its writer writes, and every file begins with
// the head by which an export's leftover is recognised.
TEST_F(ExportFileTest, EveryFormatWritesItsWritersDocument) {
  const std::string json = Save("a.json", ExportFormat::kJson);
  std::ostringstream want_json;
  WriteResultJson(result_, JsonReportOptions{100, true}, want_json);
  EXPECT_EQ(json, want_json.str());
  EXPECT_TRUE(nlohmann::json::parse(json).contains("files"));

  const std::string ncdu = Save("a.ncdu.json", ExportFormat::kNcdu);
  std::ostringstream want_ncdu;
  NcduExportOptions options;
  options.progname = "tarnwick";
  options.progver = "1.0";
  options.timestamp = 1765000000;
  WriteNcduExport(result_, options, want_ncdu);
  EXPECT_EQ(ncdu, want_ncdu.str());

  const std::string csv = Save("a.csv", ExportFormat::kCsv);
  std::ostringstream want_csv;
  WriteCsvExport(result_, want_csv);
  EXPECT_EQ(csv, want_csv.str());

  const std::string png = Save("a.png", ExportFormat::kPicture);
  ASSERT_GT(png.size(), 24u);
  // IHDR: width and height, big-endian, at bytes 16 and 20.
  const auto be32 = [&png](std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<std::uint8_t>(png[at])) << 24) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(png[at + 1])) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(png[at + 2])) << 8) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(png[at + 3]));
  };
  EXPECT_EQ(be32(16), 200u);
  EXPECT_EQ(be32(20), 120u);

  // The saved scan needs a tree a scan could give: the sample's unreachable
  // folders would be refused on reading.
  test::ScanResultBuilder b(L"D");
  b.AddFolder(40, kRootId, L"Windows");
  b.AddFile(40, 64, L"big.sys", 600, 614400);
  result_ = b.Finish();
  Save("a.twsnap", ExportFormat::kSnapshot);
  ScanResult back;
  SnapshotError error;
  ASSERT_TRUE(LoadSnapshotFile(Path("a.twsnap"), back, error)) << error.detail;
  EXPECT_EQ(test::DifferenceBetween(result_, back), "");

  for (const auto& [format, text] : {std::pair{ExportFormat::kJson, json}, std::pair{ExportFormat::kNcdu, ncdu},
                                     std::pair{ExportFormat::kCsv, csv}, std::pair{ExportFormat::kPicture, png}}) {
    const std::span<const std::uint8_t> head = ExportHead(format);
    ASSERT_EQ(head.size(), kLeftoverHeadSize);
    EXPECT_EQ(text.compare(0, head.size(), reinterpret_cast<const char*>(head.data()), head.size()), 0)
        << static_cast<int>(format);
  }
  EXPECT_TRUE(ExportHead(ExportFormat::kSnapshot).empty());
  EXPECT_EQ(Listing(), (std::vector<std::string>{"a.csv", "a.json", "a.ncdu.json", "a.png", "a.twsnap"}));
}

// An export cut short leaves its temporary file; the next export to the
// same target takes it over, whatever the format.
TEST_F(ExportFileTest, ALeftoverOfAnExportIsTakenOverByTheNext) {
  for (const auto& [name, format] : {std::pair{"t.csv", ExportFormat::kCsv}, std::pair{"t.json", ExportFormat::kJson},
                                     std::pair{"t.png", ExportFormat::kPicture}}) {
    const std::span<const std::uint8_t> head = ExportHead(format);
    std::ofstream(SaveTemporaryPath(Path(name)), std::ios::binary)
        .write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    Save(name, format);
    EXPECT_FALSE(fs::exists(SaveTemporaryPath(Path(name)))) << name;
  }
  EXPECT_EQ(Listing(), (std::vector<std::string>{"t.csv", "t.json", "t.png"}));
}

TEST_F(ExportFileTest, AFolderAtTheTargetIsRefusedAndLeftAlone) {
  fs::create_directory(Path("folder.csv"));
  ExportRequest request;
  request.format = ExportFormat::kCsv;
  std::string error;
  EXPECT_FALSE(SaveExport(Path("folder.csv"), result_, request, error));
  EXPECT_EQ(error, "not a regular file");
  EXPECT_TRUE(fs::is_directory(Path("folder.csv")));
  EXPECT_FALSE(SaveExport(Path("no-such-folder/x.csv"), result_, request, error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tw
