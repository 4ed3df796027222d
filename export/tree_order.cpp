#include "export/tree_order.h"

#include <span>

namespace tw {

std::vector<const DirNode*> FoldersInPreOrder(const ScanResult& result) {
  std::vector<const DirNode*> order;
  const DirNode* root = result.FindFolder(kRootId);
  if (root == nullptr) return order;
  order.reserve(result.folders.size());
  std::vector<bool> seen(result.folders.size(), false);  // by index into folders
  std::vector<const DirNode*> stack{root};
  seen[FolderIndex(result, *root)] = true;
  while (!stack.empty()) {
    const DirNode* node = stack.back();
    stack.pop_back();
    order.push_back(node);
    // Pushed last to first so that the first child is visited first.
    const std::span<const std::int64_t> children = result.Children(*node);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      const DirNode* child = result.FindFolder(*it);
      if (child == nullptr || *it <= 0 || seen[FolderIndex(result, *child)]) continue;
      seen[FolderIndex(result, *child)] = true;
      stack.push_back(child);
    }
  }
  return order;
}

}  // namespace tw
