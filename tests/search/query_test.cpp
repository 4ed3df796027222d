#include "search/query.h"

#include <gtest/gtest.h>

#include <string>

#include "search/case_fold.h"

namespace tw {
namespace {

std::u16string U(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

NamePattern Folded(std::wstring_view text, bool wildcard = false) { return NamePattern{FoldCase(U(text)), wildcard}; }

Query Parsed(std::wstring_view text) {
  const ParsedQuery parsed = ParseQuery(text);
  EXPECT_TRUE(parsed.ok()) << "refused: " << std::string(parsed.word.begin(), parsed.word.end());
  return parsed.query;
}

std::wstring Refusal(std::wstring_view text) { return QueryProblemLine(ParseQuery(text)); }

TEST(Query, WordsAreSplitAtBlanksAndQuotesKeepThem) {
  const Query q = Parsed(L"  annual\treport \"program files\" pro\"gram fi\"les\x3000x ");
  ASSERT_EQ(q.names.size(), 5u);
  EXPECT_EQ(q.names[0], Folded(L"annual"));
  EXPECT_EQ(q.names[1], Folded(L"report"));
  EXPECT_EQ(q.names[2], Folded(L"program files"));  // the quotes dropped
  EXPECT_EQ(q.names[3], Folded(L"program files"));  // quotes inside a word too
  EXPECT_EQ(q.names[4], Folded(L"x"));              // the ideographic space separates
  EXPECT_FALSE(q.empty);
  EXPECT_TRUE(q.files && q.folders);
}

TEST(Query, NoWordsIsTheEmptyQuery) {
  EXPECT_TRUE(Parsed(L"").empty);
  EXPECT_TRUE(Parsed(L" \t\x3000 ").empty);
  // An empty quoted word is a word: a pattern that every name holds.
  const Query q = Parsed(L"\"\"");
  EXPECT_FALSE(q.empty);
  ASSERT_EQ(q.names.size(), 1u);
  EXPECT_TRUE(q.names[0].folded.empty());
}

TEST(Query, PatternsAreFoldedAndWildcardsMarked) {
  const Query q = Parsed(L"Été *.ISO a?c");
  ASSERT_EQ(q.names.size(), 3u);
  EXPECT_EQ(q.names[0], (NamePattern{u"ÉTÉ", false}));
  EXPECT_EQ(q.names[1], (NamePattern{u"*.ISO", true}));
  EXPECT_EQ(q.names[2], (NamePattern{u"A?C", true}));
}

TEST(Query, ExtensionsWithOrWithoutTheDotAndNoneForAnEmptyList) {
  Query q = Parsed(L"ext:iso,.IMG EXT:");
  ASSERT_EQ(q.extension_sets.size(), 2u);
  EXPECT_EQ(q.extension_sets[0], (std::vector<NamePattern>{{u"ISO", false}, {u"IMG", false}}));
  EXPECT_EQ(q.extension_sets[1], (std::vector<NamePattern>{{u"", false}}));
  EXPECT_FALSE(q.folders);  // folders have no extension
  EXPECT_TRUE(q.files);
  q = Parsed(L"ext:jp*,txt,");
  EXPECT_EQ(q.extension_sets[0], (std::vector<NamePattern>{{u"JP*", true}, {u"TXT", false}, {u"", false}}));
}

TEST(Query, SizesWithUnitsAtTheirBounds) {
  const auto size = [](std::wstring_view text) {
    const Query q = Parsed(text);
    EXPECT_EQ(q.sizes.size(), 1u);
    return q.sizes.empty() ? SizeCondition{} : q.sizes[0];
  };
  EXPECT_EQ(size(L"size:>1G"), (SizeCondition{Comparison::kGreater, 1073741824}));
  EXPECT_EQ(size(L"size:>=100M"), (SizeCondition{Comparison::kGreaterOrEqual, 104857600}));
  EXPECT_EQ(size(L"size:<4K"), (SizeCondition{Comparison::kLess, 4096}));
  EXPECT_EQ(size(L"size:<=0"), (SizeCondition{Comparison::kLessOrEqual, 0}));
  EXPECT_EQ(size(L"size:=12b"), (SizeCondition{Comparison::kEqual, 12}));
  EXPECT_EQ(size(L"size:12"), (SizeCondition{Comparison::kEqual, 12}));
  EXPECT_EQ(size(L"size:2tb"), (SizeCondition{Comparison::kEqual, 2LL << 40}));
  EXPECT_EQ(size(L"size:1.5K"), (SizeCondition{Comparison::kEqual, 1536}));
  EXPECT_EQ(size(L"size:.5kb"), (SizeCondition{Comparison::kEqual, 512}));
  EXPECT_EQ(size(L"size:1.0009765625K"), (SizeCondition{Comparison::kEqual, 1025}));  // exact, not rounded
  EXPECT_EQ(size(L"size:1.001K"), (SizeCondition{Comparison::kEqual, 1025}));         // 1025.024 rounded down
  EXPECT_EQ(size(L"\"size:> 3 MB\""), (SizeCondition{Comparison::kGreater, 3 << 20}));
  EXPECT_EQ(size(L"size:9223372036854775807"), (SizeCondition{Comparison::kEqual, INT64_MAX}));
  EXPECT_EQ(size(L"size:8388607.5T"), (SizeCondition{Comparison::kEqual, 9223371487098961920}));
}

TEST(Query, DatesWholeDaysInEitherSpelling) {
  const Query q = Parsed(L"modified:<2025-01-01 modified:>=2024/2/29 modified:2024-06-30 MODIFIED:<=1601-01-01");
  ASSERT_EQ(q.dates.size(), 4u);
  EXPECT_EQ(q.dates[0], (DateCondition{Comparison::kLess, {2025, 1, 1}}));
  EXPECT_EQ(q.dates[1], (DateCondition{Comparison::kGreaterOrEqual, {2024, 2, 29}}));
  EXPECT_EQ(q.dates[2], (DateCondition{Comparison::kEqual, {2024, 6, 30}}));
  EXPECT_EQ(q.dates[3], (DateCondition{Comparison::kLessOrEqual, {1601, 1, 1}}));
  EXPECT_EQ(NextDay({2024, 2, 28}), (CivilDate{2024, 2, 29}));
  EXPECT_EQ(NextDay({2023, 2, 28}), (CivilDate{2023, 3, 1}));
  EXPECT_EQ(NextDay({1900, 2, 28}), (CivilDate{1900, 3, 1}));
  EXPECT_EQ(NextDay({2000, 2, 28}), (CivilDate{2000, 2, 29}));
  EXPECT_EQ(NextDay({2024, 12, 31}), (CivilDate{2025, 1, 1}));
}

TEST(Query, TypeLeavesFilesOrFolders) {
  EXPECT_FALSE(Parsed(L"type:file").folders);
  EXPECT_FALSE(Parsed(L"TYPE:Folder").files);
  const Query both = Parsed(L"type:file type:folder");
  EXPECT_FALSE(both.files || both.folders);
}

TEST(Query, AMalformedWordIsNamedWithItsReason) {
  EXPECT_EQ(Refusal(L"big size:>lots"), L"查询无效: size:>lots — 大小应为数字加单位 (B, K, M, G, T)");
  EXPECT_EQ(Refusal(L"size:>-1"), L"查询无效: size:>-1 — 大小应为数字加单位 (B, K, M, G, T)");
  EXPECT_EQ(Refusal(L"colour:red"), L"查询无效: colour:red — 筛选条件应为 ext:、size:、modified: 或 type:");
  EXPECT_EQ(Refusal(L"modified:2023-02-29"), L"查询无效: modified:2023-02-29 — 日期应为 年-月-日 (例如 2025-01-01)");
  EXPECT_EQ(Refusal(L"type:files"), L"查询无效: type:files — 类型应为 file 或 folder");
  EXPECT_EQ(Refusal(L"ext:tar.gz"), L"查询无效: ext:tar.gz — 扩展名中不能有点 (例如 ext:iso,img)");
  EXPECT_EQ(Refusal(L"a \"open end"), L"查询无效: \"open end — 引号没有成对");
  EXPECT_EQ(Refusal(L"size:1 ok"), L"");
}

TEST(Query, AWordWithAColonIsNeverANamePattern) {
  for (const wchar_t* text : {L"C:\\Users", L":x", L"\"a:b\"", L"name:x", L"x:"}) {
    const ParsedQuery parsed = ParseQuery(text);
    EXPECT_EQ(parsed.problem, QueryProblem::kUnknownKey) << std::string(text, text + std::wcslen(text));
    EXPECT_EQ(parsed.word, text);
  }
}

TEST(Query, SizesThatAreNotSizes) {
  for (const wchar_t* text : {L"size:", L"size:>", L"size:1KK", L"size:1BB", L"size:1KBB", L"size:1P", L"size:.", L"size:1.2.3",
                              L"size:>>1", L"size:=>1", L"size:1,5K", L"size:9223372036854775808",
                              L"size:8388608T", L"size:99999999999999999999", L"size:0x10"}) {
    EXPECT_EQ(ParseQuery(text).problem, QueryProblem::kBadSize) << std::string(text, text + std::wcslen(text));
  }
}

TEST(Query, DatesThatAreNotDays) {
  for (const wchar_t* text : {L"modified:", L"modified:<2025", L"modified:2025-13-01", L"modified:2025-00-10",
                              L"modified:2025-04-31", L"modified:1600-12-31", L"modified:10000-01-01",
                              L"modified:25-01-01", L"modified:2025-01/01", L"modified:2025-001-01",
                              L"modified:2025-01-01x", L"modified:<>2025-01-01"}) {
    EXPECT_EQ(ParseQuery(text).problem, QueryProblem::kBadDate) << std::string(text, text + std::wcslen(text));
  }
}

}  // namespace
}  // namespace tw
