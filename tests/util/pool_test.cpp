// Record pools: block growth and its running counts, last-freed-first reuse,
// the checked free and the growth report, and typed records that own memory.
#include "util/pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace kg {
namespace {

TEST(Pool, GrowthAndReuseOrder) {
  Pool* defaults = mp_init(0, 0, 30, 0);
  ASSERT_NE(defaults, nullptr);
  EXPECT_EQ(std::tuple(defaults->count, defaults->grow, defaults->size), std::tuple(1000, 100, 32));
  mp_exit(defaults);
  EXPECT_EQ(mp_init(10, 10, 0, 0), nullptr);

  Pool* pool = mp_init(3, 2, 8, 0);
  std::set<void*> seen;
  for (int count : {3, 3, 3, 5, 5, 7}) {  // elements up to the last block
    seen.insert(mp_alloc(pool));
    EXPECT_EQ(mp_stat(pool)->count, count);
  }
  EXPECT_EQ(seen.size(), 6u);
  void *a = *seen.begin(), *b = *seen.rbegin();
  mp_free(pool, a);
  mp_free(pool, b);
  EXPECT_EQ(mp_alloc(pool), b);  // the last freed comes first
  EXPECT_EQ(mp_alloc(pool), a);
  static_cast<char*>(a)[7] = 'x';
  mp_free(pool, a);
  EXPECT_EQ(static_cast<char*>(mp_calloc(pool))[7], 0);
  mp_exit(pool);
}

TEST(Pool, CheckedFreeAndGrowthReport) {
  Pool* pool = mp_init(2, 5, 8, MP_CHECK_FREE | MP_REPORT_GROWTH);
  int outside = 0;
  void* a = mp_alloc(pool);
  mp_alloc(pool);
  testing::internal::CaptureStderr();
  mp_free(pool, &outside);
  void* c = mp_alloc(pool);  // from the second block
  mp_free(pool, c);
  mp_free(pool, a);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "MP: *** Freeing a non-member ***\nMP: Allocation of 5 blocks\n");
  EXPECT_EQ(mp_alloc(pool), a);
  EXPECT_EQ(mp_alloc(pool), c);
  mp_exit(pool);
}

// Blocks of every size, from many pools at once and beyond the size of one
// system mapping, come zero-filled and apart; released ones leave the others
// intact, and the memory can be had again.
TEST(Pool, BlocksOfManyPoolsStayApartAndZeroed) {
  for (int round = 0; round < 2; ++round) {
    std::vector<std::pair<Pool*, std::vector<unsigned char*>>> pools;
    for (int i = 0; i < 40; ++i) {
      int size = i % 3 == 0 ? 200000 : 60 + i;  // some blocks too big to share a mapping
      int grow = i % 2 ? 3000 : 7;              // others small, many to a mapping
      pools.push_back({mp_init(i % 5 + 1, grow, size, 0), {}});
    }
    for (int step = 0; step < 200000; ++step) {
      auto& [pool, taken] = pools[step % pools.size()];
      if (pool->size > 1000 && taken.size() == static_cast<std::size_t>(pool->count)) continue;
      auto* p = static_cast<unsigned char*>(mp_alloc(pool));
      ASSERT_NE(p, nullptr);
      for (int k = 0; k < pool->size; ++k) ASSERT_EQ(p[k], 0) << step;
      std::fill_n(p, pool->size, static_cast<unsigned char>(step % pools.size() + 1));
      taken.push_back(p);
    }
    for (std::size_t i = 1; i < pools.size(); i += 2) mp_exit(pools[i].first);
    for (std::size_t i = 0; i < pools.size(); i += 2) {
      for (unsigned char* p : pools[i].second)
        for (int k = 0; k < pools[i].first->size; ++k) ASSERT_EQ(p[k], i + 1);
      mp_exit(pools[i].first);
    }
  }
}

TEST(Pool, TypedRecordsAreDestroyedBeforeReuse) {
  struct Owning {
    std::string text;
    int n;
  };
  TypedPool<Owning> pool(2, 2);
  Owning* a = pool.make();
  ASSERT_TRUE(a && a->n == 0);
  a->text.assign(100, 'y');  // on the heap: the sanitizer build sees a leak if not destroyed
  pool.release(a);
  Owning* b = pool.make();
  EXPECT_TRUE(b == a && b->text.empty());
  pool.release(b);
  mp_exit(pool.pool());
}

}  // namespace
}  // namespace kg
