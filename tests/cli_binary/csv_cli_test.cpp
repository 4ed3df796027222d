// --csv: the table written by the built tarnwick-scan, read back with
// Python's csv module (tests/cli/check_csv_export.py) and compared row by
// row with the --json --files document of the same run, on the sample volume
// and on a saved scan of hostile names.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "store/snapshot.h"
#include "support/process_run.h"
#include "support/scan_result_builder.h"
#include "support/temp_folder.h"
#include "support/test_images.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;

const std::string kBinary = TARNWICK_BINARY_DIR "/bin/tarnwick-scan";
const std::string kChecker = TARNWICK_SOURCE_DIR "/tests/cli/check_csv_export.py";

class CsvOption : public test::TempFolderTest {
 protected:
  CsvOption() : TempFolderTest("tw_csv_") {}

  // Writes the table and the document of `source` in one run, in a zone
  // with an offset, and has Python read the table back against the document.
  void ExpectTableEqualsDocument(const std::string& source) {
    SCOPED_TRACE(source);
    const std::string zone = "TZ=Asia/Shanghai ";
    const test::ProcessOutcome run = test::RunShell(zone + ShellQuote(kBinary) + " -q --json --files --csv " +
                                                    ShellQuote(Path("table.csv")) + " " + ShellQuote(source));
    ASSERT_EQ(run.status, 0) << run.err;
    std::ofstream(Path("document.json"), std::ios::binary) << run.out;
    const test::ProcessOutcome check =
        test::RunShell(zone + "python3 " + ShellQuote(kChecker) + " " + ShellQuote(Path("table.csv")) + " " +
                       ShellQuote(Path("document.json")));
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_NE(check.out.find(" rows"), std::string::npos) << check.out;
  }
};

TEST_F(CsvOption, TheSampleVolumesTableReadsBackAsItsDocument) {
  const test::UnpackedImage volume(test::TestDataDir() + "/sample.img.gz");
  ASSERT_FALSE(volume.path().empty());
  ExpectTableEqualsDocument(volume.path());
}

// Names no spreadsheet may misread: separators, quotes, line ends, formula
// starts, unpaired surrogates; in folders' names as in files'.
TEST_F(CsvOption, HostileNamesReadBackAsTheyAre) {
  test::ScanResultBuilder b(L"X");
  b.AddFolder(40, kRootId, L"=cmd|' /C calc'!A0");
  b.AddFolder(41, 40, L"with,comma \"and quotes\"");
  const std::wstring names[] = {
      L"a,b.csv",
      L"\"quoted\"",
      L"line\nbreak",
      L"carriage\rreturn",
      L"crlf\r\ninside",
      L"=1+1",
      L"+SUM(A1:A9)",
      L"-2",
      L"@here",
      L"\tTAB",
      L"\rCR",
      L"plain 照片.JPG",
      L"a=b",
      std::wstring{L'x', wchar_t(0xD800), L'y'},
      std::wstring{wchar_t(0xDFFF)},
  };
  std::int64_t id = 100;
  for (const std::wstring& name : names) {
    FileEntry& file = b.AddFile(41, id, name, id * 3);
    file.mtime = 133541559010000000 + id * 10000000;
    file.attributes = static_cast<std::uint32_t>(id) & 0x27;
    ++id;
  }
  b.AddFile(40, id++, L"-rf", 1);
  ScanResult result = b.Finish();
  std::string error;
  ASSERT_TRUE(SaveSnapshotFile(Path("hostile.tws"), result, error)) << error;
  ExpectTableEqualsDocument(Path("hostile.tws"));
}

// The table is made beside the report; a table that cannot be written
// fails the run with one line, and the report is still whole.
TEST_F(CsvOption, ATableThatCannotBeWrittenFailsTheRunAfterTheReport) {
  test::ScanResultBuilder b(L"X");
  b.AddFile(kRootId, 64, L"a.txt", 10);
  std::string error;
  ASSERT_TRUE(SaveSnapshotFile(Path("s.tws"), b.Finish(), error)) << error;
  const std::string target = Path("no-such-folder/t.csv");
  const test::ProcessOutcome run =
      test::RunShell(ShellQuote(kBinary) + " -q --csv " + ShellQuote(target) + " " + ShellQuote(Path("s.tws")));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "错误: 无法写入输出。 (" + target + ": No such file or directory)\n");
  EXPECT_NE(run.out.find("扫描完成"), std::string::npos) << run.out;
  const test::ProcessOutcome compare =
      test::RunShell(ShellQuote(kBinary) + " --compare --csv " + ShellQuote(Path("t.csv")) + " " +
                     ShellQuote(Path("s.tws")) + " " + ShellQuote(Path("s.tws")));
  EXPECT_EQ(compare.status, 2);
  EXPECT_NE(compare.err.find("option --csv cannot be used with --compare"), std::string::npos) << compare.err;
  EXPECT_FALSE(fs::exists(Path("t.csv")));
}

}  // namespace
}  // namespace tw
