#include "engine/file_placement.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "base/memory_hints.h"
#include "base/parallel.h"
#include "scan/overflow_sizes.h"

namespace tw {
namespace {

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

// A container reserved for all it will hold that is resized, under a lock,
// as tasks taken in order need its next parts: the pages behind the last
// part in use are never touched. Elements below the size are written by the
// tasks, each its own.
//
// Its pages are the system's ordinary small ones. Large pages were asked
// for here once; on virtual machines that hand free memory back to their
// host, a fresh large page is one the host must fault in and zero anew, and
// a scan that followed a few seconds after the last took twice as long
// (real 1M volume: the stages after the read 0.23 s against 0.09 s).
//
// A block the tasks are done with can give its pages to the part not yet in
// use (TakePages), where the container will grow next: at a million files
// that is most of the 48 MB the files take, which would otherwise each be
// faulted in afresh, under the lock, while the blocks' pages are handed back.
template <typename Container>
class GrowingBehind {
 public:
  explicit GrowingBehind(Container& container) : container_(container), data_(container.data()) {}
  // Makes the container hold at least `size` elements; returns its data.
  auto* Reach(std::size_t size) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (container_.size() < size) {
      // Moving the elements would pull them from under the other tasks.
      if (size > container_.capacity()) throw std::logic_error("grown past what was reserved");
      container_.resize(size);
    }
    return data_;
  }
  // Moves the pages of a block about to be freed behind those taken before,
  // past every element in use.
  void TakePages(void* block, std::size_t bytes) {
    constexpr std::size_t kElement = sizeof(*std::declval<Container&>().data());
    const std::uintptr_t page = PageBytes();
    const auto base = reinterpret_cast<std::uintptr_t>(data_);
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uintptr_t in_use = (base + container_.size() * kElement + page - 1) / page * page;
    const std::uintptr_t end = (base + container_.capacity() * kElement) / page * page;
    const std::uintptr_t at = std::max(in_use, taken_end_);
    // A small container may lie in the heap among other blocks: only a
    // large one has pages of its own.
    if (data_ == nullptr || container_.capacity() * kElement < kLargeBlockBytes || at >= end) return;
    taken_end_ = at + MovePages(block, bytes, reinterpret_cast<void*>(at), end - at);
  }

 private:
  Container& container_;
  decltype(std::declval<Container&>().data()) data_;
  std::uintptr_t taken_end_ = 0;  // where the pages moved in so far end
  std::mutex mutex_;
};

}  // namespace

NameLayout::NameLayout(const std::vector<EntryList*>& lists) {
  first_.reserve(lists.size());
  for (const EntryList* list : lists) {
    // Offsets into the arena are 32 bits wide.
    if (chunks_ + list->name_chunk_count() > NameArena::kMaxChunks) throw std::bad_alloc();
    first_.push_back(static_cast<std::uint32_t>(chunks_ << kNameChunkBits));
    chunks_ += list->name_chunk_count();
  }
}

