#include "search/path_order.h"

#include <algorithm>
#include <unordered_map>
#include <numeric>

namespace tw {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

char16_t FoldAscii(char16_t u) { return u >= u'A' && u <= u'Z' ? static_cast<char16_t>(u + 0x20) : u; }

std::u16string Folded(std::wstring_view text) {
  std::u16string folded(text.size(), u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) folded[i] = FoldAscii(static_cast<char16_t>(text[i] & 0xFFFF));
  return folded;
}

// Compares the folded tail `a` with the folded text `b_head` followed by the
// folded tail `b`, as one text against another.
int CompareTailWith(std::u16string_view a, std::u16string_view b_head, std::u16string_view b) {
  const std::size_t b_size = b_head.size() + b.size();
  const std::size_t n = std::min(a.size(), b_size);
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t x = FoldAscii(a[i]);
    const char16_t y = i < b_head.size() ? b_head[i] : FoldAscii(b[i - b_head.size()]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b_size) return 0;
  return a.size() < b_size ? -1 : 1;
}

}  // namespace

PathOrder::PathOrder(const ScanResult& result, std::span<const SearchHit> hits, HitPaths& paths)
    : result_(result),
      paths_(paths),
      file_stem_(result.folders.size(), kNone),
      folder_stem_(result.folders.size(), kNone) {
  // Distinct stems by folded text; folders whose paths differ only in case share one.
  std::unordered_map<std::u16string, std::uint32_t> by_text;
  const auto add = [&](std::u16string text) {
    const auto [at, added] = by_text.try_emplace(std::move(text), static_cast<std::uint32_t>(stems_.size()));
    if (added) stems_.push_back(Stem{at->first, 0, 0});
    return at->second;
  };
  for (const SearchHit& hit : hits) {
    if (hit.folder) {
      if (hit.index < result.folders.size() && folder_stem_[hit.index] == kNone) {
        folder_stem_[hit.index] = add(Folded(paths.FolderPath(hit.index)));
      }
    } else if (hit.index < result.files.size()) {
      const std::uint32_t folder = result.files[hit.index].folder;
      if (folder < result.folders.size() && file_stem_[folder] == kNone) {
        std::u16string stem = Folded(paths.FolderPath(folder));
        if (!stem.empty() && stem.back() != u'\\') stem.push_back(u'\\');
        file_stem_[folder] = add(std::move(stem));
      }
    }
  }
  // In text order: ranks, and for each stem the ranks of those that begin
  // with it (they follow it directly).
  std::unordered_map<std::u16string, std::uint32_t>().swap(by_text);
  std::vector<std::uint32_t> order(stems_.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(),
            [this](std::uint32_t a, std::uint32_t b) { return stems_[a].folded < stems_[b].folded; });
  std::vector<std::uint32_t> open;  // ranks of stems that begin the current one
  for (std::uint32_t rank = 0; rank < order.size(); ++rank) {
    Stem& stem = stems_[order[rank]];
    stem.rank = rank;
    while (!open.empty()) {
      const Stem& outer = stems_[order[open.back()]];
      if (stem.folded.compare(0, outer.folded.size(), outer.folded) == 0) break;
      stems_[order[open.back()]].end = rank;
      open.pop_back();
    }
    open.push_back(rank);
  }
  for (const std::uint32_t rank : open) stems_[order[rank]].end = static_cast<std::uint32_t>(order.size());
}

std::uint32_t PathOrder::StemOf(const SearchHit& hit) const {
  if (hit.folder) return hit.index < folder_stem_.size() ? folder_stem_[hit.index] : kNone;
  if (hit.index >= result_.files.size()) return kNone;
  const std::uint32_t folder = result_.files[hit.index].folder;
  return folder < file_stem_.size() ? file_stem_[folder] : kNone;
}

std::u16string_view PathOrder::TailOf(const SearchHit& hit) const {
  if (hit.folder || hit.index >= result_.files.size()) return {};
  return result_.Name(result_.files[hit.index]);
}

bool PathOrder::Less(const Keyed& ka, const Keyed& kb) const {
  const SearchHit& a = ka.hit;
  const SearchHit& b = kb.hit;
  const std::uint32_t sa = ka.stem, sb = kb.stem;
  if (sa == kNone || sb == kNone) return paths_.ComparePaths(a, b) < 0;  // not prepared
  const Stem& x = stems_[sa];
  const Stem& y = stems_[sb];
  int order = 0;
  if (sa == sb) {
    order = CompareTailWith(TailOf(a), {}, TailOf(b));
  } else if (x.rank < y.rank && y.rank < x.end) {
    // x begins y: a's tail against the rest of y and b's tail.
    order = CompareTailWith(TailOf(a), std::u16string_view(y.folded).substr(x.folded.size()), TailOf(b));
  } else if (y.rank < x.rank && x.rank < y.end) {
    order = -CompareTailWith(TailOf(b), std::u16string_view(x.folded).substr(y.folded.size()), TailOf(a));
  } else {
    order = x.rank < y.rank ? -1 : 1;
  }
  // Paths equal but for case (or the very same): the units as they are.
  return order != 0 ? order < 0 : paths_.ComparePaths(a, b) < 0;
}

}  // namespace tw
