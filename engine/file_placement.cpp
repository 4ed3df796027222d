#include "engine/file_placement.h"

#include <algorithm>
#include <cstddef>
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
constexpr std::size_t kReleaseStride = std::size_t{64} << 20;

FileItem ToFileItem(const EntryItem& item) {
  FileItem file;
  file.size = item.size;
  file.alloc = item.alloc;
  file.mtime = item.mtime;
  file.id = item.id;
  file.folder = item.parent;
  file.extension = item.extension;
  file.attributes = item.attributes;
  file.name_offset = item.name_offset;
  file.name_length = item.name_length;
  return file;
}

}  // namespace

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
    }
    released += list->name_chunk_count() * (std::size_t{1} << kNameChunkBits) * sizeof(char16_t);
    list->ReleaseNameChunks();
    if (released >= kReleaseStride) {
      ReleaseFreedMemory();
      released = 0;
    }
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
      item->parent = BucketOf(item->parent, folder_index);
      counts[item->parent].fetch_add(1, std::memory_order_relaxed);
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
}

void GatherFiles(const std::vector<EntryList*>& lists, std::vector<FileItem>& files) {
  // The runs of items each window left, in record order.
  struct Run {
    std::int64_t first_record = 0;
    std::size_t list = 0;
    std::size_t begin = 0;
    std::size_t end = 0;
  };
  std::vector<Run> runs;
  for (std::size_t l = 0; l < lists.size(); ++l) {
    std::size_t begin = 0;
    for (const EntryList::WindowMark& mark : lists[l]->marks()) {
      if (mark.end > begin) runs.push_back({mark.first_record, l, begin, mark.end});
      begin = std::max(begin, mark.end);
    }
    if (begin < lists[l]->size()) {
      runs.push_back({std::numeric_limits<std::int64_t>::max(), l, begin, lists[l]->size()});
    }
  }
  std::stable_sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.first_record < b.first_record; });

  // A list's chunks are released once every run of it below them is copied.
  struct Progress {
    std::size_t runs_left = 0;
    std::size_t released = 0;   // chunks released so far
    std::size_t copied_to = 0;  // items copied, from the list's start
  };
  std::vector<Progress> progress(lists.size());
  for (const Run& run : runs) ++progress[run.list].runs_left;
  std::size_t freed = 0;
  for (const Run& run : runs) {
    EntryList& list = *lists[run.list];
    // Chunk by chunk, straight through the items.
    for (std::size_t at = run.begin; at < run.end;) {
      const std::size_t chunk_end = std::min(run.end, (at / EntryList::kItemsPerChunk + 1) * EntryList::kItemsPerChunk);
      const EntryItem* item = &list[at];
      const EntryItem* const last = item + (chunk_end - at);
      for (; item != last; ++item) {
        if (!item->IsFolder()) files.push_back(ToFileItem(*item));
      }
      at = chunk_end;
    }
    // Runs of one list come in its own order when its windows were marked
    // in record order; otherwise its chunks wait for its last run.
    Progress& p = progress[run.list];
    if (run.begin == p.copied_to) p.copied_to = run.end;
    const std::size_t upto = --p.runs_left == 0 ? list.item_chunk_count() : p.copied_to / EntryList::kItemsPerChunk;
    for (; p.released < upto; ++p.released) {
      list.ReleaseItemChunk(p.released);
      freed += EntryList::kItemsPerChunk * sizeof(EntryItem);
    }
    if (freed >= kReleaseStride) {
      ReleaseFreedMemory();
      freed = 0;
    }
  }
}

namespace {

// Moves the items of [start[lo], start[hi]) into their buckets' ranges in
// place (each item's bucket key(item) in [lo, hi)), following each
// displaced item to its place until one that belongs here turns up.
template <typename Key>
void DistributeRange(FileItem* items, const std::uint32_t* start, std::uint32_t lo, std::uint32_t hi, Key key) {
  std::vector<std::uint32_t> next(start + lo, start + hi);
  for (std::uint32_t b = lo; b < hi; ++b) {
    std::uint32_t& at = next[b - lo];
    const std::uint32_t end = start[b + 1];
    while (at < end) {
      std::uint32_t home = key(items[at]);
      if (home == b) {
        ++at;
        continue;
      }
      FileItem moving = items[at];
      do {
        std::swap(moving, items[next[home - lo]++]);
        home = key(moving);
      } while (home != b);
      items[at++] = moving;
    }
  }
}

}  // namespace

void DistributeFiles(std::vector<FileItem>& files, const std::vector<std::uint32_t>& bucket_start,
                     std::int32_t threads, const std::function<void(std::uint32_t, std::uint32_t)>& after_group) {
  const auto buckets = static_cast<std::uint32_t>(bucket_start.size() - 1);
  // Groups of consecutive buckets of about `target` files, at most 1024 of
  // them: the first pass keeps that many places to write, few enough to
  // stay in the caches.
  const std::size_t target = std::max<std::size_t>(files.size() / 1024, 4096);
  std::vector<std::uint32_t> group_bucket{0};  // the first bucket of each group, then the end
  std::vector<std::uint32_t> group_of(buckets);
  for (std::uint32_t b = 0; b < buckets; ++b) {
    if (bucket_start[b] - bucket_start[group_bucket.back()] >= target) group_bucket.push_back(b);
    group_of[b] = static_cast<std::uint32_t>(group_bucket.size() - 1);
  }
  group_bucket.push_back(buckets);
  const auto groups = static_cast<std::uint32_t>(group_bucket.size() - 1);
  std::vector<std::uint32_t> group_start(groups + 1);
  for (std::uint32_t g = 0; g <= groups; ++g) group_start[g] = bucket_start[group_bucket[g]];

  FileItem* items = files.data();
  if (groups > 1) {
    DistributeRange(items, group_start.data(), 0, groups, [&](const FileItem& f) { return group_of[f.folder]; });
  }
  std::vector<std::uint32_t>().swap(group_of);
  RunParallel(groups, threads, [&](std::size_t g) {
    const std::uint32_t lo = group_bucket[g];
    const std::uint32_t hi = group_bucket[g + 1];
    DistributeRange(items, bucket_start.data(), lo, hi, [](const FileItem& f) { return f.folder; });
    after_group(lo, hi);
  });
}

}  // namespace tw