ExtensionMerge MergeExtensions(const std::vector<EntryList*>& lists) {
  ExtensionMerge merged;
  std::unordered_map<std::u16string_view, std::uint32_t> index;
  merged.slot_map.resize(lists.size());
  // The keys point into the lists' names; the merged texts are copies, as
  // the names are released before the texts are used.
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

std::vector<std::uint32_t> GroupBucketStarts(const ScanResult& result, const ParentGroups& groups) {
  // Folder i (i >= 1) is bucket i + 1; the folders after the root are in
  // record order, so a group's buckets start at its first folder's.
  std::vector<std::uint32_t> first(groups.count + 1, 0);
  const auto folders = result.folders.begin() + 1;
  for (std::uint32_t g = 1; g < groups.count; ++g) {
    const auto at = std::lower_bound(folders, result.folders.end(), groups.First(g),
                                     [](const DirNode& node, std::int64_t id) { return node.id < id; });
    first[g] = static_cast<std::uint32_t>(at - result.folders.begin()) + 1;
  }
  first[groups.count] = static_cast<std::uint32_t>(result.folders.size() + 1);
  return first;
}

ListChunks::ListChunks(const std::vector<EntryList*>& all) : lists(all) {
  if (!lists.empty()) groups = lists.front()->groups().count;
  of_group.resize(lists.size());
  for (std::size_t l = 0; l < lists.size(); ++l) {
    if (lists[l]->groups() != lists.front()->groups()) throw std::logic_error("lists grouped apart");
    of_group[l].resize(groups);
    for (std::size_t k = 0; k < lists[l]->item_chunk_count(); ++k) {
      of_group[l][lists[l]->ChunkGroup(k)].push_back(static_cast<std::uint32_t>(k));
    }
  }
}

void CountFiles(const ListChunks& chunks, const std::vector<std::uint32_t>& folder_index,
                const IdMap<OverflowSizes>* overflow, const std::vector<bool>* has_overflow,
                std::vector<std::uint32_t>& bucket_counts, std::vector<GroupCount>& counts, std::int32_t threads) {
  counts.assign(chunks.groups, GroupCount{});
  RunParallel(chunks.groups, threads, [&](std::size_t g) {
    GroupCount& out = counts[g];
    // A group's buckets are its own: no other group counts into them.
    std::uint32_t* const count = bucket_counts.data();
    for (std::size_t l = 0; l < chunks.lists.size(); ++l) {
      EntryList& list = *chunks.lists[l];
      for (const std::uint32_t k : chunks.of_group[l][g]) {
        EntryItem* const first = list.ChunkItems(k);
        EntryItem* const last = first + list.ChunkFill(k);
        for (EntryItem* item = first; item != last; ++item) {
          if (item->IsFolder()) continue;
          if (has_overflow != nullptr && item->id < has_overflow->size() && (*has_overflow)[item->id]) {
            const auto found = overflow->find(item->id);
            if (found != overflow->end()) {
              const std::int64_t size = item->size;
              const std::int64_t alloc = item->alloc;
              ApplyOverflow(found->second, *item);
              if (item->size != size || item->alloc != alloc) {
                out.resized.push_back({static_cast<std::uint32_t>(l), item->extension, size,
                                       LargestCandidate{item->size, item->id, item->parent}});
              }
            }
          }
          const std::uint32_t bucket = BucketOf(item->parent, folder_index);
          if (bucket == kRootTakenBucket) {
            ++out.taken;
          } else {
            ++count[bucket];
          }
        }
      }
    }
  });
}

void AdoptNames(const std::vector<EntryList*>& lists, NameArena& arena, std::int32_t threads, std::size_t extra_count,
                const std::function<void(std::size_t)>& extra) {
  if (arena.chunk_count() != 0) throw std::logic_error("names handed to an arena in use");
  // A list's chunks are full but for the last few units, apart from its
  // last: that one may be almost empty, and a result of many parse threads
  // would keep half a megabyte unused behind each.
  constexpr std::size_t kRoomKept = 1024;
  struct Fitted {
    std::uint32_t list;
    std::uint32_t chunk;
    std::unique_ptr<char16_t[]> block;
  };
  std::vector<Fitted> fitted;
  for (std::size_t l = 0; l < lists.size(); ++l) {
    for (std::size_t k = 0; k < lists[l]->name_chunk_count(); ++k) {
      if (NameArena::kChunkUnits - lists[l]->NameChunk(k).size() > kRoomKept) {
        fitted.push_back({static_cast<std::uint32_t>(l), static_cast<std::uint32_t>(k), nullptr});
      }
    }
  }
  // The extension indexes point into the names: they go before any chunk
  // does, here on one thread.
  for (EntryList* list : lists) list->ReleaseExtensionIndex();
  RunParallel(extra_count + fitted.size(), threads, [&](std::size_t t) {
    if (t < extra_count) {
      extra(t);
      return;
    }
    Fitted& fit = fitted[t - extra_count];
    const std::u16string_view names = lists[fit.list]->NameChunk(fit.chunk);
    fit.block = std::make_unique_for_overwrite<char16_t[]>(std::max<std::size_t>(names.size(), 1));
    std::copy(names.begin(), names.end(), fit.block.get());
  });
  std::size_t next_fitted = 0;
  for (std::size_t l = 0; l < lists.size(); ++l) {
    EntryList& list = *lists[l];
    for (std::size_t k = 0; k < list.name_chunk_count(); ++k) {
      const auto fill = static_cast<std::uint32_t>(list.NameChunk(k).size());
      if (next_fitted < fitted.size() && fitted[next_fitted].list == l && fitted[next_fitted].chunk == k) {
        arena.Adopt(std::move(fitted[next_fitted++].block), fill, fill);
        list.ReleaseNameChunk(k);
      } else {
        arena.Adopt(list.TakeNameChunk(k), fill, static_cast<std::uint32_t>(NameArena::kChunkUnits));
      }
    }
  }
}

namespace {

// One list's files of one group, in the order the list holds them (chunk by
// chunk).
class GroupStream {
 public:
  GroupStream(const EntryList& list, const std::vector<std::uint32_t>& chunks, std::uint32_t index)
      : list_(&list), chunks_(&chunks), index_(index) {
    NextChunk();
  }
  bool done() const { return at_ == end_; }
  const EntryItem& item() const { return *at_; }
  std::uint32_t index() const { return index_; }
  void Advance() {
    if (++at_ == end_) NextChunk();
  }

 private:
  void NextChunk() {
    while (at_ == end_ && next_ < chunks_->size()) {
      const std::uint32_t k = (*chunks_)[next_++];
      at_ = list_->ChunkItems(k);
      end_ = at_ + list_->ChunkFill(k);
    }
  }
  const EntryList* list_;
  const std::vector<std::uint32_t>* chunks_;
  std::uint32_t index_;
  std::size_t next_ = 0;
  const EntryItem* at_ = nullptr;
  const EntryItem* end_ = nullptr;
};

// Calls take(item, list) for every item of the streams, the item of lowest
// record number first among the streams' next ones (list order on a tie):
// streams in record order, as the parse threads' are, give one stream in
// record order.
template <typename Take>
void MergeStreams(std::vector<GroupStream>& streams, Take take) {
  std::erase_if(streams, [](const GroupStream& s) { return s.done(); });
  const auto after = [](const GroupStream& a, const GroupStream& b) {
    return a.item().id != b.item().id ? a.item().id > b.item().id : a.index() > b.index();
  };
  if (streams.size() <= 4) {
    while (!streams.empty()) {
      std::size_t low = 0;
      for (std::size_t k = 1; k < streams.size(); ++k) {
        if (after(streams[low], streams[k])) low = k;
      }
      take(streams[low].item(), streams[low].index());
      streams[low].Advance();
      if (streams[low].done()) streams.erase(streams.begin() + static_cast<std::ptrdiff_t>(low));
    }
    return;
  }
  std::make_heap(streams.begin(), streams.end(), after);
  while (!streams.empty()) {
    std::pop_heap(streams.begin(), streams.end(), after);
    GroupStream& low = streams.back();
    take(low.item(), low.index());
    low.Advance();
    if (low.done()) {
      streams.pop_back();
    } else {
      std::push_heap(streams.begin(), streams.end(), after);
    }
  }
}

}  // namespace

void PlaceFiles(const ListChunks& chunks, const PlacementContext& context, std::int32_t threads,
                std::vector<FileItem>& files, const std::function<void(std::uint32_t, std::uint32_t)>& after_group) {
  const std::vector<std::uint32_t>& folder_index = *context.folder_index;
  const std::vector<std::uint32_t>& bucket_start = *context.bucket_start;
  const std::vector<std::uint32_t>& group_bucket = *context.group_bucket;
  GrowingBehind<std::vector<FileItem>> grown(files);
  if (context.spare != nullptr) {
    for (SpareBlock& block : *context.spare) grown.TakePages(block.data.get(), block.bytes);
    std::vector<SpareBlock>().swap(*context.spare);
  }
  RunParallel(chunks.groups, threads, [&](std::size_t g) {
    const std::uint32_t lo = group_bucket[g];
    const std::uint32_t hi = group_bucket[g + 1];
    // The root-taken bucket lies before every group's range.
    FileItem* const placed = grown.Reach(bucket_start[hi]);
    std::vector<std::uint32_t> next(bucket_start.begin() + lo, bucket_start.begin() + hi);
    std::uint32_t next_taken = (*context.taken_start)[g];
    std::vector<GroupStream> streams;
    for (std::size_t l = 0; l < chunks.lists.size(); ++l) {
      streams.emplace_back(*chunks.lists[l], chunks.of_group[l][g], static_cast<std::uint32_t>(l));
    }
    // The lists' files merged by record number: each bucket fills in record
    // order when every list holds its files so.
    BucketSums* const sums = context.sums->data();
    MergeStreams(streams, [&](const EntryItem& item, std::uint32_t l) {
      if (item.IsFolder()) return;
      FileItem file = std::bit_cast<FileItem>(item);
      const std::uint32_t bucket = BucketOf(item.parent, folder_index);
      file.folder = bucket <= kRootTakenBucket ? 0 : bucket - 1;
      file.extension = (*context.extension_of)[l][item.extension];
      file.name_offset = context.names->Place(l, item.name_offset);
      file.name_length = item.name_length & kNameLengthMask;
      if (bucket == kRootTakenBucket) {
        placed[next_taken++] = file;
      } else {
        placed[next[bucket - lo]++] = file;
        sums[bucket].Take(file);
      }
    });
    for (std::size_t l = 0; l < chunks.lists.size(); ++l) {
      EntryList& list = *chunks.lists[l];
      for (const std::uint32_t k : chunks.of_group[l][g]) {
        grown.TakePages(list.ChunkItems(k), list.ChunkFill(k) * sizeof(EntryItem));  // the pages written
        list.ReleaseItemChunk(k);
      }
    }
    after_group(lo, hi);
  });
}

}  // namespace tw
