#include "treemap/png_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tw {
namespace {

struct Chunk {
  std::string type;
  std::string data;
};

std::uint32_t BigEndian(const std::string& s, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3]));
}

// Splits a PNG stream into its chunks, checking every CRC.
std::vector<Chunk> Chunks(const std::string& png) {
  std::vector<Chunk> chunks;
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = BigEndian(png, at);
    Chunk c{png.substr(at + 4, 4), png.substr(at + 8, length)};
    const std::string covered = png.substr(at + 4, 4 + length);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(covered.data()), static_cast<uInt>(covered.size()));
    EXPECT_EQ(BigEndian(png, at + 8 + length), static_cast<std::uint32_t>(crc)) << c.type;
    chunks.push_back(c);
    at += 12 + length;
  }
  return chunks;
}

// The rows back from the filtered, deflated stream; `filters` gets the filter
// type of every row.
std::vector<std::uint8_t> Unfilter(const std::string& deflated, std::int32_t w, std::int32_t h,
                                   std::set<int>& filters) {
  const std::size_t stride = static_cast<std::size_t>(w) * 3;
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(h) * (stride + 1) + 1);
  uLongf size = static_cast<uLongf>(raw.size());
  EXPECT_EQ(uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(deflated.data()),
                       static_cast<uLong>(deflated.size())),
            Z_OK);
  EXPECT_EQ(size, static_cast<uLongf>(h) * (stride + 1));
  std::vector<std::uint8_t> out(static_cast<std::size_t>(h) * stride);
  for (std::int32_t y = 0; y < h; ++y) {
    const std::uint8_t* in = raw.data() + static_cast<std::size_t>(y) * (stride + 1);
    std::uint8_t* row = out.data() + static_cast<std::size_t>(y) * stride;
    const std::uint8_t* up = y > 0 ? row - stride : nullptr;
    filters.insert(in[0]);
    for (std::size_t i = 0; i < stride; ++i) {
      const int a = i >= 3 ? row[i - 3] : 0, b = up ? up[i] : 0, c = i >= 3 && up ? up[i - 3] : 0;
      int predicted = 0;
      if (in[0] == 1) predicted = a;
      if (in[0] == 2) predicted = b;
      if (in[0] == 3) predicted = (a + b) / 2;
      if (in[0] == 4) {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      row[i] = static_cast<std::uint8_t>(in[i + 1] + predicted);
    }
  }
  return out;
}

TEST(PngWriter, RefusesAPictureWithoutPixels) {
  std::ostringstream out;
  std::string error;
  EXPECT_FALSE(WritePng(RgbImage{}, out, error));
  EXPECT_NE(error, "");
  RgbImage wrong(4, 4, 0);
  wrong.pixels.pop_back();
  EXPECT_FALSE(WritePng(wrong, out, error));
}

// Gradients, flat areas and noise, so that every row filter has rows it suits.
TEST(PngWriter, RowsComeBackExactlyThroughZlib) {
  const std::int32_t w = 301, h = 257;
  RgbImage image(w, h, 0);
  std::uint32_t noise = 12345;
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      std::uint8_t* p = image.Row(y) + x * 3;
      noise = noise * 1103515245u + 12345u;
      if (y < 60) {
        p[0] = static_cast<std::uint8_t>(x), p[1] = static_cast<std::uint8_t>(y * 3), p[2] = 40;
      } else if (y < 120) {
        p[0] = p[1] = p[2] = static_cast<std::uint8_t>(x * y / 50);
      } else if (y < 180) {
        p[0] = static_cast<std::uint8_t>(noise >> 24), p[1] = static_cast<std::uint8_t>(noise >> 16), p[2] = 7;
      } else {
        p[0] = 200, p[1] = static_cast<std::uint8_t>(y), p[2] = static_cast<std::uint8_t>((x + y) / 2);
      }
    }
  }
  std::ostringstream out;
  std::string error;
  ASSERT_TRUE(WritePng(image, out, error)) << error;
  const std::vector<Chunk> chunks = Chunks(out.str());
  ASSERT_GE(chunks.size(), 3u);
  EXPECT_EQ(chunks.front().type, "IHDR");
  EXPECT_EQ(chunks.back().type, "IEND");
  EXPECT_EQ(chunks.back().data, "");
  const std::string& ihdr = chunks.front().data;
  ASSERT_EQ(ihdr.size(), 13u);
  EXPECT_EQ(BigEndian(ihdr, 0), 301u);
  EXPECT_EQ(BigEndian(ihdr, 4), 257u);
  EXPECT_EQ(ihdr.substr(8), std::string("\x08\x02\x00\x00\x00", 5));
  std::string deflated;
  for (std::size_t i = 1; i + 1 < chunks.size(); ++i) {
    EXPECT_EQ(chunks[i].type, "IDAT");
    deflated += chunks[i].data;
  }
  std::set<int> filters;
  EXPECT_EQ(Unfilter(deflated, w, h, filters), image.pixels);
  EXPECT_GE(filters.size(), 3u);
}

TEST(PngWriter, ALargePictureSpreadsOverSeveralDataChunks) {
  RgbImage image(700, 500, 0);
  std::uint32_t noise = 7;
  for (std::uint8_t& b : image.pixels) b = static_cast<std::uint8_t>((noise = noise * 1664525u + 1013904223u) >> 24);
  std::ostringstream out;
  std::string error;
  ASSERT_TRUE(WritePng(image, out, error));
  const std::vector<Chunk> chunks = Chunks(out.str());
  std::string deflated;
  std::size_t idat = 0;
  for (const Chunk& c : chunks) {
    if (c.type == "IDAT") deflated += c.data, ++idat;
  }
  EXPECT_GT(idat, 10u);  // about 1 MB of noise, 64 KiB a chunk
  std::set<int> filters;
  EXPECT_EQ(Unfilter(deflated, 700, 500, filters), image.pixels);
}

TEST(PngWriter, OneRowOnePixel) {
  RgbImage image(1, 1, 0x336699);
  std::ostringstream out;
  std::string error;
  ASSERT_TRUE(WritePng(image, out, error));
  std::string deflated;
  for (const Chunk& c : Chunks(out.str())) {
    if (c.type == "IDAT") deflated += c.data;
  }
  std::set<int> filters;
  EXPECT_EQ(Unfilter(deflated, 1, 1, filters), (std::vector<std::uint8_t>{0x99, 0x66, 0x33}));
}

}  // namespace
}  // namespace tw
