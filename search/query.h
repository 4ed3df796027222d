#pragma once
// The search's query language, shared by the window and the command line.
//
// A query is words separated by blanks (space, tab, or the ideographic space
// U+3000 that Chinese input methods type); "..." keeps blanks inside a word
// and the quotes themselves are dropped. Each word is a filter or a name
// pattern, and all of them must hold together:
//   ext:iso,img      the file's extension is one of these (with or without
//                    the dot, letters in any case; * and ? allowed); ext:
//                    alone means no extension. Folders have no extension.
//   size:>1G         the logical size (a folder's total size) against a
//                    number with an optional 1024-based unit B, K/KB, M/MB,
//                    G/GB or T/TB; also >=, <, <= and = (or nothing: equal).
//   modified:<2025-01-01  the modification time against a whole local day:
//                    <D before D begins, >D after D ends, <= and >= include
//                    D, = (or nothing) within D. An unknown time (0) never
//                    matches. Days may be written 2025-1-1 or 2025/1/1.
//   type:file, type:folder
// A word with a colon whose key is none of these is an error, never a
// name pattern. Any other word is a name pattern: without * or ? it must
// occur in the name, with them it must match the whole name (? is one
// character; a surrogate pair counts as one). Names and patterns are
// compared after case folding (search/case_fold.h). A query of no words
// matches nothing.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

enum class Comparison { kLess, kLessOrEqual, kGreater, kGreaterOrEqual, kEqual };

// A name pattern, or one extension of an ext: word (without its dot).
struct NamePattern {
  std::u16string folded;  // case folded
  bool wildcard = false;  // holds * or ?: matches the whole text
  friend bool operator==(const NamePattern&, const NamePattern&) = default;
};

struct SizeCondition {
  Comparison comparison = Comparison::kEqual;
  std::int64_t bytes = 0;
  friend bool operator==(const SizeCondition&, const SizeCondition&) = default;
};

struct CivilDate {
  std::int32_t year = 0;
  std::int32_t month = 0;
  std::int32_t day = 0;
  friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

struct DateCondition {
  Comparison comparison = Comparison::kEqual;
  CivilDate day;
  friend bool operator==(const DateCondition&, const DateCondition&) = default;
};

struct Query {
  std::vector<NamePattern> names;
  // Each ext: word: the extension must be one of its entries; the empty
  // text stands for no extension.
  std::vector<std::vector<NamePattern>> extension_sets;
  std::vector<SizeCondition> sizes;
  std::vector<DateCondition> dates;
  bool files = true;  // type:folder clears this
  bool folders = true;  // type:file or an ext: word clears this
  bool empty = true;    // no word at all
};

enum class QueryProblem {
  kNone,
  kUnknownKey,     // a key other than ext, size, modified, type
  kBadExtension,   // an extension with a dot inside
  kBadSize,        // not a number with a unit
  kBadDate,        // not a day of the calendar (1601 to 9999)
  kBadType,        // neither file nor folder
  kUnclosedQuote,  // a " without its partner
};

struct ParsedQuery {
  Query query;
  QueryProblem problem = QueryProblem::kNone;
  std::wstring word;  // the first malformed word, as typed
  bool ok() const { return problem == QueryProblem::kNone; }
};

// Reads a query (UTF-16 units). Stops at the first malformed word.
ParsedQuery ParseQuery(std::wstring_view text);

// "查询无效: size:>lots — 大小应为数字加单位 (B, K, M, G, T)": the reason a
// query was refused, naming its word; "" for a good query.
std::wstring QueryProblemLine(const ParsedQuery& parsed);

// The day after a calendar day.
CivilDate NextDay(const CivilDate& day);

}  // namespace tw
