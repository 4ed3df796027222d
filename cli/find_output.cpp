#include "cli/find_output.h"

#include <string>

#include "cli/json_writer.h"
#include "cli/text_table.h"
#include "format/format.h"
#include "format/utf.h"
#include "search/hit_paths.h"

namespace tw {
namespace {

// The widest size text FormatSize writes below 1024 TB ("1023.99 MB") and
// the longest time ("2024/12/31 23:59:59"): the columns start this wide.
constexpr std::size_t kSizeWidth = 10;
constexpr std::size_t kTimeWidth = 19;

std::string SizeText(std::int64_t bytes) {
  return Utf16ToUtf8(FormatSize(static_cast<std::uint64_t>(bytes < 0 ? 0 : bytes)));
}

std::string PadLeft(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string PadRight(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

}  // namespace

void WriteFindLines(const ScanResult& result, const SearchAnswer& answer, std::ostream& out) {
  HitPaths paths(result);
  for (const SearchHit& hit : answer.hits) {
    // Sizes and times are ASCII: their width is their length.
    out << PadLeft(SizeText(HitSize(result, hit)), kSizeWidth) << "  "
        << PadLeft(SizeText(HitAlloc(result, hit)), kSizeWidth) << "  "
        << PadRight(Utf16ToUtf8(FormatFileTime(HitModified(result, hit))), kTimeWidth) << "  "
        << TerminalText(paths.Path(hit)) << '\n';
  }
  out << Utf16ToUtf8(SearchCountLine(answer.totals)) << '\n';
}

void WriteFindJson(const ScanResult& result, const SearchAnswer& answer, std::ostream& out) {
  HitPaths paths(result);
  JsonWriter json(out);
  json.BeginObject();
  json.Key("query");
  json.String(answer.query);
  json.Key("count");
  json.Int(answer.totals.files + answer.totals.folders);
  json.Key("file_count");
  json.Int(answer.totals.files);
  json.Key("folder_count");
  json.Int(answer.totals.folders);
  json.Key("total_size");
  json.Int(answer.totals.file_size);
  json.Key("total_alloc");
  json.Int(answer.totals.file_alloc);
  json.Key("matches");
  json.BeginArray();
  for (const SearchHit& hit : answer.hits) {
    json.BeginObject();
    json.Key("path");
    json.String(paths.Path(hit));
    json.Key("name");
    const std::u16string_view name = HitName(result, hit);
    json.String(std::wstring(name.begin(), name.end()));
    json.Key("type");
    json.String(hit.folder ? "folder" : "file");
    json.Key("size");
    json.Int(HitSize(result, hit));
    json.Key("alloc");
    json.Int(HitAlloc(result, hit));
    json.Key("mtime");
    json.Int(HitModified(result, hit));
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
}

}  // namespace tw
