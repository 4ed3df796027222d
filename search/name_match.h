#pragma once
// Matching one folded name against one folded pattern (search/query.h):
// a pattern without wildcards must occur in the name, one with * or ? must
// match the whole name. Both are case folded already (search/case_fold.h);
// here units are compared as they are.

#include <string_view>

#include "search/query.h"

namespace tw {

// Whether `pattern` occurs in `name` as a run of units that neither starts
// nor ends inside a surrogate pair of the name.
bool ContainsText(std::u16string_view name, std::u16string_view pattern);

// Whether the whole of `name` matches `pattern`: * matches any run of
// characters (none included), ? exactly one character, where a valid
// surrogate pair is one character and a lone surrogate is one too.
bool MatchesWildcard(std::u16string_view name, std::u16string_view pattern);

// The rule of the pattern's kind.
inline bool MatchesPattern(std::u16string_view folded_name, const NamePattern& pattern) {
  return pattern.wildcard ? MatchesWildcard(folded_name, pattern.folded) : ContainsText(folded_name, pattern.folded);
}

}  // namespace tw
