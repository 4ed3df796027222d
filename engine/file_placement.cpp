#include "engine/file_placement.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <unordered_map>
#include <utility>

#include "base/arithmetic.h"
#include "base/parallel.h"
#include "scan/overflow_sizes.h"

namespace tw {
namespace {

// Freed chunks are handed back to the system after this many bytes.
constexpr std::size_t kReleaseStride = std::size_t{16} << 20;

// A converted entry is a file item: the same fields at the same places.
static_assert(sizeof(EntryItem) == sizeof(FileItem));
static_assert(offsetof(EntryItem, size) == offsetof(FileItem, size));
static_assert(offsetof(EntryItem, alloc) == offsetof(FileItem, alloc));
static_assert(offsetof(EntryItem, mtime) == offsetof(FileItem, mtime));
static_assert(offsetof(EntryItem, id) == offsetof(FileItem, id));
static_assert(offsetof(EntryItem, parent) == offsetof(FileItem, folder));
static_assert(offsetof(EntryItem, extension) == offsetof(FileItem, extension));
static_assert(offsetof(EntryItem, attributes) == offsetof(FileItem, attributes));
static_assert(offsetof(EntryItem, name_offset) == offsetof(FileItem, name_offset));
static_assert(offsetof(EntryItem, name_length) == offsetof(FileItem, name_length));

// Reads converted entries as file items, for a range insert.
class AsFileItems {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = FileItem;
  using difference_type = std::ptrdiff_t;
  using pointer = const FileItem*;
  using reference = FileItem;

  AsFileItems() = default;
  explicit AsFileItems(const EntryItem* at) : at_(at) {}
  FileItem operator*() const { return std::bit_cast<FileItem>(*at_); }
  AsFileItems& operator++() {
    ++at_;
    return *this;
  }
  AsFileItems operator++(int) {
    AsFileItems was = *this;
    ++at_;
    return was;
  }
  friend bool operator==(AsFileItems a, AsFileItems b) { return a.at_ == b.at_; }
  friend difference_type operator-(AsFileItems a, AsFileItems b) { return a.at_ - b.at_; }

