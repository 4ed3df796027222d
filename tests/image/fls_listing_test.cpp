#include "support/fls_listing.h"

#include <gtest/gtest.h>

namespace tw::test {
namespace {

TEST(FlsListing, ParsesLongFormatLines) {
  FlsEntry e;
  ASSERT_TRUE(
      ParseFlsLine("r/r 3172-128-4:\tstreams/with_ads.txt:Zone.Identifier\t2026-12-07 08:15:02 (UTC)\t"
                   "2026-12-07 08:15:02 (UTC)\t2026-12-07 08:15:02 (UTC)\t2026-12-07 08:15:02 (UTC)\t"
                   "3000\t0\t0",
                   e));
  EXPECT_EQ(e.type, 'r');
  EXPECT_EQ(e.record, 3172);
  EXPECT_EQ(e.attribute_type, 128);
  EXPECT_EQ(e.attribute_id, 4);
  EXPECT_EQ(e.path, "streams/with_ads.txt");
  EXPECT_EQ(e.stream, "Zone.Identifier");
  EXPECT_EQ(e.size, 3000);

  ASSERT_TRUE(ParseFlsLine("d/d 64-144-6:\tdeep/level1\t0\t0\t0\t0\t0\t0\t0", e));
  EXPECT_EQ(e.type, 'd');
  EXPECT_EQ(e.path, "deep/level1");
  EXPECT_TRUE(e.stream.empty());

  ASSERT_TRUE(ParseFlsLine("V/V 272:\t$OrphanFiles\t0\t0\t0\t0\t0\t0\t0", e));
  EXPECT_EQ(e.type, 'V');
  EXPECT_EQ(e.record, 272);
  EXPECT_EQ(e.attribute_type, 0);
}

TEST(FlsListing, RejectsDeletedAndMalformedLines) {
  FlsEntry e;
  EXPECT_FALSE(ParseFlsLine("r/r * 99-128-2:\told.txt\t0\t0\t0\t0\t5\t0\t0", e));
  EXPECT_FALSE(ParseFlsLine("r/r 99-128-2:\ttoo/few/fields\t0\t0", e));
  EXPECT_FALSE(ParseFlsLine("r/r x-128-2:\tname\t0\t0\t0\t0\t5\t0\t0", e));
  EXPECT_FALSE(ParseFlsLine("", e));
}

}  // namespace
}  // namespace tw::test
