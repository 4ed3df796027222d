// Re-reading the records an action touched, on real volumes changed through
// ntfs-3g between a scan and the re-read (tools/change_volume.sh): the new
// generation must equal a full scan of the changed volume, folder by folder
// and file by file, with every figure that follows from them.

#include "engine/record_reread.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/scan_driver.h"
#include "format/utf.h"
#include "scan/raw_volume.h"
#include "support/test_images.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

// The first difference between two results as their readers see them (names
// as text, never arena offsets), or "".
std::string Difference(const ScanResult& a, const ScanResult& b) {
  std::ostringstream out;
  if (a.folders.size() != b.folders.size()) return "folder count";
  for (std::size_t i = 0; i < a.folders.size(); ++i) {
    const DirNode& x = a.folders[i];
    const DirNode& y = b.folders[i];
    const std::vector<RecordId> cx(a.Children(x).begin(), a.Children(x).end());
    const std::vector<RecordId> cy(b.Children(y).begin(), b.Children(y).end());
    if (x.id != y.id || x.parent_id != y.parent_id || x.tree_parent_id != y.tree_parent_id ||
        x.total_size != y.total_size || x.total_alloc != y.total_alloc || x.direct_size != y.direct_size ||
        x.direct_alloc != y.direct_alloc || x.mtime != y.mtime || x.attributes != y.attributes ||
        x.direct_file_count != y.direct_file_count || x.total_file_count != y.total_file_count ||
        x.total_folder_count != y.total_folder_count || a.Name(x) != b.Name(y) || cx != cy ||
        x.file_count != y.file_count) {
      out << "folder " << x.id << " / " << y.id << " " << Utf16ToUtf8(a.NameText(x)) << ": size " << x.total_size << "/"
          << y.total_size << " mtime " << x.mtime << "/" << y.mtime << " files " << x.total_file_count << "/"
          << y.total_file_count << " folders " << x.total_folder_count << "/" << y.total_folder_count << " children "
          << cx.size() << "/" << cy.size();
      return out.str();
    }
    const auto fx = a.Files(x), fy = b.Files(y);
    for (std::size_t j = 0; j < fx.size(); ++j) {
      const FileItem& p = fx[j];
      const FileItem& q = fy[j];
      if (p.id != q.id || p.size != q.size || p.alloc != q.alloc || p.mtime != q.mtime ||
          p.attributes != q.attributes || a.Name(p) != b.Name(q) || a.Extension(p) != b.Extension(q)) {
        return "file " + std::to_string(p.id) + " / " + std::to_string(q.id) + " in folder " + std::to_string(x.id);
      }
    }
  }
  if (a.extensions.size() != b.extensions.size()) return "extension count";
  for (std::size_t i = 0; i < a.extensions.size(); ++i) {
    const ExtStat& x = a.extensions[i];
    const ExtStat& y = b.extensions[i];
    if (x.extension != y.extension || x.total_size != y.total_size || x.file_count != y.file_count) {
      return "extension " + Utf16ToUtf8(x.extension);
    }
  }
  if (a.largest_files.size() != b.largest_files.size()) return "largest file count";
  for (std::size_t i = 0; i < a.largest_files.size(); ++i) {
    if (a.files[a.largest_files[i]].id != b.files[b.largest_files[i]].id) return "largest file " + std::to_string(i);
  }
  if (a.file_count != b.file_count || a.folder_count != b.folder_count || a.root_total_size != b.root_total_size) {
    return "totals";
  }
  return "";
}

// The record of a folder or file by its path below the root ("Users\\bob"); 0 when none.
RecordId RecordAt(const ScanResult& r, const std::wstring& path) {
  for (const DirNode& folder : r.folders) {
    if (BuildFolderPath(r, folder.id, L"X") == L"X:\\" + path) return folder.id;
    for (const FileItem& file : r.Files(folder)) {
      std::wstring full = BuildFolderPath(r, folder.id, L"X");
      if (full.back() != L'\\') full += L'\\';
      if (full + r.NameText(file) == L"X:\\" + path) return file.id;
    }
  }
  return 0;
}

struct Change {
  const char* what;
  const char* commands;                 // run in the volume's root through ntfs-3g
  std::vector<std::wstring> touched;    // paths in the first scan
  std::vector<std::wstring> gone;       // paths no longer in the re-read result
};

class RecordReread : public testing::Test {
 protected:
  static void SetUpTestSuite() { sample_ = new test::UnpackedImage(test::TestDataDir() + "/sample.img.gz"); }
  static void TearDownTestSuite() {
    delete sample_;
    sample_ = nullptr;
  }

