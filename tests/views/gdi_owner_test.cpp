#include "views/gdi_owner.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace tw {
namespace {

std::vector<int*> g_deleted;
void Delete(int* handle) { g_deleted.push_back(handle); }
using Owner = GdiOwner<int*, Delete>;

TEST(GdiOwner, EveryOwnedHandleIsDeletedExactlyOnceAndCounted) {
  g_deleted.clear();
  int a = 0, b = 0, c = 0;
  const GdiObjectCounts before = GdiCounts();
  {
    Owner first(&a);
    Owner empty(nullptr);  // a failed creation: neither counted nor deleted
    Owner moved(std::move(first));
    EXPECT_FALSE(first);
    Owner assigned(&b);
    assigned = std::move(moved);  // b goes now, a stays owned
    EXPECT_EQ(g_deleted, (std::vector<int*>{&b}));
    Owner third(&c);
    third.reset();
    third.reset();  // a second reset deletes nothing
    EXPECT_EQ(GdiCounts().Live() - before.Live(), 1);
  }
  EXPECT_EQ(g_deleted, (std::vector<int*>{&b, &c, &a}));
  EXPECT_EQ(GdiCounts().created - before.created, 3u);
  EXPECT_EQ(GdiCounts().Live(), before.Live());
}

}  // namespace
}  // namespace tw
