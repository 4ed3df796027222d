#include "base/memory_hints.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace tw {
namespace {

TEST(MovePages, TheWholePagesOfABlockGoWhereTheCallerAsksAndTheBlockStaysUsable) {
  const std::size_t page = PageBytes();
  const std::size_t bytes = 64 * page + 100;
  auto block = std::make_unique<unsigned char[]>(bytes);
  for (std::size_t i = 0; i < bytes; ++i) block[i] = static_cast<unsigned char>(i * 7 + i / page);
  auto target = std::make_unique<unsigned char[]>(80 * page);
  const auto base = reinterpret_cast<std::uintptr_t>(target.get());
  unsigned char* const to = target.get() + ((base + page - 1) / page * page - base);
  std::memset(to + 70 * page, 0xAB, page);  // past the room given: must stay

  const std::size_t moved = MovePages(block.get(), bytes, to, 10 * page);
#if !defined(__linux__)
  EXPECT_EQ(moved, 0u);
  GTEST_SKIP() << "only Linux moves pages";
#endif
  ASSERT_EQ(moved, 10 * page);  // no more than the room
  const auto from = reinterpret_cast<std::uintptr_t>(block.get());
  const std::size_t first = (from + page - 1) / page * page - from;  // the block's first whole page
  for (std::size_t i = 0; i < moved; ++i) {
    ASSERT_EQ(to[i], static_cast<unsigned char>((first + i) * 7 + (first + i) / page)) << i;
  }
  EXPECT_EQ(to[70 * page], 0xAB);
  // The block keeps its addresses: fresh pages where the moved ones were,
  // its other bytes as written, and it is written and freed as usual.
  for (std::size_t i = 0; i < first; ++i) ASSERT_EQ(block[i], static_cast<unsigned char>(i * 7 + i / page));
  for (std::size_t i = first; i < first + moved; ++i) ASSERT_EQ(block[i], 0) << i;
  EXPECT_EQ(block[first + moved], static_cast<unsigned char>((first + moved) * 7 + (first + moved) / page));
  std::memset(block.get(), 1, bytes);

  // A block without one whole page, or a destination off a page, moves nothing.
  EXPECT_EQ(MovePages(block.get() + first + 1, page - 2, to, page), 0u);
  EXPECT_EQ(MovePages(block.get(), bytes, to + 1, 10 * page), 0u);
  EXPECT_EQ(MovePages(block.get(), bytes, to, page - 1), 0u);
}

}  // namespace
}  // namespace tw
