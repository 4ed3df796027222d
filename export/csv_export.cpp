#include "export/csv_export.h"

#include <charconv>
#include <cstring>
#include <iterator>
#include <unordered_map>

#include "export/tree_order.h"
#include "format/format.h"
#include "format/utf.h"
#include "texts/texts.h"

namespace tw {
namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kLineEnd[] = "\r\n";
constexpr char kReplacement[] = "\xEF\xBF\xBD";
// Rows are gathered into pieces of this size before they are written.
constexpr std::size_t kPieceBytes = 1 << 18;

// What a spreadsheet would read as the start of a formula.
bool StartsFormula(std::string_view field) {
  if (field.empty()) return false;
  switch (field.front()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
      return true;
    default:
      return false;
  }
}

// A name's UTF-8 (lone surrogates as U+FFFD) into `text`, with NUL as U+FFFD
// too: a NUL ends the cell early in many readers.
void NameText(std::u16string_view units, std::string& text) {
  text.clear();
  AppendUtf8(text, units);
  if (std::memchr(text.data(), '\0', text.size()) == nullptr) return;
  std::string clean;
  for (const char c : text) {
    if (c == '\0') {
      clean += kReplacement;
    } else {
      clean += c;
    }
  }
  text.swap(clean);
}

void AppendNumber(std::string& row, std::int64_t value) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  AppendCsvField(row, std::string_view(digits, static_cast<std::size_t>(end.ptr - digits)));
}

// The texts every row repeats, each made once.
class RowTexts {
 public:
  const std::string folder_type = Utf16ToUtf8(text::kCsvFolder);
  const std::string file_type = Utf16ToUtf8(text::kCsvFile);

  const std::string& Attributes(std::uint32_t bits) {
    auto [it, added] = attributes_.try_emplace(bits);
    if (added) it->second = Utf16ToUtf8(FormatAttributes(bits));
    return it->second;
  }

 private:
  std::unordered_map<std::uint32_t, std::string> attributes_;
};

// One row: path, name, type, size, allocated, modified, attributes.
void AppendRow(std::string& out, std::string_view path, std::string_view name, const std::string& type,
               std::int64_t size, std::int64_t alloc, std::int64_t mtime, const std::string& attributes) {
  AppendCsvField(out, path);
  out += ',';
  AppendCsvField(out, name);
  out += ',';
  AppendCsvField(out, type);
  out += ',';
  AppendNumber(out, size);
  out += ',';
  AppendNumber(out, alloc);
  out += ',';
  AppendIsoLocalTime(out, mtime);  // digits and -T:+ only: never quoted, never a formula
  out += ',';
  AppendCsvField(out, attributes);
  out += kLineEnd;
}

std::string HeaderRow() {
  const wchar_t* const columns[] = {text::kColumnPath,      text::kColumnName,      text::kColumnType,
                                    text::kColumnSize,      text::kColumnAllocated, text::kColumnModified,
                                    text::kColumnAttributes};
  std::string row = kByteOrderMark;
  for (std::size_t k = 0; k < std::size(columns); ++k) {
    if (k > 0) row += ',';
    AppendCsvField(row, Utf16ToUtf8(columns[k]));
  }
  return row + kLineEnd;
}

}  // namespace

void AppendCsvField(std::string& row, std::string_view utf8) {
  const bool guarded = StartsFormula(utf8);
  bool quoted = false;
  for (const char c : utf8) {
    if (c == ',' || c == '"' || c == '\r' || c == '\n') {
      quoted = true;
      break;
    }
  }
  if (quoted) row += '"';
  if (guarded) row += '\'';
  if (!quoted) {
    row += utf8;
    return;
  }
  // Quotes doubled: the runs between them copied whole.
  std::size_t start = 0;
  for (std::size_t quote = utf8.find('"'); quote != std::string_view::npos; quote = utf8.find('"', quote + 1)) {
    row.append(utf8.substr(start, quote + 1 - start));
    row += '"';
    start = quote + 1;
  }
  row.append(utf8.substr(start));
  row += '"';
}

void WriteCsvExport(const ScanResult& result, std::ostream& out) {
  RowTexts texts;
  std::string piece = HeaderRow();
  piece.reserve(kPieceBytes + 4096);
  std::string file_path, name;
  for (const DirNode* folder : FoldersInPreOrder(result)) {
    const std::string path = Utf16ToUtf8(BuildFolderPath(result, folder->id, result.drive));
    NameText(result.Name(*folder), name);
    AppendRow(piece, path, name, texts.folder_type, folder->total_size, folder->total_alloc, folder->mtime,
              texts.Attributes(folder->attributes));
    // A file's path is its folder's and its name, one separator between.
    const std::size_t prefix = path.size() + (path.empty() || path.back() != '\\' ? 1 : 0);
    file_path = path;
    file_path.resize(prefix, '\\');
    for (const FileItem& file : result.Files(*folder)) {
      NameText(result.Name(file), name);
      file_path.resize(prefix);
      file_path += name;
      AppendRow(piece, file_path, name, texts.file_type, file.size, file.alloc, file.mtime,
                texts.Attributes(file.attributes));
      if (piece.size() >= kPieceBytes) {
        out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        piece.clear();
        if (!out) return;
      }
    }
  }
  out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
}

}  // namespace tw
