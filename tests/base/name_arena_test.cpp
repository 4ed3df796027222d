#include "base/name_arena.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <utility>

namespace tw {
namespace {

constexpr std::size_t kChunk = NameArena::kChunkUnits;

std::unique_ptr<char16_t[]> Block(std::u16string_view units, std::size_t capacity) {
  auto block = std::make_unique<char16_t[]>(capacity);
  std::copy(units.begin(), units.end(), block.get());
  return block;
}

TEST(NameArena, ANameThatDoesNotFitStartsAChunkAndNoneIsSplit) {
  NameArena arena;
  const std::u16string filler(kChunk - 3, u'f');
  EXPECT_EQ(arena.Append(filler), 0u);
  const std::uint32_t small = arena.Append(std::u16string_view(u"ab"));
  EXPECT_EQ(small, kChunk - 3);
  const std::uint32_t next = arena.Append(std::wstring_view(L"xyz"));  // one unit left: a new chunk
  EXPECT_EQ(next, std::uint32_t{1} << kNameChunkBits);
  EXPECT_EQ(arena.chunk_count(), 2u);
  EXPECT_EQ(arena.View(small, 2), u"ab");
  EXPECT_EQ(arena.View(next, 3), u"xyz");
  EXPECT_EQ(arena.units(), kChunk - 1 + 3);
  // Outside the units in use, or across the end of a chunk: nothing.
  EXPECT_TRUE(arena.View(small, 3).empty());
  EXPECT_FALSE(arena.Holds(next, 4));
  EXPECT_FALSE(arena.Holds(2u << kNameChunkBits, 0));
  EXPECT_EQ(arena.Address(kChunk - 1), nullptr);
  EXPECT_EQ(*arena.Address(next + 2), u'z');
  EXPECT_THROW(arena.Append(std::u16string(kChunk + 1, u'x')), std::bad_alloc);
}

TEST(NameArena, AdoptedChunksKeepTheirUnitsAndPackBackToBack) {
  NameArena arena;
  EXPECT_EQ(arena.Adopt(Block(u"alphabeta", kChunk), 9, kChunk), 0u);
  EXPECT_EQ(arena.Adopt(Block(u"gamma", 5), 5, 5), std::uint32_t{1} << kNameChunkBits);
  const std::uint32_t root = arena.Append(std::u16string_view(u"[C:]"));  // the fitted chunk is full
  EXPECT_EQ(root, std::uint32_t{2} << kNameChunkBits);
  EXPECT_EQ(arena.View(5, 4), u"beta");
  EXPECT_EQ(arena.View((1u << kNameChunkBits) + 1, 4), u"amma");
  EXPECT_EQ(arena.units(), 18u);
  // Packed: every chunk's units in use one after the other.
  EXPECT_EQ(arena.PackedOffset(5), 5u);
  EXPECT_EQ(arena.PackedOffset((1u << kNameChunkBits) + 1), 10u);
  EXPECT_EQ(arena.PackedOffset(root), 14u);
  EXPECT_EQ(arena.PackedOffset(7u << kNameChunkBits), 18u);
  EXPECT_THROW(arena.Adopt(Block(u"x", 1), 2, 1), std::bad_alloc);

  // A copy holds the same names at the same offsets; a move leaves none.
  NameArena copy(arena);
  EXPECT_EQ(copy.View(root, 4), u"[C:]");
  EXPECT_EQ(copy.View(5, 4), u"beta");
  EXPECT_EQ(copy.units(), arena.units());
  const std::uint32_t after = copy.Append(std::u16string_view(u"z"));
  EXPECT_EQ(copy.View(after, 1), u"z");
  EXPECT_EQ(arena.View(after, 1), u"");
  NameArena moved(std::move(arena));
  EXPECT_TRUE(arena.empty());
  EXPECT_EQ(arena.chunk_count(), 0u);
  EXPECT_EQ(moved.View(root, 4), u"[C:]");
}

TEST(NameArena, OffsetsStopAtThirtyTwoBits) {
  NameArena arena;
  for (std::size_t k = 0; k < NameArena::kMaxChunks; ++k) arena.Adopt(Block(u"", 1), 0, 0);
  EXPECT_THROW(arena.Adopt(Block(u"", 1), 0, 1), std::bad_alloc);
  EXPECT_THROW(arena.Append(std::u16string_view(u"a")), std::bad_alloc);
}

TEST(NameArena, ThePackedFormReadsBackAndANameAcrossABorderIsMovedWhole) {
  std::u16string flat(kChunk + 10, u'.');
  flat.replace(kChunk - 3, 6, u"border");
  flat.replace(2, 4, u"head");
  NameArena arena;
  arena.ResizePacked(flat.size());
  for (std::size_t p = 0; p < flat.size(); ++p) arena.PackedUnit(p) = flat[p];
  EXPECT_EQ(arena.chunk_count(), 2u);
  EXPECT_EQ(arena.View(2, 4), u"head");
  const auto across = static_cast<std::uint32_t>(kChunk - 3);
  EXPECT_FALSE(arena.Holds(across, 6));
  const std::uint32_t moved = arena.Relay(across, 6);
  EXPECT_EQ(arena.View(moved, 6), u"border");
  EXPECT_EQ(arena.units(), flat.size() + 6);
}

}  // namespace
}  // namespace tw
