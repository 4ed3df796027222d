#include "cli/result_json.h"

#include <algorithm>
#include <unordered_set>

#include "cli/json_writer.h"

namespace tw {
namespace {

// A file's fields; folder_path is the path of the file's folder.
void WriteFileFields(JsonWriter& json, const FileEntry& file, const std::wstring& folder_path) {
  json.Key("name");
  json.String(file.name);
  json.Key("folder_path");
  json.String(folder_path);
  json.Key("extension");
  json.String(file.extension);
  json.Key("size");
  json.Int(file.size);
  json.Key("alloc");
  json.Int(file.alloc);
  json.Key("id");
  json.Int(file.id);
  json.Key("mtime");
  json.Int(file.mtime);
  json.Key("attributes");
  json.UInt(file.attributes);
}

void WriteFolder(JsonWriter& json, const ScanResult& result, const DirNode& node) {
  json.BeginObject();
  json.Key("id");
  json.Int(node.id);
  json.Key("parent_id");
  json.Int(node.parent_id);
  json.Key("tree_parent_id");
  json.Int(node.tree_parent_id);
  json.Key("name");
  json.String(node.name);
  json.Key("path");
  json.String(BuildFolderPath(result, node.id, result.drive));
  json.Key("total_size");
  json.Int(node.total_size);
  json.Key("total_alloc");
  json.Int(node.total_alloc);
  json.Key("direct_size");
  json.Int(node.direct_size);
  json.Key("direct_alloc");
  json.Int(node.direct_alloc);
  json.Key("direct_file_count");
  json.Int(node.direct_file_count);
  json.Key("total_file_count");
  json.Int(node.total_file_count);
  json.Key("total_folder_count");
  json.Int(node.total_folder_count);
  json.Key("mtime");
  json.Int(node.mtime);
  json.Key("attributes");
  json.UInt(node.attributes);
  json.Key("children");
  json.BeginArray();
  for (const std::int64_t child : node.children) json.Int(child);
  json.EndArray();
  json.EndObject();
}

// The files listed under folder_id, whose path is built once for all of them.
void WriteFilesOf(JsonWriter& json, const ScanResult& result, std::int64_t folder_id,
                  const std::vector<FileEntry>& files) {
  const std::wstring folder_path = BuildFolderPath(result, folder_id, result.drive);
  for (const FileEntry& file : files) {
    json.BeginObject();
    WriteFileFields(json, file, folder_path);
    json.Key("folder_id");
    json.Int(folder_id);
    json.EndObject();
  }
}

}  // namespace

std::vector<const DirNode*> FoldersInPreOrder(const ScanResult& result) {
  std::vector<const DirNode*> order;
  const DirNode* root = result.FindFolder(kRootId);
  if (root == nullptr) return order;
  order.reserve(result.folders.size());
  std::unordered_set<std::int64_t, IdHash> seen;
  std::vector<const DirNode*> stack{root};
  seen.insert(root->id);
  while (!stack.empty()) {
    const DirNode* node = stack.back();
    stack.pop_back();
    order.push_back(node);
    // Pushed last to first so that the first child is visited first.
    for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) {
      const auto found = result.folders.find(*it);
      if (found == result.folders.end() || !seen.insert(*it).second) continue;
      stack.push_back(&found->second);
    }
  }
  return order;
}

void WriteResultJson(const ScanResult& result, const JsonReportOptions& options, std::ostream& out) {
  const std::vector<const DirNode*> folders = FoldersInPreOrder(result);
  JsonWriter json(out);
  json.BeginObject();
  json.Key("drive");
  json.String(result.drive);
  json.Key("elapsed_seconds");
  json.Decimal(result.elapsed_seconds, 6);
  json.Key("file_count");
  json.Int(result.file_count);
  json.Key("folder_count");
  json.Int(result.folder_count);
  json.Key("root_total_size");
  json.Int(result.root_total_size);
  if (result.unreadable_records != 0) {
    json.Key("unreadable_records");
    json.Int(result.unreadable_records);
  }

  json.Key("folders");
  json.BeginArray();
  for (const DirNode* node : folders) WriteFolder(json, result, *node);
  json.EndArray();

  json.Key("extensions");
  json.BeginArray();
  for (const ExtStat& ext : result.extensions) {
    json.BeginObject();
    json.Key("extension");
    json.String(ext.extension);
    json.Key("total_size");
    json.Int(ext.total_size);
    json.Key("file_count");
    json.Int(ext.file_count);
    json.EndObject();
  }
  json.EndArray();

  json.Key("largest_files");
  json.BeginArray();
  const std::size_t top = std::min(result.largest_files.size(), static_cast<std::size_t>(std::max(options.top, 0)));
  IdMap<std::wstring> folder_paths;  // each folder's path built once
  for (std::size_t i = 0; i < top; ++i) {
    const FileEntry& file = result.largest_files[i];
    auto [path, added] = folder_paths.try_emplace(file.folder_id);
    if (added) path->second = BuildFolderPath(result, file.folder_id, result.drive);
    json.BeginObject();
    WriteFileFields(json, file, path->second);
    json.EndObject();
  }
  json.EndArray();

  if (options.files) {
    json.Key("files");
    json.BeginArray();
    std::unordered_set<std::int64_t, IdHash> written;
    for (const DirNode* node : folders) {
      if (const std::vector<FileEntry>* files = result.FindFiles(node->id); files != nullptr) {
        WriteFilesOf(json, result, node->id, *files);
        written.insert(node->id);
      }
    }
    // Lists the tree does not reach (folders on a parent cycle), in id order.
    std::vector<std::int64_t> rest;
    for (const auto& [id, files] : result.files_by_folder) {
      if (written.count(id) == 0) rest.push_back(id);
    }
    std::sort(rest.begin(), rest.end());
    for (const std::int64_t id : rest) WriteFilesOf(json, result, id, result.files_by_folder.at(id));
    json.EndArray();
  }
  json.EndObject();
}

}  // namespace tw
