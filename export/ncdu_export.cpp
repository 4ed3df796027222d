#include "export/ncdu_export.h"

#include <span>
#include <string_view>
#include <vector>

#include "export/json_writer.h"
#include "export/tree_order.h"
#include "format/utf.h"

namespace tw {
namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr wchar_t kReplacement = 0xFFFD;

// The name as ncdu can take it: a NUL would end it early on import, and an
// empty name is refused.
std::wstring ExportName(std::u16string_view units) {
  std::wstring name = WideText(units);
  for (wchar_t& unit : name) {
    if (unit == 0) unit = kReplacement;
  }
  if (name.empty()) name.assign(1, kReplacement);
  return name;
}

void WriteCommonFields(JsonWriter& json, std::int64_t id, std::int64_t mtime) {
  json.Key("ino");
  json.Int(id);
  if (const std::optional<std::int64_t> seconds = UnixSecondsOf(mtime)) {
    json.Key("mtime");
    json.Int(*seconds);
  }
}

void WriteFile(JsonWriter& json, const ScanResult& result, const FileItem& file) {
  json.BeginObject();
  json.Key("name");
  json.String(ExportName(result.Name(file)));
  // ncdu reads only sizes of 0 or more; a record can claim anything.
  json.Key("asize");
  json.Int(file.size > 0 ? file.size : 0);
  json.Key("dsize");
  json.Int(file.alloc > 0 ? file.alloc : 0);
  WriteCommonFields(json, file.id, file.mtime);
  json.EndObject();
}

// Opens the folder's array and writes its info object and its files.
void BeginFolder(JsonWriter& json, const ScanResult& result, const DirNode& folder, const std::string* name) {
  json.BeginArray();
  json.BeginObject();
  json.Key("name");
  if (name != nullptr) {
    json.String(*name);
  } else {
    json.String(ExportName(result.Name(folder)));
  }
  WriteCommonFields(json, folder.id, folder.mtime);
  json.EndObject();
  for (const FileItem& file : result.Files(folder)) WriteFile(json, result, file);
}

}  // namespace

std::optional<std::int64_t> UnixSecondsOf(std::int64_t filetime) {
  const std::int64_t seconds = filetime / kTicksPerSecond - kSecondsFrom1601To1970;
  if (seconds <= 0) return std::nullopt;
  return seconds;
}

std::string NcduRootName(const ScanResult& result) {
  if (result.drive.empty()) return "/";
  return Utf16ToUtf8(result.drive) + ":";
}

void WriteNcduExport(const ScanResult& result, const NcduExportOptions& options, std::ostream& out) {
  JsonStyle style;
  style.pretty_levels = 0;
  style.container_per_line = true;
  style.escape_delete = true;  // ncdu refuses a raw DEL inside a string
  JsonWriter json(out, style);
  json.BeginArray();
  json.Int(1);
  json.Int(2);
  json.BeginObject();
  json.Key("progname");
  json.String(options.progname);
  json.Key("progver");
  json.String(options.progver);
  json.Key("timestamp");
  json.Int(options.timestamp);
  json.EndObject();

  const DirNode* root = result.FindFolder(kRootId);
  if (root == nullptr) {
    // No tree: an empty root, so that the document is still whole.
    json.BeginArray();
    json.BeginObject();
    json.Key("name");
    json.String(NcduRootName(result));
    json.EndObject();
    json.EndArray();
    json.EndArray();
    return;
  }

  // The open folders, each with the position of its next child.
  struct Open {
    const DirNode* folder;
    std::size_t next_child;
  };
  std::vector<bool> seen(result.folders.size(), false);  // by index into folders
  std::vector<Open> open;
  const std::string root_name = NcduRootName(result);
  seen[FolderIndex(result, *root)] = true;
  BeginFolder(json, result, *root, &root_name);
  open.push_back({root, 0});
  while (!open.empty() && out) {
    Open& top = open.back();
    const std::span<const std::int64_t> children = result.Children(*top.folder);
    if (top.next_child == children.size()) {
      json.EndArray();
      open.pop_back();
      continue;
    }
    const std::int64_t id = children[top.next_child++];
    const DirNode* child = id > 0 ? result.FindFolder(id) : nullptr;
    if (child == nullptr || seen[FolderIndex(result, *child)]) continue;
    seen[FolderIndex(result, *child)] = true;
    BeginFolder(json, result, *child, nullptr);
    open.push_back({child, 0});  // `top` may dangle from here
  }
  json.EndArray();
}

}  // namespace tw
