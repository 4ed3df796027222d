#pragma once
// A small streaming JSON encoder: UTF-8 out, 64-bit integers written in full,
// no floating point except where a caller asks for a fixed decimal number.
// Containers up to the second level put each member on its own line; deeper
// ones are written compactly, so a file list of a million entries is a million
// short lines.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// The JSON string literal of UTF-8 text, quotes included: '"' and '\' are
// escaped, control characters below 0x20 become \n, \t, ... or \u00XX (and
// so does DEL when escape_delete is set), and everything else (multi-byte
// UTF-8 included) is copied unchanged.
std::string JsonQuote(std::string_view utf8, bool escape_delete = false);

// How a JsonWriter lays its output out. The default is described above.
struct JsonStyle {
  // Containers nested up to this depth put each member on its own line,
  // indented by two blanks a level.
  std::size_t pretty_levels = 2;
  // Below those levels, every object or array that is not the first member
  // of its container starts a new line, unindented: one entry per line
  // however deep the nesting, and no indentation that grows with it.
  bool container_per_line = false;
  // DEL (0x7F) written as \u007f, for readers that refuse it raw.
  bool escape_delete = false;
};

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out, JsonStyle style = {}) : out_(out), style_(style) {}

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The name of the next member of the current object.
  void Key(std::string_view name);

  void String(std::string_view utf8);
  void String(std::wstring_view utf16);  // UTF-16 units; lone surrogates become U+FFFD
  void Int(std::int64_t value);
  void UInt(std::uint64_t value);
  void Bool(bool value);
  // Fixed-point with the given decimals ("%.*f"); NaN and infinities write 0.
  void Decimal(double value, int decimals);

 private:
  struct Level {
    bool is_object = false;
    bool empty = true;
  };
  void BeforeValue(bool container = false);
  void Close(char bracket);

  std::ostream& out_;
  JsonStyle style_;
  std::vector<Level> levels_;
  bool after_key_ = false;
};

}  // namespace tw
