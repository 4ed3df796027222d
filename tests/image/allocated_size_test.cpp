// Allocated bytes of sparse and compressed files against ntfs-3g: a volume
// built at test time by tools/make_sparse_volume.sh (mkntfs and ntfs-3g, a
// second or two), where every file larger than an MFT record, so with its
// data out of the record, must have the allocated bytes a read-only ntfs-3g
// mount reports (st_blocks x 512). Skipped where the script cannot build it.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "engine/scan_driver.h"

namespace tw {
namespace {

constexpr std::int64_t kLargestRecord = 4096;

TEST(AllocatedSize, SparseAndCompressedFilesMatchNtfs3g) {
  std::string dir = (std::filesystem::temp_directory_path() / "tw-sparse-XXXXXX").string();
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  const std::string image = dir + "/volume.img", listing = dir + "/listing.txt", log = dir + "/log.txt";
  const std::string script = std::string(TARNWICK_SOURCE_DIR) + "/tools/make_sparse_volume.sh";
  const int status = std::system(("'" + script + "' '" + image + "' '" + listing + "' >'" + log + "' 2>&1").c_str());
  const bool built = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  std::stringstream said, listed;
  said << std::ifstream(log).rdbuf();
  listed << std::ifstream(listing).rdbuf();
  const ScanResult result = built ? ScanSourceMft(image, L"C", nullptr) : ScanResult{};
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot build the volume: " << said.str();
  ASSERT_TRUE(built) << said.str();

  std::map<std::int64_t, const FileItem*> scanned;
  for (const FileItem& f : result.files) scanned[f.id] = &f;
  // One file a line: record number (ntfs-3g's inode number), blocks, size, path.
  int checked = 0, below_size = 0;
  std::int64_t record = 0, blocks = 0, size = 0;
  for (std::string path; listed >> record >> blocks >> size && std::getline(listed >> std::ws, path);) {
    if (size <= kLargestRecord) continue;
    const auto found = scanned.find(record);
    ASSERT_NE(found, scanned.end()) << path;
    EXPECT_EQ(found->second->size, size) << path;
    EXPECT_EQ(found->second->alloc, 512 * blocks) << path;
    ++checked;
    if (512 * blocks < size) ++below_size;
  }
  // The volume holds what it is for: sparse and compressed files among others.
  EXPECT_GE(checked, 10);
  EXPECT_GE(below_size, 8);
}

}  // namespace
}  // namespace tw
