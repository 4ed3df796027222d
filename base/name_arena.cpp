#include "base/name_arena.h"

#include <algorithm>
#include <new>
#include <utility>

namespace tw {
namespace {

constexpr std::size_t kUnitMask = NameArena::kChunkUnits - 1;

}  // namespace

NameArena::NameArena(NameArena&& other) noexcept
    : chunks_(std::move(other.chunks_)),
      fill_(std::move(other.fill_)),
      packed_base_(std::move(other.packed_base_)),
      last_capacity_(other.last_capacity_),
      units_(other.units_) {
  other.clear();
}

NameArena& NameArena::operator=(NameArena&& other) noexcept {
  if (this != &other) {
    chunks_ = std::move(other.chunks_);
    fill_ = std::move(other.fill_);
    packed_base_ = std::move(other.packed_base_);
    last_capacity_ = other.last_capacity_;
    units_ = other.units_;
    other.clear();
  }
  return *this;
}

// A copy holds each chunk's units in use only, at the same offsets.
NameArena::NameArena(const NameArena& other)
    : fill_(other.fill_), packed_base_(other.packed_base_), units_(other.units_) {
  chunks_.reserve(other.chunks_.size());
  for (std::size_t k = 0; k < other.chunks_.size(); ++k) {
    chunks_.push_back(std::make_unique_for_overwrite<char16_t[]>(std::max<std::size_t>(fill_[k], 1)));
    std::copy_n(other.chunks_[k].get(), fill_[k], chunks_.back().get());
  }
  last_capacity_ = fill_.empty() ? 0 : fill_.back();
}

NameArena& NameArena::operator=(const NameArena& other) {
  if (this != &other) *this = NameArena(other);
  return *this;
}

void NameArena::clear() noexcept {
  chunks_.clear();
  fill_.clear();
  packed_base_.clear();
  last_capacity_ = 0;
  units_ = 0;
}

bool NameArena::Holds(std::uint32_t offset, std::uint32_t length) const {
  const std::size_t chunk = offset >> kNameChunkBits;
  const std::size_t unit = offset & kUnitMask;
  return chunk < fill_.size() && unit <= fill_[chunk] && length <= fill_[chunk] - unit;
}

std::u16string_view NameArena::View(std::uint32_t offset, std::uint32_t length) const {
  if (!Holds(offset, length)) return {};
  return {chunks_[offset >> kNameChunkBits].get() + (offset & kUnitMask), length};
}

const char16_t* NameArena::Address(std::uint32_t offset) const {
  const std::size_t chunk = offset >> kNameChunkBits;
  if (chunk >= chunks_.size() || (offset & kUnitMask) >= fill_[chunk]) return nullptr;
  return chunks_[chunk].get() + (offset & kUnitMask);
}

// Every vector grows before any takes the chunk, so that a failure leaves
// the arena as it was.
std::uint32_t NameArena::PushChunk(std::unique_ptr<char16_t[]> chunk, std::uint32_t fill, std::size_t capacity) {
  if (chunks_.size() >= kMaxChunks) throw std::bad_alloc();
  chunks_.reserve(chunks_.size() + 1);
  fill_.reserve(fill_.size() + 1);
  packed_base_.reserve(packed_base_.size() + 1);
  chunks_.push_back(std::move(chunk));
  fill_.push_back(fill);
  packed_base_.push_back(units_);
  last_capacity_ = capacity;
  units_ += fill;
  return static_cast<std::uint32_t>((chunks_.size() - 1) << kNameChunkBits);
}

std::uint32_t NameArena::StartChunk(std::size_t capacity) {
  return PushChunk(std::make_unique_for_overwrite<char16_t[]>(capacity), 0, capacity);
}

std::uint32_t NameArena::Adopt(std::unique_ptr<char16_t[]> chunk, std::uint32_t fill, std::uint32_t capacity) {
  if (capacity > kChunkUnits || fill > capacity) throw std::bad_alloc();
  return PushChunk(std::move(chunk), fill, capacity);
}

void NameArena::Release(std::size_t k) { Take(k).reset(); }

std::unique_ptr<char16_t[]> NameArena::Take(std::size_t k) {
  units_ -= fill_[k];
  fill_[k] = 0;
  if (k + 1 == chunks_.size()) last_capacity_ = 0;  // nothing more goes into it
  return std::move(chunks_[k]);
}

std::uint64_t NameArena::PackedOffset(std::uint32_t offset) const {
  const std::size_t chunk = offset >> kNameChunkBits;
  if (chunk >= chunks_.size()) return units_;
  return packed_base_[chunk] + std::min<std::uint64_t>(offset & kUnitMask, fill_[chunk]);
}

void NameArena::ResizePacked(std::size_t units) {
  clear();
  while (units_ < units) {
    const std::size_t take = std::min(kChunkUnits, units - units_);
    StartChunk(take);
    fill_.back() = static_cast<std::uint32_t>(take);
    units_ += take;
  }
}

std::uint32_t NameArena::Relay(std::uint32_t offset, std::uint32_t length) {
  if (length > kChunkUnits) throw std::bad_alloc();
  std::u16string name;
  name.reserve(length);
  std::size_t chunk = offset >> kNameChunkBits;
  std::size_t unit = offset & kUnitMask;
  while (name.size() < length && chunk < chunks_.size() && unit <= fill_[chunk]) {
    const std::size_t take = std::min<std::size_t>(fill_[chunk] - unit, length - name.size());
    name.append(chunks_[chunk].get() + unit, take);
    ++chunk;
    unit = 0;
  }
  name.resize(length, u'\0');  // a caller checks the name lies in the units in use first
  return Append(std::u16string_view(name));
}

}  // namespace tw
