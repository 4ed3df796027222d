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
// escaped, control characters below 0x20 become \n, \t, ... or \u00XX, and
// everything else (multi-byte UTF-8 included) is copied unchanged.
std::string JsonQuote(std::string_view utf8);

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

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
  // Fixed-point with the given decimals ("%.*f"); NaN and infinities write 0.
  void Decimal(double value, int decimals);

 private:
  struct Level {
    bool is_object = false;
    bool empty = true;
  };
  void BeforeValue();
  void Close(char bracket);

  std::ostream& out_;
  std::vector<Level> levels_;
  bool after_key_ = false;
};

}  // namespace tw
