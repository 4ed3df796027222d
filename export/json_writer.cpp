#include "export/json_writer.h"

#include <cmath>
#include <cstdio>

#include "format/utf.h"

namespace tw {

std::string JsonQuote(std::string_view utf8, bool escape_delete) {
  std::string out;
  out.reserve(utf8.size() + 2);
  out.push_back('"');
  for (const char ch : utf8) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || (c == 0x7F && escape_delete)) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
          out += buffer;
        } else {
          out.push_back(ch);
        }
    }
  }
  out.push_back('"');
  return out;
}

void JsonWriter::BeforeValue(bool container) {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  const bool first = level.empty;
  if (!first) out_ << ',';
  level.empty = false;
  if (levels_.size() <= style_.pretty_levels) {
    out_ << '\n' << std::string(levels_.size() * 2, ' ');
  } else if (container && !first && style_.container_per_line) {
    out_ << '\n';
  }
}

void JsonWriter::Close(char bracket) {
  if (levels_.empty()) return;
  const bool had_members = !levels_.back().empty;
  levels_.pop_back();
  if (had_members && levels_.size() < style_.pretty_levels) out_ << '\n' << std::string(levels_.size() * 2, ' ');
  out_ << bracket;
  if (levels_.empty()) out_ << '\n';
}

void JsonWriter::BeginObject() {
  BeforeValue(true);
  out_ << '{';
  levels_.push_back({true, true});
}

void JsonWriter::EndObject() { Close('}'); }

void JsonWriter::BeginArray() {
  BeforeValue(true);
  out_ << '[';
  levels_.push_back({false, true});
}

void JsonWriter::EndArray() { Close(']'); }

void JsonWriter::Key(std::string_view name) {
  BeforeValue();
  out_ << JsonQuote(name, style_.escape_delete) << ':';
  after_key_ = true;
}

void JsonWriter::String(std::string_view utf8) {
  BeforeValue();
  out_ << JsonQuote(utf8, style_.escape_delete);
}

void JsonWriter::String(std::wstring_view utf16) { String(Utf16ToUtf8(utf16)); }

void JsonWriter::Int(std::int64_t value) {
  BeforeValue();
  out_ << std::to_string(value);
}

void JsonWriter::UInt(std::uint64_t value) {
  BeforeValue();
  out_ << std::to_string(value);
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ << (value ? "true" : "false");
}

void JsonWriter::Decimal(double value, int decimals) {
  BeforeValue();
  if (!std::isfinite(value)) value = 0.0;
  char buffer[512];  // room for the widest finite double in fixed notation
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  out_ << buffer;
}

}  // namespace tw