  // Copies the sample, scans it, changes the copy, re-reads the touched
  // records and scans the copy again; compares the two.
  void Check(const Change& change) {
    SCOPED_TRACE(change.what);
    ASSERT_FALSE(sample_->path().empty());
    const fs::path image = fs::path(testing::TempDir()) / ("tw_reread_" + std::to_string(::getpid()) + ".img");
    fs::copy_file(sample_->path(), image, fs::copy_options::overwrite_existing);
    const ScanResult before = ScanSourceMft(image.string(), L"X", nullptr);
    std::vector<RecordId> touched;
    for (const std::wstring& path : change.touched) {
      touched.push_back(RecordAt(before, path));
      ASSERT_NE(touched.back(), 0) << Utf16ToUtf8(path);
    }
    const std::string script = std::string(TARNWICK_SOURCE_DIR) + "/tools/change_volume.sh";
    const std::string command = "'" + script + "' '" + image.string() + "' \"$TW_CHANGE\" 2>&1";
    ::setenv("TW_CHANGE", change.commands, 1);
    const int status = std::system(command.c_str());
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
      fs::remove(image);
      GTEST_SKIP() << "ntfs-3g cannot mount here";
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << change.commands;

    const std::unique_ptr<RawVolume> volume = OpenSourceVolume(image.string(), 0, nullptr);
    ASSERT_NE(volume, nullptr);
    const ScanResult reread = RereadRecords(before, *volume, touched);
    const ScanResult full = ScanSourceMft(image.string(), L"X", nullptr);
    fs::remove(image);
    EXPECT_EQ(Difference(reread, full), "");
    for (const std::wstring& path : change.gone) EXPECT_EQ(RecordAt(reread, path), 0) << Utf16ToUtf8(path);
    EXPECT_EQ(reread.scanned_at, before.scanned_at);
    EXPECT_EQ(reread.volume_serial, before.volume_serial);
  }

  static test::UnpackedImage* sample_;
};

test::UnpackedImage* RecordReread::sample_ = nullptr;

TEST_F(RecordReread, AFileDeletedLeavesTheResult) {
  Check({"file deleted", "rm Users/alice/Documents/report-3.docx", {L"Users\\alice\\Documents\\report-3.docx"},
         {L"Users\\alice\\Documents\\report-3.docx"}});
}

TEST_F(RecordReread, AFolderTreeDeletedLeavesWithEverythingBelowIt) {
  Check({"folder tree deleted", "rm -r 'Program Files/Editor'", {L"Program Files\\Editor"},
         {L"Program Files\\Editor", L"Program Files\\Editor\\plugins"}});
}

TEST_F(RecordReread, AFileMovedToAnotherFolderMovesAndItsSizesFollow) {
  Check({"file moved", "mv Users/alice/Documents/report-5.docx projects/", {L"Users\\alice\\Documents\\report-5.docx"},
         {L"Users\\alice\\Documents\\report-5.docx"}});
}

TEST_F(RecordReread, OneNameOfAHardLinkGoesAndTheRecordStays) {
  // The scan lists the record under its name in alice's documents; once
  // that name is gone it is listed under the other.
  Check({"hard link name removed", "rm Users/alice/Documents/tarnwick-readme.txt",
         {L"Users\\alice\\Documents\\tarnwick-readme.txt"}, {L"Users\\alice\\Documents\\tarnwick-readme.txt"}});
}

TEST_F(RecordReread, AFileThatGrewTakesItsNewSizes) {
  Check({"file grown", "head -c 300000 /dev/urandom >> setup.log", {L"setup.log"}, {}});
}

// As a first deletion to the Recycle Bin does: the folder moves under new
// folders the result does not hold, which are read up to one it holds.
TEST_F(RecordReread, AFolderMovedUnderNewFoldersBringsThemIn) {
  Check({"folder moved under new folders",
         "mkdir -p 'Bin/S-1-5-21-1000' && mv projects/tarnwick 'Bin/S-1-5-21-1000/$RABC123'",
         {L"projects\\tarnwick"},
         {L"projects\\tarnwick"}});
}

TEST_F(RecordReread, AnotherVolumeIsRefused) {
  ASSERT_FALSE(sample_->path().empty());
  ScanResult before = ScanSourceMft(sample_->path(), L"X", nullptr);
  before.volume_serial ^= 1;
  const std::unique_ptr<RawVolume> volume = OpenSourceVolume(sample_->path(), 0, nullptr);
  ASSERT_NE(volume, nullptr);
  const std::vector<RecordId> touched{RecordAt(before, L"setup.log")};
  try {
    RereadRecords(before, *volume, touched);
    ADD_FAILURE() << "read another volume's records";
  } catch (const ScanFailure& failure) {
    EXPECT_EQ(failure.error(), ScanError::kOtherVolume);
  }
}

}  // namespace
}  // namespace tw
