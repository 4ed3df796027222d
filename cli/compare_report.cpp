#include "cli/compare_report.h"

#include <vector>

#include "base/arithmetic.h"
#include "base/drive_letter.h"
#include "export/json_writer.h"
#include "cli/text_table.h"
#include "format/format.h"
#include "format/utf.h"
#include "texts/texts.h"

namespace tw {
namespace {

std::string Utf8(const std::wstring& text) { return Utf16ToUtf8(text); }

std::string Size(std::int64_t bytes) { return Utf8(FormatSize(static_cast<std::uint64_t>(std::max<std::int64_t>(bytes, 0)))); }

const wchar_t* StatusText(const ComparedFolder& f) {
  if (f.old_folder == kNoSide) return text::kCompareAdded;
  if (f.new_folder == kNoSide) return text::kCompareRemoved;
  return L"";
}

const char* StatusKey(const ComparedFolder& f) {
  if (f.old_folder == kNoSide) return "added";
  if (f.new_folder == kNoSide) return "removed";
  return "kept";
}

// Every folder down to `depth` in the order the report shows them: each
// folder, then (when it holds files directly) its "[直接文件]" row, then its
// children by growth; a negative entry -1 - i stands for folder i's
// "[直接文件]" row.
std::vector<std::int64_t> RowsInOrder(const ComparedScans& scans, std::int32_t depth) {
  std::vector<std::int64_t> rows;
  std::vector<std::uint32_t> stack{0};
  while (!stack.empty()) {
    const std::uint32_t at = stack.back();
    stack.pop_back();
    const ComparedFolder& f = scans.folders[at];
    rows.push_back(at);
    if (f.depth >= depth) continue;
    if (f.has_direct_files()) rows.push_back(-1 - static_cast<std::int64_t>(at));
    for (auto it = f.children.rbegin(); it != f.children.rend(); ++it) stack.push_back(*it);
  }
  return rows;
}

std::string FolderTable(const ComparedScans& scans, std::int32_t depth) {
  TextTable table({Align::kLeft, Align::kRight, Align::kRight, Align::kRight, Align::kRight, Align::kRight,
                   Align::kRight, Align::kRight, Align::kLeft});
  table.AddRow({Utf8(text::kColumnFolder), Utf8(text::kColumnSize), Utf8(text::kCompareBefore),
                Utf8(text::kCompareChange), Utf8(text::kColumnAllocated), Utf8(text::kCompareBefore),
                Utf8(text::kCompareChange), Utf8(text::kCompareFilesAdded), Utf8(text::kCompareFilesRemoved)});
  for (const std::int64_t row : RowsInOrder(scans, depth)) {
    const bool direct = row < 0;
    const ComparedFolder& f = scans.folders[static_cast<std::size_t>(direct ? -1 - row : row)];
    const std::int32_t level = std::min(f.depth + (direct ? 1 : 0), 32);
    std::string name(static_cast<std::size_t>(level) * 2, ' ');
    if (direct) {
      name += Utf8(text::kDirectFiles);
      table.AddRow({name, Size(f.new_direct_size), Size(f.old_direct_size),
                    SizeChangeText(SaturatingSub(f.new_direct_size, f.old_direct_size)), Size(f.new_direct_alloc),
                    Size(f.old_direct_alloc), SizeChangeText(f.direct_alloc_change()),
                    std::to_string(f.direct_files_added), std::to_string(f.direct_files_removed)});
      continue;
    }
    name += TerminalText(f.depth == 0 ? RootName(scans.new_scan->drive) : ComparedName(scans, f));
    if (const std::wstring status = StatusText(f); !status.empty()) name += " (" + Utf8(status) + ")";
    table.AddRow({name, Size(f.new_size), Size(f.old_size), SizeChangeText(f.size_change()), Size(f.new_alloc),
                  Size(f.old_alloc), SizeChangeText(f.alloc_change()), std::to_string(f.files_added),
                  std::to_string(f.files_removed)});
  }
  return table.Render();
}

std::string FileTable(const ComparedScans& scans, const std::vector<ComparedFile>& files, bool both_sizes) {
  std::vector<Align> aligns{Align::kLeft, Align::kRight};
  std::vector<std::string> header{Utf8(text::kColumnFileName), Utf8(text::kColumnSize)};
  if (both_sizes) {
    aligns.insert(aligns.end(), {Align::kRight, Align::kRight});
    header.insert(header.end(), {Utf8(text::kCompareBefore), Utf8(text::kCompareChange)});
  }
  aligns.push_back(Align::kLeft);
  header.push_back(Utf8(text::kColumnPath));
  TextTable table(aligns);
  table.AddRow(header);
  for (const ComparedFile& file : files) {
    const bool gone = file.new_file == kNoSide;
    std::vector<std::string> cells{TerminalText(ComparedFileName(scans, file)), Size(gone ? file.old_size : file.new_size)};
    if (both_sizes) cells.insert(cells.end(), {Size(file.old_size), SizeChangeText(SaturatingSub(file.new_size, file.old_size))});
    cells.push_back(TerminalText(ComparedPath(scans, file.folder)));
    table.AddRow(std::move(cells));
  }
  return table.Render();
}

std::string ExtensionChangeTable(const ComparedScans& scans) {
  TextTable table({Align::kLeft, Align::kRight, Align::kRight, Align::kRight, Align::kRight, Align::kRight});
  table.AddRow({Utf8(text::kColumnExtension), Utf8(text::kColumnSize), Utf8(text::kCompareBefore),
                Utf8(text::kCompareChange), Utf8(text::kColumnFileCount), Utf8(text::kCompareBefore)});
  for (const ComparedExtension& e : scans.extensions) {
    table.AddRow({TerminalText(e.extension.empty() ? std::wstring(text::kNoExtension) : e.extension),
                  Size(e.new_size), Size(e.old_size), SizeChangeText(SaturatingSub(e.new_size, e.old_size)),
                  std::to_string(e.new_files), std::to_string(e.old_files)});
  }
  return table.Render();
}

void WriteSide(JsonWriter& json, const ScanResult& r) {
  json.BeginObject();
  json.Key("drive");
  json.String(r.drive);
  json.Key("scanned_at");
  json.Int(r.scanned_at);
  json.Key("volume_serial");
  json.UInt(r.volume_serial);
  json.Key("file_count");
  json.Int(r.file_count);
  json.Key("folder_count");
  json.Int(r.folder_count);
  json.Key("root_total_size");
  json.Int(r.root_total_size);
  json.EndObject();
}

void WriteFiles(JsonWriter& json, const ComparedScans& scans, const char* key, const std::vector<ComparedFile>& files) {
  json.Key(key);
  json.BeginArray();
  for (const ComparedFile& file : files) {
    json.BeginObject();
    json.Key("path");
    json.String(ComparedFilePath(scans, file));
    json.Key("old_size");
    json.Int(file.old_size);
    json.Key("new_size");
    json.Int(file.new_size);
    json.Key("old_alloc");
    json.Int(file.old_alloc);
    json.Key("new_alloc");
    json.Int(file.new_alloc);
    json.EndObject();
  }
  json.EndArray();
}

}  // namespace

std::string SizeChangeText(std::int64_t change) { return Utf8(FormatSizeChange(change, L'-')); }

void WriteCompareReport(const ComparedScans& scans, std::int32_t depth, std::ostream& out) {
  const ComparedFolder& root = scans.folders[0];
  out << Utf8(text::kCompareLead) << SizeChangeText(root.size_change()) << Utf8(text::kCompareAllocated)
      << SizeChangeText(root.alloc_change()) << " · " << root.files_added << Utf8(text::kCompareAddedCount)
      << root.files_removed << Utf8(text::kCompareRemovedCount) << "\n\n"
      << FolderTable(scans, depth) << '\n'
      << Utf8(text::kCompareAddedFiles) << '\n' << FileTable(scans, scans.added, false) << '\n'
      << Utf8(text::kCompareRemovedFiles) << '\n' << FileTable(scans, scans.removed, false) << '\n'
      << Utf8(text::kCompareResizedFiles) << '\n' << FileTable(scans, scans.resized, true) << '\n'
      << Utf8(text::kCompareExtensions) << '\n' << ExtensionChangeTable(scans);
}

void WriteCompareJson(const ComparedScans& scans, std::int32_t depth, std::ostream& out) {
  JsonWriter json(out);
  json.BeginObject();
  json.Key("old");
  WriteSide(json, *scans.old_scan);
  json.Key("new");
  WriteSide(json, *scans.new_scan);
  json.Key("same_volume");
  json.Bool(scans.same_volume);
  json.Key("folders");
  json.BeginArray();
  for (const std::int64_t row : RowsInOrder(scans, depth)) {
    if (row < 0) continue;  // the direct files are fields of their folder
    const ComparedFolder& f = scans.folders[static_cast<std::size_t>(row)];
    json.BeginObject();
    json.Key("path");
    json.String(ComparedPath(scans, static_cast<std::uint32_t>(row)));
    json.Key("status");
    json.String(std::string_view(StatusKey(f)));
    json.Key("depth");
    json.Int(f.depth);
    json.Key("old_size");
    json.Int(f.old_size);
    json.Key("new_size");
    json.Int(f.new_size);
    json.Key("old_alloc");
    json.Int(f.old_alloc);
    json.Key("new_alloc");
    json.Int(f.new_alloc);
    json.Key("old_direct_size");
    json.Int(f.old_direct_size);
    json.Key("new_direct_size");
    json.Int(f.new_direct_size);
    json.Key("files_added");
    json.Int(f.files_added);
    json.Key("files_removed");
    json.Int(f.files_removed);
    json.Key("direct_files_added");
    json.Int(f.direct_files_added);
    json.Key("direct_files_removed");
    json.Int(f.direct_files_removed);
    json.EndObject();
  }
  json.EndArray();
  WriteFiles(json, scans, "added_files", scans.added);
  WriteFiles(json, scans, "removed_files", scans.removed);
  WriteFiles(json, scans, "resized_files", scans.resized);
  json.Key("extensions");
  json.BeginArray();
  for (const ComparedExtension& e : scans.extensions) {
    json.BeginObject();
    json.Key("extension");
    json.String(e.extension);
    json.Key("old_size");
    json.Int(e.old_size);
    json.Key("new_size");
    json.Int(e.new_size);
    json.Key("old_files");
    json.Int(e.old_files);
    json.Key("new_files");
    json.Int(e.new_files);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  out << '\n';
}

}  // namespace tw
