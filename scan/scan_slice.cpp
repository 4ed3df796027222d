#include "scan/scan_slice.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace tw {
namespace {

template <typename T>
void AppendMoved(std::vector<T>& into, std::vector<T>&& from) {
  if (into.empty()) {
    into = std::move(from);
  } else {
    into.insert(into.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
  }
  std::vector<T>().swap(from);
}

}  // namespace

void MergeKeptRecords(ScanSlice& aggregate, ScanSlice& other) {
  if (aggregate.overflow_sizes.empty()) {
    aggregate.overflow_sizes = std::move(other.overflow_sizes);
  } else {
    // Maxima against entries that start at zero.
    for (const auto& [id, sizes] : other.overflow_sizes) {
      OverflowSizes& target = aggregate.overflow_sizes[id];
      target.size = std::max(target.size, sizes.size);
      target.alloc = std::max(target.alloc, sizes.alloc);
      target.wof_tagged = target.wof_tagged || sizes.wof_tagged;
      target.wof_alloc = std::max(target.wof_alloc, sizes.wof_alloc);
    }
  }
  IdMap<OverflowSizes>().swap(other.overflow_sizes);
  AppendMoved(aggregate.extension_records, std::move(other.extension_records));
  AppendMoved(aggregate.pending, std::move(other.pending));
}

void Merge(ScanSlice& aggregate, ScanSlice&& other) {
  aggregate.entries.Append(std::move(other.entries));
  MergeKeptRecords(aggregate, other);
}

}  // namespace tw
