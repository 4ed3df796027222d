#include "treemap/png_writer.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace tw {
namespace {

constexpr std::size_t kChunkBytes = 1 << 16;  // IDAT data per chunk
// Zlib's level 6 costs twice the time of level 2 for a few percent on
// shaded pictures; the picture is written once, so speed wins.
constexpr int kLevel = 2;

void PutBigEndian(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

// One chunk: length, type, data, and the CRC over type and data.
void WriteChunk(std::ostream& out, const char (&type)[5], const std::uint8_t* data, std::size_t size) {
  std::uint8_t head[8];
  PutBigEndian(head, static_cast<std::uint32_t>(size));
  for (int i = 0; i < 4; ++i) head[4 + i] = static_cast<std::uint8_t>(type[i]);
  uLong crc = crc32(0L, head + 4, 4);
  if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
  std::uint8_t tail[4];
  PutBigEndian(tail, static_cast<std::uint32_t>(crc));
  out.write(reinterpret_cast<const char*>(head), 8);
  if (size > 0) out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.write(reinterpret_cast<const char*>(tail), 4);
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  const int bc = pb <= pc ? b : c;
  return pa <= pb && pa <= pc ? a : bc;
}

// Filters one row into out (type byte first) and returns the sum of the
// filtered bytes' magnitudes read as signed. `predict(a, b, c)` gets the
// bytes to the left, above and above left, 0 where there is none; the first
// pixel is done apart so that the loop over the rest has no branches.
template <typename Predict>
std::uint64_t Filter(std::uint8_t type, const std::uint8_t* row, const std::uint8_t* above, std::size_t n,
                     std::uint8_t* out, Predict predict) {
  constexpr std::size_t bpp = 3;
  out[0] = type;
  ++out;
  std::uint64_t cost = 0;
  for (std::size_t i = 0; i < bpp && i < n; ++i) {
    out[i] = static_cast<std::uint8_t>(row[i] - predict(0, above[i], 0));
    cost += static_cast<std::uint64_t>(std::abs(static_cast<std::int8_t>(out[i])));
  }
  for (std::size_t i = bpp; i < n; ++i) {
    out[i] = static_cast<std::uint8_t>(row[i] - predict(row[i - bpp], above[i], above[i - bpp]));
    cost += static_cast<std::uint64_t>(std::abs(static_cast<std::int8_t>(out[i])));
  }
  return cost;
}

// Filters one row each way into `rows` and returns the one with the
// smallest cost, the usual guess at what deflates best. `above` is a row of
// zeros for the first row.
const std::vector<std::uint8_t>& FilterRow(const std::uint8_t* row, const std::uint8_t* above, std::size_t n,
                                           std::array<std::vector<std::uint8_t>, 5>& rows) {
  const std::uint64_t costs[5] = {
      Filter(0, row, above, n, rows[0].data(), [](int, int, int) { return 0; }),
      Filter(1, row, above, n, rows[1].data(), [](int a, int, int) { return a; }),
      Filter(2, row, above, n, rows[2].data(), [](int, int b, int) { return b; }),
      Filter(3, row, above, n, rows[3].data(), [](int a, int b, int) { return (a + b) >> 1; }),
      Filter(4, row, above, n, rows[4].data(), Paeth),
  };
  std::size_t best = 0;
  for (std::size_t f = 1; f < 5; ++f) {
    if (costs[f] < costs[best]) best = f;
  }
  return rows[best];
}

}  // namespace

bool WritePng(const RgbImage& image, std::ostream& out, std::string& error) {
  if (image.width <= 0 || image.height <= 0 || image.width > 0x7FFFFFFF / 3 ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3) {
    error = "the picture has no pixels or the wrong number of them";
    return false;
  }
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  out.write(reinterpret_cast<const char*>(kSignature), 8);

  std::uint8_t header[13] = {};
  PutBigEndian(header, static_cast<std::uint32_t>(image.width));
  PutBigEndian(header + 4, static_cast<std::uint32_t>(image.height));
  header[8] = 8;  // bits per channel
  header[9] = 2;  // RGB; compression, filter method and interlace stay 0
  WriteChunk(out, "IHDR", header, sizeof header);

  z_stream z{};
  if (deflateInit(&z, kLevel) != Z_OK) {
    error = "zlib could not start";
    return false;
  }
  const std::size_t row_bytes = static_cast<std::size_t>(image.width) * 3;
  std::array<std::vector<std::uint8_t>, 5> filtered;
  for (auto& row : filtered) row.resize(row_bytes + 1);
  const std::vector<std::uint8_t> zeros(row_bytes, 0);
  std::vector<std::uint8_t> chunk(kChunkBytes);
  z.next_out = chunk.data();
  z.avail_out = static_cast<uInt>(chunk.size());

  bool ok = true;
  for (std::int32_t y = 0; y <= image.height && ok; ++y) {
    const bool last = y == image.height;
    if (!last) {
      const std::vector<std::uint8_t>& row =
          FilterRow(image.Row(y), y > 0 ? image.Row(y - 1) : zeros.data(), row_bytes, filtered);
      z.next_in = const_cast<Bytef*>(row.data());
      z.avail_in = static_cast<uInt>(row.size());
    }
    // Deflate the row (or finish the stream), emptying full chunks as it goes.
    for (;;) {
      const int status = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      if (status == Z_STREAM_ERROR) {
        ok = false;
        break;
      }
      if (z.avail_out == 0 || (last && status == Z_STREAM_END)) {
        const std::size_t used = chunk.size() - z.avail_out;
        if (used > 0) WriteChunk(out, "IDAT", chunk.data(), used);
        z.next_out = chunk.data();
        z.avail_out = static_cast<uInt>(chunk.size());
      }
      if (last ? status == Z_STREAM_END : z.avail_in == 0 && z.avail_out > 0) break;
    }
  }
  deflateEnd(&z);
  if (!ok) {
    error = "zlib failed";
    return false;
  }
  WriteChunk(out, "IEND", nullptr, 0);
  return true;
}

}  // namespace tw
