#include "views/overview_zoom.h"

#include <algorithm>

#include "texts/texts.h"

namespace tw {
namespace {

// Exact: an id of 0 or below is no folder here (FindFolder would take it for the root).
const DirNode* FolderById(const ScanResult& result, std::int64_t id) {
  return id > 0 ? result.FindFolder(id) : nullptr;
}

bool IsRoot(const ScanResult& result, const DirNode& folder) {
  return !result.folders.empty() && &folder == &result.folders.front();
}

}  // namespace

void OverviewZoom::Reset(const ScanResult& result) {
  path_.clear();
  if (!result.folders.empty())
    path_.push_back(ZoomStep{result.folders.front().id, result.NameText(result.folders.front())});
}

bool OverviewZoom::ZoomTo(const ScanResult& result, std::int64_t id) {
  const DirNode* folder = FolderById(result, id);
  if (folder == nullptr || (!path_.empty() && path_.back().id == id)) return false;
  // Up the tree to the root; a walk longer than the folders there are is a loop.
  std::vector<ZoomStep> steps;
  for (const DirNode* at = folder; at != nullptr; at = FolderById(result, at->tree_parent_id)) {
    if (steps.size() >= result.folders.size()) return false;
    steps.push_back(ZoomStep{at->id, result.NameText(*at)});
    if (IsRoot(result, *at)) {
      path_.assign(steps.rbegin(), steps.rend());
      return true;
    }
  }
  return false;
}

bool OverviewZoom::ZoomOut() {
  if (path_.size() <= 1) return false;
  path_.pop_back();
  return true;
}

bool OverviewZoom::JumpTo(std::size_t part) {
  if (part + 1 >= path_.size()) return false;
  path_.resize(part + 1);
  return true;
}

void OverviewZoom::Rebase(const ScanResult& result) {
  const std::vector<ZoomStep> old = std::move(path_);
  Reset(result);
  if (path_.empty() || old.empty() || old.front() != path_.front()) return;
  for (std::size_t i = 1; i < old.size(); ++i) {
    const DirNode* folder = FolderById(result, old[i].id);
    if (folder == nullptr || folder->tree_parent_id != path_.back().id || IsRoot(result, *folder) ||
        result.NameText(*folder) != old[i].name) {
      break;
    }
    path_.push_back(old[i]);
  }
}

std::wstring OverviewZoom::Text() const {
  std::wstring text;
  for (const ZoomStep& step : path_) {
    if (!text.empty()) text += text::kPathBarSeparator;
    text += step.name;
  }
  return text;
}

}  // namespace tw
