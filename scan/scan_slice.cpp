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

void Merge(ScanSlice& aggregate, ScanSlice&& other) {
  aggregate.entries.Append(std::move(other.entries));
  // Maxima against entries that start at zero, so no move shortcut here.
  for (const auto& [id, sizes] : other.overflow_sizes) {
    OverflowSizes& target = aggregate.overflow_sizes[id];
    target.size = std::max(target.size, sizes.size);
    target.alloc = std::max(target.alloc, sizes.alloc);
  }
  IdMap<OverflowSizes>().swap(other.overflow_sizes);
  AppendMoved(aggregate.extension_records, std::move(other.extension_records));
  AppendMoved(aggregate.pending, std::move(other.pending));
}

}  // namespace tw
