#include "export/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

namespace tw {
namespace {

TEST(JsonQuote, EscapesQuotesBackslashesAndControlCharactersOnly) {
  EXPECT_EQ(JsonQuote("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonQuote("\n\r\t\b\f"), "\"\\n\\r\\t\\b\\f\"");
  EXPECT_EQ(JsonQuote(std::string("\x01\x1f", 2)), "\"\\u0001\\u001f\"");
  EXPECT_EQ(JsonQuote(std::string("a\0b", 3)), "\"a\\u0000b\"");
  EXPECT_EQ(JsonQuote("/\x7f"), "\"/\x7f\"");
  EXPECT_EQ(JsonQuote("文件夹 ·"), "\"文件夹 ·\"");  // multi-byte UTF-8 as it is
}

// Every string the writer produces must read back unchanged through an
// independent parser, whatever characters a file name holds.
TEST(JsonWriter, StringsRoundTripThroughAParser) {
  std::string every_byte;
  for (int c = 1; c < 0x80; ++c) every_byte.push_back(static_cast<char>(c));
  const std::wstring names[] = {L"plain", L"引号\"和\\反斜杠", std::wstring(L"nul\0inside", 10),
                                std::wstring{0xD83D, 0xDE00}};
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginArray();
  json.String(every_byte);
  for (const std::wstring& name : names) json.String(name);
  json.EndArray();

  const nlohmann::json parsed = nlohmann::json::parse(out.str());
  ASSERT_EQ(parsed.size(), 5u);
  EXPECT_EQ(parsed[0].get<std::string>(), every_byte);
  EXPECT_EQ(parsed[1].get<std::string>(), "plain");
  EXPECT_EQ(parsed[2].get<std::string>(), "引号\"和\\反斜杠");
  EXPECT_EQ(parsed[3].get<std::string>(), std::string("nul\0inside", 10));
  EXPECT_EQ(parsed[4].get<std::string>(), "\xF0\x9F\x98\x80");  // the pair becomes one code point
}

TEST(JsonWriter, SixtyFourBitIntegersAreWrittenInFull) {
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginObject();
  json.Key("min");
  json.Int(std::numeric_limits<std::int64_t>::min());
  json.Key("max");
  json.Int(std::numeric_limits<std::int64_t>::max());
  json.Key("umax");
  json.UInt(std::numeric_limits<std::uint32_t>::max());
  json.EndObject();
  EXPECT_NE(out.str().find("9223372036854775807"), std::string::npos);
  EXPECT_EQ(out.str().find('e'), std::string::npos);
  const nlohmann::json parsed = nlohmann::json::parse(out.str());
  EXPECT_EQ(parsed["min"].get<std::int64_t>(), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(parsed["max"].get<std::int64_t>(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(parsed["umax"].get<std::uint32_t>(), 4294967295u);
}

TEST(JsonWriter, DecimalIsPlainFixedPoint) {
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginArray();
  json.Decimal(0.00001, 6);
  json.Decimal(1234567.5, 3);
  json.Decimal(std::nan(""), 6);
  json.Decimal(std::numeric_limits<double>::infinity(), 2);
  json.Decimal(1e300, 1);
  json.EndArray();
  const std::string text = out.str();
  EXPECT_NE(text.find("0.000010"), std::string::npos);
  EXPECT_NE(text.find("1234567.500"), std::string::npos);
  EXPECT_EQ(text.find("nan"), std::string::npos);
  EXPECT_EQ(text.find("inf"), std::string::npos);
  EXPECT_EQ(text.find('e'), std::string::npos);
  const nlohmann::json parsed = nlohmann::json::parse(text);
  EXPECT_DOUBLE_EQ(parsed[2].get<double>(), 0.0);
  EXPECT_DOUBLE_EQ(parsed[3].get<double>(), 0.0);
  EXPECT_DOUBLE_EQ(parsed[4].get<double>(), 1e300);
}

TEST(JsonWriter, NestedContainersAndEmptyOnesAreValid) {
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginObject();
  json.Key("empty_array");
  json.BeginArray();
  json.EndArray();
  json.Key("empty_object");
  json.BeginObject();
  json.EndObject();
  json.Key("deep");
  json.BeginArray();
  json.BeginObject();
  json.Key("list");
  json.BeginArray();
  json.Int(1);
  json.Int(2);
  json.EndArray();
  json.EndObject();
  json.EndArray();
  json.EndObject();
  const nlohmann::json parsed = nlohmann::json::parse(out.str());
  EXPECT_TRUE(parsed["empty_array"].empty());
  EXPECT_TRUE(parsed["empty_object"].is_object());
  EXPECT_EQ(parsed["deep"][0]["list"], nlohmann::json::array({1, 2}));
  // Members of the top two levels start lines; deeper containers stay on one.
  EXPECT_NE(out.str().find("\n    {\"list\":[1,2]}"), std::string::npos) << out.str();
  EXPECT_EQ(out.str().back(), '\n');
}

TEST(JsonWriter, LinePerContainerStyleStartsEveryEntryOnAnUnindentedLine) {
  std::ostringstream out;
  JsonStyle style;
  style.pretty_levels = 0;
  style.container_per_line = true;
  style.escape_delete = true;
  JsonWriter json(out, style);
  json.BeginArray();
  json.Int(1);
  json.BeginArray();
  json.BeginObject();
  json.Key("k\x7f");
  json.String("v\x7f");
  json.EndObject();
  json.BeginObject();
  json.EndObject();
  json.BeginArray();
  json.BeginArray();
  json.EndArray();
  json.EndArray();
  json.EndArray();
  json.EndArray();
  EXPECT_EQ(out.str(), "[1,\n[{\"k\\u007f\":\"v\\u007f\"},\n{},\n[[]]]]\n");
}

}  // namespace
}  // namespace tw
