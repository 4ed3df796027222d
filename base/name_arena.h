#pragma once
// Names kept in an arena of UTF-16 units, found by offset and length: the
// parsed entries and the scan result hold every name this way.
//
// The arena is a row of chunks of up to 2^18 units (512 KiB, a block the
// system hands back whole when freed). A name lies whole within one chunk,
// and its offset is chunk << kNameChunkBits | unit, so that finding it is a
// shift and an index. The parse's lists fill chunks of this size, and tree
// building takes them over whole instead of copying a million names once
// more into one block.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// Units per chunk: offsets are chunk << kNameChunkBits | unit.
inline constexpr unsigned kNameChunkBits = 18;

class NameArena {
 public:
  static constexpr std::size_t kChunkUnits = std::size_t{1} << kNameChunkBits;
  // Offsets are 32 bits wide.
  static constexpr std::size_t kMaxChunks = std::size_t{1} << (32 - kNameChunkBits);

  NameArena() = default;
  NameArena(NameArena&& other) noexcept;
  NameArena& operator=(NameArena&& other) noexcept;
  NameArena(const NameArena& other);
  NameArena& operator=(const NameArena& other);

  // The name at `offset`, `length` units long; empty when it does not lie
  // whole within the units in use of one chunk.
  std::u16string_view View(std::uint32_t offset, std::uint32_t length) const;
  bool Holds(std::uint32_t offset, std::uint32_t length) const;
  // Where the unit at `offset` is, for a prefetch; null when it is in no chunk.
  const char16_t* Address(std::uint32_t offset) const;

  // Appends a name (UTF-16 units; one per wide element on every platform)
  // and returns its offset. A name that does not fit in the last chunk
  // starts a new one. Throws std::bad_alloc past what 32-bit offsets reach,
  // or for a name longer than a chunk.
  template <typename Char>
  std::uint32_t AppendUnits(std::basic_string_view<Char> name) {
    if (name.size() > kChunkUnits) throw std::bad_alloc();
    if (chunks_.empty() || last_capacity_ - fill_.back() < name.size()) StartChunk(kChunkUnits);
    const std::uint32_t unit = fill_.back();
    char16_t* at = chunks_.back().get() + unit;
    for (const Char c : name) *at++ = static_cast<char16_t>(c);
    fill_.back() += static_cast<std::uint32_t>(name.size());
    units_ += name.size();
    return static_cast<std::uint32_t>((chunks_.size() - 1) << kNameChunkBits) | unit;
  }
  std::uint32_t Append(std::u16string_view name) { return AppendUnits(name); }
  std::uint32_t Append(std::wstring_view name) { return AppendUnits(name); }
  // Takes over a chunk of `capacity` units (at most kChunkUnits) whose first
  // `fill` hold names, as the next chunk; returns the offset of its first
  // unit. Throws std::bad_alloc past what 32-bit offsets reach.
  std::uint32_t Adopt(std::unique_ptr<char16_t[]> chunk, std::uint32_t fill, std::uint32_t capacity);

  std::size_t chunk_count() const { return chunks_.size(); }
  // A chunk's units in use.
  std::u16string_view Chunk(std::size_t k) const { return {chunks_[k].get(), fill_[k]}; }
  // The units in use, over every chunk.
  std::size_t units() const { return units_; }
  bool empty() const { return units_ == 0; }
  void clear() noexcept;
  // Lets go of chunk k, or hands it over (kChunkUnits units or fewer, of
  // which Chunk(k).size() were in use): its names read as none from then on,
  // and the packed form no longer stands. For a parse's names, on one thread.
  void Release(std::size_t k);
  std::unique_ptr<char16_t[]> Take(std::size_t k);

  // ---- The packed form: every chunk's units in use back to back, as a
  // saved scan holds them ----
  // The packed position of the unit at `offset` (units() for an offset in
  // no chunk).
  std::uint64_t PackedOffset(std::uint32_t offset) const;
  // Makes the arena hold `units` packed units, in full chunks and a last
  // one, for the caller to write through PackedUnit; the offset of packed
  // position p is then p. Replaces what it held.
  void ResizePacked(std::size_t units);
  char16_t& PackedUnit(std::size_t p) { return chunks_[p >> kNameChunkBits][p & (kChunkUnits - 1)]; }
  // A name of the packed form that runs from one chunk into the next
  // (every unit of it in use) copied whole to the end; returns its new
  // offset. Throws std::bad_alloc as Append does.
  std::uint32_t Relay(std::uint32_t offset, std::uint32_t length);

 private:
  std::uint32_t StartChunk(std::size_t capacity);
  std::uint32_t PushChunk(std::unique_ptr<char16_t[]> chunk, std::uint32_t fill, std::size_t capacity);

  std::vector<std::unique_ptr<char16_t[]>> chunks_;
  std::vector<std::uint32_t> fill_;
  std::vector<std::uint64_t> packed_base_;  // by chunk: the units in use before it
  std::size_t last_capacity_ = 0;           // units allocated for the last chunk
  std::size_t units_ = 0;
};

}  // namespace tw