 private:
  const EntryItem* at_ = nullptr;
};

// Moves the items of [start[lo], start[hi]) into their buckets' ranges in
// place (each item's bucket key(item) in [lo, hi)), following each
// displaced item to its place until one that belongs here turns up. at(i) is
// item i.
template <typename At, typename Key>
void DistributeRange(At at, const std::uint32_t* start, std::uint32_t lo, std::uint32_t hi, Key key) {
  std::vector<std::uint32_t> next(start + lo, start + hi);
  for (std::uint32_t b = lo; b < hi; ++b) {
    std::uint32_t& place = next[b - lo];
    const std::uint32_t end = start[b + 1];
    while (place < end) {
      std::uint32_t home = key(at(place));
      if (home == b) {
        ++place;
        continue;
      }
      auto moving = at(place);
      do {
        std::swap(moving, at(next[home - lo]++));
        home = key(moving);
      } while (home != b);
      at(place++) = moving;
    }
  }
}

}  // namespace

BucketGroups::BucketGroups(std::size_t bucket_count, std::size_t most)
    : count(static_cast<std::uint32_t>(std::clamp<std::size_t>(most, 1, std::max<std::size_t>(bucket_count, 1)))),
      buckets(static_cast<std::uint32_t>(std::max<std::size_t>(bucket_count, 1))) {}

NameLayout::NameLayout(const std::vector<EntryList*>& lists) {
  chunk_base_.resize(lists.size());
  for (std::size_t l = 0; l < lists.size(); ++l) {
    for (std::size_t k = 0; k < lists[l]->name_chunk_count(); ++k) {
      // Offsets into the arena are 32 bits wide.
      if (units_ > std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
      chunk_base_[l].push_back(static_cast<std::uint32_t>(units_));
      units_ += lists[l]->NameChunk(k).size();
    }
  }
  if (units_ > std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
}

void GatherNames(const std::vector<EntryList*>& lists, std::u16string& arena) {
  std::size_t released = 0;
  for (EntryList* list : lists) {
    for (std::size_t k = 0; k < list->name_chunk_count(); ++k) {
      const std::u16string_view chunk = list->NameChunk(k);
      arena.append(chunk.data(), chunk.size());
      list->ReleaseNameChunk(k);
      released += (std::size_t{1} << kNameChunkBits) * sizeof(char16_t);
      if (released >= kReleaseStride) {
        ReleaseFreedMemory();
        released = 0;
      }
    }
    list->ReleaseNameChunks();
  }
}

ExtensionMerge MergeExtensions(const std::vector<EntryList*>& lists) {
  ExtensionMerge merged;
  std::unordered_map<std::u16string_view, std::uint32_t> index;
  merged.slot_map.resize(lists.size());
  // Every text is copied before its index is taken: the views point into the
  // lists' names, which are released before the texts are used.
  std::vector<std::u16string> texts;
  for (std::size_t l = 0; l < lists.size(); ++l) {
    const std::vector<std::u16string_view>& extensions = lists[l]->extensions();
    merged.slot_map[l].reserve(extensions.size());
    for (const std::u16string_view text : extensions) {
      const auto [at, added] = index.try_emplace(text, static_cast<std::uint32_t>(merged.texts.size()));
      if (added) merged.texts.emplace_back(text);
      merged.slot_map[l].push_back(at->second);
    }
  }
  return merged;
}

void ConvertList(EntryList& list, std::size_t index, const ConversionContext& context, ListConversion& out) {
  const std::vector<std::uint32_t>& folder_index = *context.folder_index;
  const std::vector<std::uint32_t>& slot_map = context.extensions->slot_map[index];
  const std::vector<bool>* has_overflow = context.has_overflow;
  const NameLayout& names = *context.names;
  std::atomic<std::uint32_t>* counts = context.bucket_counts;
  const BucketGroups& groups = *context.groups;
  out.group_start.assign(groups.count + 2, 0);  // counts first, one place up
  out.extension_totals.assign(slot_map.size(), ExtStat{});
  std::vector<LargestCandidate> changed;  // files the overflow sizes changed, with their new sizes
  for (std::size_t chunk = 0; chunk < list.item_chunk_count(); ++chunk) {
    EntryItem* const first = &list[chunk * EntryList::kItemsPerChunk];
    EntryItem* const last = first + std::min(EntryList::kItemsPerChunk, list.size() - chunk * EntryList::kItemsPerChunk);
    for (EntryItem* item = first; item != last; ++item) {
      if (item->IsFolder()) continue;
      if (has_overflow != nullptr && item->id < has_overflow->size() && (*has_overflow)[item->id]) {
        const auto found = context.overflow->find(item->id);
        if (found != context.overflow->end()) {
          const std::int64_t size = item->size;
          const std::int64_t alloc = item->alloc;
          ApplyOverflow(found->second, *item);
          if (item->size != size || item->alloc != alloc) changed.push_back({item->size, item->id, item->parent});
          if (item->size < size) out.lowered = true;
        }
      }
      ExtStat& totals = out.extension_totals[item->extension];
      totals.total_size = SaturatingAdd(totals.total_size, item->size);
      totals.file_count = SaturatingAdd(totals.file_count, std::int32_t{1});
      item->extension = slot_map[item->extension];
      item->name_offset = names.Place(index, item->name_offset);
      item->name_length &= kNameLengthMask;
      const std::uint32_t bucket = BucketOf(item->parent, folder_index);
      item->parent = bucket;
      counts[bucket].fetch_add(1, std::memory_order_relaxed);
      ++out.group_start[groups.Of(bucket) + 1];
    }
  }

  // The list's best files: those it kept as parsed, the changed ones with
  // their new sizes.
  std::vector<LargestCandidate> best = list.TakeLargest();
  if (!changed.empty()) {
    std::sort(changed.begin(), changed.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    std::erase_if(best, [&](const LargestCandidate& c) {
      return std::binary_search(changed.begin(), changed.end(), c,
                                [](const auto& a, const auto& b) { return a.id < b.id; });
    });
    best.insert(best.end(), changed.begin(), changed.end());
  }
  const auto ranks_before = [](const LargestCandidate& a, const LargestCandidate& b) { return RanksBefore(a, b); };
  if (best.size() > kLargestCandidates) {
    std::nth_element(best.begin(), best.begin() + kLargestCandidates, best.end(), ranks_before);
    best.resize(kLargestCandidates);
  }
  std::sort(best.begin(), best.end(), ranks_before);
  out.largest = std::move(best);

  // The list's items by groups, in place; its folders last.
  out.group_start[groups.count + 1] = static_cast<std::uint32_t>(list.folder_count());
  for (std::size_t g = 0; g <= groups.count; ++g) out.group_start[g + 1] += out.group_start[g];
  DistributeRange([&list](std::uint32_t i) -> EntryItem& { return list[i]; }, out.group_start.data(), 0,
                  groups.count + 1,
                  [&groups](const EntryItem& item) { return item.IsFolder() ? groups.count : groups.Of(item.parent); });
}

void GatherFiles(const std::vector<EntryList*>& lists, const std::vector<ListConversion>& conversions,
                 const BucketGroups& groups, std::vector<FileItem>& files) {
  std::vector<std::size_t> released(lists.size(), 0);  // chunks released so far
  std::size_t freed = 0;
  for (std::uint32_t g = 0; g < groups.count; ++g) {
    for (std::size_t l = 0; l < lists.size(); ++l) {
      EntryList& list = *lists[l];
      const std::size_t begin = conversions[l].group_start[g];
      const std::size_t end = conversions[l].group_start[g + 1];
      // Chunk by chunk, each piece at once.
      for (std::size_t at = begin; at < end;) {
        const std::size_t piece_end = std::min(end, (at / EntryList::kItemsPerChunk + 1) * EntryList::kItemsPerChunk);
        const EntryItem* first = &list[at];
        files.insert(files.end(), AsFileItems(first), AsFileItems(first + (piece_end - at)));
        at = piece_end;
      }
      for (; (released[l] + 1) * EntryList::kItemsPerChunk <= end; ++released[l]) {
        list.ReleaseItemChunk(released[l]);
        freed += EntryList::kItemsPerChunk * sizeof(EntryItem);
      }
      if (freed >= kReleaseStride) {
        ReleaseFreedMemory();
        freed = 0;
      }
    }
  }
}

void DistributeFiles(std::vector<FileItem>& files, const std::vector<std::uint32_t>& bucket_start,
                     const BucketGroups& groups, std::int32_t threads,
                     const std::function<void(std::uint32_t, std::uint32_t)>& after_group) {
  FileItem* items = files.data();
  RunParallel(groups.count, threads, [&](std::size_t g) {
    const std::uint32_t lo = groups.First(static_cast<std::uint32_t>(g));
    const std::uint32_t hi = groups.First(static_cast<std::uint32_t>(g) + 1);
    DistributeRange([items](std::uint32_t i) -> FileItem& { return items[i]; }, bucket_start.data(), lo, hi,
                    [](const FileItem& f) { return f.folder; });
    after_group(lo, hi);
  });
}

}  // namespace tw
