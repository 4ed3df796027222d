#include "export/result_json.h"

#include <algorithm>
#include <span>
#include <string>

#include "export/json_writer.h"
#include "export/tree_order.h"

namespace tw {
namespace {

// A file's fields; folder_path is the path of the file's folder.
void WriteFileFields(JsonWriter& json, const ScanResult& result, const FileItem& file,
                     const std::wstring& folder_path) {
  json.Key("name");
  json.String(result.NameText(file));
  json.Key("folder_path");
  json.String(folder_path);
  json.Key("extension");
  json.String(result.Extension(file));
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
  json.String(result.NameText(node));
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
  for (const std::int64_t child : result.Children(node)) json.Int(child);
  json.EndArray();
  json.EndObject();
}

// The files of a folder, whose path is built once for all of them.
void WriteFilesOf(JsonWriter& json, const ScanResult& result, const DirNode& folder) {
  const std::span<const FileItem> files = result.Files(folder);
  if (files.empty()) return;
  const std::wstring folder_path = BuildFolderPath(result, folder.id, result.drive);
  for (const FileItem& file : files) {
    json.BeginObject();
    WriteFileFields(json, result, file, folder_path);
    json.Key("folder_id");
    json.Int(folder.id);
    json.EndObject();
  }
}

}  // namespace

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
    if (result.largest_files[i] >= result.files.size()) continue;
    const FileItem& file = result.files[result.largest_files[i]];
    const std::int64_t folder_id = result.FolderId(file);
    auto [path, added] = folder_paths.try_emplace(folder_id);
    if (added) path->second = BuildFolderPath(result, folder_id, result.drive);
    json.BeginObject();
    WriteFileFields(json, result, file, path->second);
    json.EndObject();
  }
  json.EndArray();

  if (options.files) {
    json.Key("files");
    json.BeginArray();
    std::vector<bool> written(result.folders.size(), false);  // by index into folders
    for (const DirNode* node : folders) {
      WriteFilesOf(json, result, *node);
      written[FolderIndex(result, *node)] = true;
    }
    // Folders the tree does not reach (a hand-made result may hold them; a
    // scan's tree reaches every folder), in id order.
    std::vector<const DirNode*> rest;
    for (std::size_t k = 0; k < result.folders.size(); ++k) {
      if (!written[k] && result.folders[k].file_count != 0) rest.push_back(&result.folders[k]);
    }
    std::sort(rest.begin(), rest.end(), [](const DirNode* a, const DirNode* b) { return a->id < b->id; });
    for (const DirNode* node : rest) WriteFilesOf(json, result, *node);
    json.EndArray();
  }
  json.EndObject();
}

}  // namespace tw
