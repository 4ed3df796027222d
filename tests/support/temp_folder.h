#pragma once
// A folder of a test's own below the test temporary directory, made empty
// when the test starts and removed when it ends, with the names it holds.

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tw::test {

class TempFolderTest : public testing::Test {
 protected:
  // `prefix` names the folder: prefix + the process id.
  explicit TempFolderTest(const std::string& prefix)
      : dir_(std::filesystem::path(testing::TempDir()) / (prefix + std::to_string(getpid()))) {}

  void SetUp() override {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // The names in the folder, sorted.
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::filesystem::path dir_;
};

}  // namespace tw::test
