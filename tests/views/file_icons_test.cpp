#include "views/file_icons.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tw {
namespace {

TEST(FileIcons, KeysFoldOnlyAsciiAndGainADot) {
  EXPECT_EQ(NormaliseExtensionKey(L".TXT"), L".txt");
  EXPECT_EQ(NormaliseExtensionKey(L"TXT"), L".txt");
  EXPECT_EQ(NormaliseExtensionKey(L""), L"");
  EXPECT_EQ(NormaliseExtensionKey(L".ÄBC"), L".Äbc");  // only A-Z change
  EXPECT_EQ(IconQueryPath(L".txt"), L"file.txt");
  EXPECT_EQ(IconQueryPath(L""), L"file");
}

TEST(FileIcons, CacheKeepsOnlySuccessfulLookups) {
  ExtensionIconCache<int> cache;
  std::vector<std::wstring> asked;
  int answer = 0;  // 0: the shell has no icon
  const auto lookup = [&](const std::wstring& key) {
    asked.push_back(key);
    return answer;
  };
  EXPECT_EQ(cache.Get(L".TXT", lookup), 0);
  EXPECT_EQ(cache.Get(L"txt", lookup), 0);  // failed before: asked again
  answer = 7;
  EXPECT_EQ(cache.Get(L".txt", lookup), 7);
  answer = 9;
  EXPECT_EQ(cache.Get(L"TXT", lookup), 7);  // one entry for every spelling
  EXPECT_EQ(asked, (std::vector<std::wstring>{L".txt", L".txt", L".txt"}));
  EXPECT_EQ(cache.icons().size(), 1u);
}

}  // namespace
}  // namespace tw
