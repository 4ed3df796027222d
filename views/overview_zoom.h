#pragma once
// Which folder the 全景 page shows: the path from the root down to it, the
// way the path bar names it ("[C:] › Users › alice"). A double-click zooms
// in, Backspace, the mouse's back button or a part of the path bar zooms
// out. The path is kept by folder ids and names, so that it outlives the
// generation it was made in: a new generation keeps as much of it as the
// new result still holds.
//
// Pure logic: no window-system calls. Upward walks follow
// DirNode.tree_parent_id (where a folder hangs in the tree, and so in the
// nested treemap), never parent_id.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/scan_result.h"

namespace tw {

struct ZoomStep {
  std::int64_t id = 0;
  std::wstring name;  // the folder's name; the root's is "[C:]"
  friend bool operator==(const ZoomStep&, const ZoomStep&) = default;
};

class OverviewZoom {
 public:
  // From the root down to the folder shown; empty before the first result.
  const std::vector<ZoomStep>& path() const { return path_; }
  // The folder shown: the path's last, the root before the first result.
  std::int64_t folder_id() const { return path_.empty() ? kRootId : path_.back().id; }

  // The root of the result alone (nothing for a result without folders).
  void Reset(const ScanResult& result);

  // Shows folder `id` of the result: the path becomes the folders from the
  // root down to it. False, and nothing changes, when id is not a folder of
  // the result, is the folder shown, or does not hang below the root (a
  // loop in a damaged result).
  bool ZoomTo(const ScanResult& result, std::int64_t id);

  // One level up; false at the root.
  bool ZoomOut();

  // The path bar's part `part` (0 is the root): the path ends there. False
  // for the folder shown and for a part that is not there.
  bool JumpTo(std::size_t part);

  // A new generation of the result: the path keeps its longest start whose
  // folders the result holds with the same ids and names, each in the tree
  // below the one before; where a folder has gone, the page shows the
  // deepest one left. The root alone when even the root differs (another
  // volume's drive letter).
  void Rebase(const ScanResult& result);

  // The path bar's text: the names joined by " › ".
  std::wstring Text() const;

 private:
  std::vector<ZoomStep> path_;
};

}  // namespace tw
