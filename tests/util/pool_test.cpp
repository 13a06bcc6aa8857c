#include "util/pool.h"

#include <gtest/gtest.h>

#include <set>

namespace kg {
namespace {

TEST(Pool, DefaultsAndRounding) {
  Pool* pool = mp_init(0, 0, 30, 0);
  ASSERT_NE(pool, nullptr);
  EXPECT_EQ(pool->count, 1000);
  EXPECT_EQ(pool->grow, 100);
  EXPECT_EQ(pool->size, 32);
  EXPECT_EQ(mp_init(10, 10, 0, 0), nullptr);
  mp_exit(pool);
}

TEST(Pool, GrowsByBlocksWithRunningCounts) {
  Pool* pool = mp_init(3, 2, 8, 0);
  std::set<void*> seen;
  for (int i = 0; i < 3; ++i) seen.insert(mp_alloc(pool));
  EXPECT_EQ(mp_stat(pool), pool);  // nothing added yet
  seen.insert(mp_alloc(pool));
  Pool* second = mp_stat(pool);
  ASSERT_NE(second, pool);
  EXPECT_EQ(second->count, 5);
  seen.insert(mp_alloc(pool));
  EXPECT_EQ(mp_stat(pool), second);
  seen.insert(mp_alloc(pool));
  EXPECT_EQ(mp_stat(pool)->count, 7);
  EXPECT_EQ(seen.size(), 6u);
  mp_exit(pool);
}

TEST(Pool, ReusesLastFreedFirst) {
  Pool* pool = mp_init(4, 4, 16, 0);
  void* a = mp_alloc(pool);
  void* b = mp_alloc(pool);
  mp_free(pool, a);
  mp_free(pool, b);
  EXPECT_EQ(mp_alloc(pool), b);
  EXPECT_EQ(mp_alloc(pool), a);
  static_cast<char*>(a)[0] = 'x';
  mp_free(pool, a);
  EXPECT_EQ(static_cast<char*>(mp_calloc(pool))[0], 0);
  mp_exit(pool);
}

TEST(Pool, CheckedFreeRefusesStrangers) {
  Pool* pool = mp_init(2, 2, 8, MP_CHECK_FREE);
  int outside = 0;
  testing::internal::CaptureStderr();
  mp_free(pool, &outside);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "MP: *** Freeing a non-member ***\n");
  void* a = mp_alloc(pool);
  void* b = mp_alloc(pool);
  void* c = mp_alloc(pool);  // second block
  testing::internal::CaptureStderr();
  mp_free(pool, c);
  mp_free(pool, a);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(mp_alloc(pool), a);
  (void)b;
  mp_exit(pool);
}

TEST(Pool, ReportsGrowth) {
  Pool* pool = mp_init(1, 5, 4, MP_REPORT_GROWTH);
  mp_alloc(pool);
  testing::internal::CaptureStderr();
  mp_alloc(pool);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "MP: Allocation of 5 blocks\n");
  mp_exit(pool);
}

struct Owning {
  std::string text;
  int n;
};

TEST(Pool, TypedPoolConstructsAndDestroys) {
  TypedPool<Owning> pool(2, 2);
  Owning* a = pool.make();
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(a->text.empty());
  EXPECT_EQ(a->n, 0);
  a->text.assign(100, 'y');
  pool.release(a);
  Owning* b = pool.make();
  EXPECT_EQ(b, a);
  EXPECT_TRUE(b->text.empty());
  pool.release(b);
  mp_exit(pool.pool());
}

}  // namespace
}  // namespace kg
