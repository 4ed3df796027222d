#include "store/snapshot_inflate.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <new>
#include <stdexcept>

namespace tw::snapshot {
namespace {

// Ends the zlib stream however the inflation ends.
class Inflater {
 public:
  Inflater() { ready_ = inflateInit(&stream_) == Z_OK; }
  ~Inflater() {
    if (ready_) inflateEnd(&stream_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  bool ready() const { return ready_; }
  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
  bool ready_ = false;
};

}  // namespace

Inflated InflateSection(const ReadFunction& read, const PackedSection& section, const LimitFunction& limit,
                        Bytes& raw) {
  raw.clear();
  Inflater inflater;
  if (!inflater.ready()) return Inflated::kOutOfMemory;
  z_stream& z = inflater.stream();
  try {
    Bytes piece(static_cast<std::size_t>(std::min<std::uint64_t>(kPieceSize, section.packed_size)));
    std::uint64_t taken = 0;   // packed bytes read so far
    std::size_t produced = 0;  // raw bytes inflated so far
    std::uint8_t beyond = 0;   // where a byte past the declared size would land
    uLong crc = crc32_z(0L, nullptr, 0);
    bool bounded = !limit;  // the declared size has been held against the counts
    for (int status = Z_OK; status != Z_STREAM_END;) {
      if (z.avail_in == 0 && taken < section.packed_size) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), section.packed_size - taken));
        if (!read(section.offset + taken, piece.data(), count)) return Inflated::kUnreadable;
        taken += count;
        z.next_in = piece.data();
        z.avail_in = static_cast<uInt>(count);
      }
      if (produced == raw.size() && raw.size() < section.raw_size) {
        const std::uint64_t grown = std::max<std::uint64_t>(2 * std::uint64_t{raw.size()}, kFirstOutput);
        raw.resize(static_cast<std::size_t>(std::min(grown, section.raw_size)));
      }
      // Room for what is declared; past it, one byte that the section must
      // never fill.
      const std::size_t room = std::min<std::size_t>(raw.size() - produced, UINT_MAX);
      z.next_out = room > 0 ? raw.data() + produced : &beyond;
      z.avail_out = room > 0 ? static_cast<uInt>(room) : 1;
      const uInt offered = z.avail_out;
      status = inflate(&z, Z_NO_FLUSH);
      if (status == Z_MEM_ERROR) return Inflated::kOutOfMemory;
      if (status != Z_OK && status != Z_STREAM_END) return Inflated::kMismatch;  // damaged, or cut short
      const std::size_t made = offered - z.avail_out;
      if (room == 0 && made > 0) return Inflated::kMismatch;  // more than declared
      if (made > 0) crc = crc32_z(crc, raw.data() + produced, made);
      produced += made;
      if (!bounded) {
        if (const std::optional<std::uint64_t> most = limit(std::span(raw.data(), produced))) {
          if (section.raw_size > *most) return Inflated::kTooLarge;
          bounded = true;
        }
      }
    }
    if (z.avail_in != 0 || taken != section.packed_size || produced != section.raw_size ||
        static_cast<std::uint32_t>(crc) != section.crc) {
      return Inflated::kMismatch;
    }
    raw.resize(produced);
  } catch (const std::bad_alloc&) {
    return Inflated::kOutOfMemory;
  } catch (const std::length_error&) {
    return Inflated::kOutOfMemory;
  }
  return Inflated::kOk;
}

}  // namespace tw::snapshot
