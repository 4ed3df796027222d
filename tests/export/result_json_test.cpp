#include "export/result_json.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <span>
#include <string>
#include <sstream>

#include "support/sample_result.h"

namespace tw {
namespace {

nlohmann::json Document(const ScanResult& result, JsonReportOptions options) {
  std::ostringstream out;
  WriteResultJson(result, options, out);
  return nlohmann::json::parse(out.str());
}

TEST(ResultJson, HasExactlyTheModelsKeys) {
  const nlohmann::json doc = Document(MakeSampleResult(), {});
  std::set<std::string> keys;
  for (const auto& [key, value] : doc.items()) keys.insert(key);
  EXPECT_EQ(keys, (std::set<std::string>{"drive", "elapsed_seconds", "file_count", "folder_count", "root_total_size",
                                         "folders", "extensions", "largest_files"}));
  std::set<std::string> folder_keys;
  for (const auto& [key, value] : doc["folders"][0].items()) folder_keys.insert(key);
  EXPECT_EQ(folder_keys,
            (std::set<std::string>{"id", "parent_id", "tree_parent_id", "name", "path", "total_size", "total_alloc",
                                   "direct_size", "direct_alloc", "direct_file_count", "total_file_count",
                                   "total_folder_count", "mtime", "attributes", "children"}));
  EXPECT_EQ(doc["largest_files"][0].size(), 8u);
  EXPECT_EQ(doc["drive"], "D");
  EXPECT_DOUBLE_EQ(doc["elapsed_seconds"].get<double>(), 1.25);
  EXPECT_EQ(doc["root_total_size"], 1000);
}

TEST(ResultJson, FoldersComeInPreOrderFromTheRootWithPaths) {
  const nlohmann::json doc = Document(MakeSampleResult(), {});
  const nlohmann::json& folders = doc["folders"];
  ASSERT_EQ(folders.size(), 4u);  // the cycle 50 <-> 51 is not reachable
  std::vector<std::int64_t> ids;
  for (const auto& f : folders) ids.push_back(f["id"]);
  EXPECT_EQ(ids, (std::vector<std::int64_t>{5, 40, 30, 31}));
  EXPECT_EQ(folders[0]["path"], "D:\\");
  EXPECT_EQ(folders[0]["children"], nlohmann::json::array({40, 30}));
  EXPECT_EQ(folders[3]["path"], "D:\\Users\\alice");
  EXPECT_EQ(folders[3]["tree_parent_id"], 30);
  EXPECT_EQ(folders[1]["total_alloc"], 614400);
}

TEST(ResultJson, TopLimitsTheLargestFiles) {
  EXPECT_EQ(Document(MakeSampleResult(), {2, false})["largest_files"].size(), 2u);
  EXPECT_EQ(Document(MakeSampleResult(), {0, false})["largest_files"].size(), 0u);
  const nlohmann::json all = Document(MakeSampleResult(), {100, false})["largest_files"];
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[1]["name"], "照片.JPG");
  EXPECT_EQ(all[1]["extension"], ".JPG");
  EXPECT_EQ(all[3]["extension"], "");  // a name without an extension
}

TEST(ResultJson, FilesListsEveryFileOnceWithItsFolder) {
  const ScanResult result = MakeSampleResult();
  const nlohmann::json doc = Document(result, {100, true});
  ASSERT_TRUE(doc.contains("files"));
  std::multiset<std::int64_t> ids;
  for (const auto& f : doc["files"]) {
    ids.insert(f["id"].get<std::int64_t>());
    EXPECT_EQ(f.size(), 9u);
    const std::span<const FileItem> files = result.FindFiles(f["folder_id"].get<std::int64_t>());
    EXPECT_TRUE(std::any_of(files.begin(), files.end(), [&](const FileItem& item) { return item.id == f["id"]; }))
        << f["name"];
  }
  // The file of the unreachable folder 50 is listed too, last.
  EXPECT_EQ(ids, (std::multiset<std::int64_t>{70, 71, 72, 73, 74}));
  EXPECT_EQ(doc["files"].back()["folder_id"], 50);
  EXPECT_FALSE(Document(result, {100, false}).contains("files"));
}

// Each file's folder_path is the path of the folder it is listed under, in
// both lists; a folder on the parent cycle starts its path at the cycle's
// lowest-numbered folder.
TEST(ResultJson, FilesCarryTheirFoldersPaths) {
  const nlohmann::json doc = Document(MakeSampleResult(), {100, true});
  const std::map<std::string, std::string> paths = {{"boot.ini", "D:\\"},
                                                    {"big.sys", "D:\\Windows"},
                                                    {"照片.JPG", "D:\\Users\\alice"},
                                                    {"notes", "D:\\Users\\alice"},
                                                    {"lost.txt", "D:\\lost"}};
  ASSERT_EQ(doc["files"].size(), paths.size());
  ASSERT_EQ(doc["largest_files"].size(), paths.size());
  for (const char* list : {"files", "largest_files"}) {
    for (const auto& f : doc[list]) {
      EXPECT_EQ(f["folder_path"], paths.at(f["name"].get<std::string>())) << list << " " << f["name"];
    }
  }
}

TEST(ResultJson, ResultWithoutRootGivesEmptyFolderList) {
  ScanResult empty;
  empty.drive = L"X";
  const nlohmann::json doc = Document(empty, {100, true});
  EXPECT_TRUE(doc["folders"].empty());
  EXPECT_TRUE(doc["files"].empty());
}

TEST(ResultJson, ChildListThatRepeatsAFolderVisitsItOnce) {
  ScanResult r = MakeSampleResult();
  const auto set_children = [&r](std::int64_t id, std::initializer_list<std::int64_t> children) {
    DirNode& node = r.folders[static_cast<std::size_t>(r.FindFolder(id) - r.folders.data())];
    node.first_child = static_cast<std::uint32_t>(r.child_ids.size());
    node.child_count = static_cast<std::uint32_t>(children.size());
    r.child_ids.insert(r.child_ids.end(), children);
  };
  set_children(kRootId, {40, 30, 40});
  set_children(31, {5});  // points back at the root
  const std::vector<const DirNode*> order = FoldersInPreOrder(r);
  std::vector<std::int64_t> ids;
  for (const DirNode* node : order) ids.push_back(node->id);
  ASSERT_FALSE(ids.empty());
  EXPECT_EQ(ids.front(), kRootId);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<std::int64_t>{5, 30, 31, 40}));
}

}  // namespace
}  // namespace tw
