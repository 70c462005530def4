// The shared random generator: its exact sequence (stored games and the
// pause menu's picture depend on it), seeding rules and the bounds of Rand.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <set>
#include <vector>

#include "platform/internal.h"
#include "platform/platform.h"

namespace {

class Random : public ::testing::Test {
 protected:
  void SetUp() override { plat::ResetRandom(); }
  void TearDown() override { plat::ResetRandom(); }
};

// The same generator worked out the direct way, as a 64-bit product mod 2^31 - 1.
int64_t Next(int64_t state) { return state * 48271 % 2147483647; }

double ReferenceReal(int64_t& state) {
  int64_t s1 = state = Next(state);
  int64_t s2 = state = Next(state);
  return ((s1 & 0x1FFFFFFC) + (s2 & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
}

TEST_F(Random, StartsAt4660AndMatchesTheModularProduct) {
  EXPECT_EQ(RndSeed(), 4660);
  EXPECT_DOUBLE_EQ(Rnd01(), 0.4189887270692887);
  EXPECT_EQ(RndSeed(), 539475828);
  EXPECT_DOUBLE_EQ(Rnd01(), 0.21256311710331344);
  EXPECT_DOUBLE_EQ(Rnd01(), 0.694284713397524);

  // Across seeds that exercise both signs of the intermediate step.
  for (int seed : {1, 44487, 44488, 123456789, 2147483646}) {
    SeedRnd(seed);
    int64_t reference = seed;
    for (int i = 0; i < 1000; ++i) {
      double r = Rnd01();
      ASSERT_EQ(r, ReferenceReal(reference)) << seed;
      ASSERT_TRUE(r >= 0.0 && r < 1.0);
    }
    EXPECT_EQ(RndSeed(), reference);
  }
}

TEST_F(Random, SeedingRules) {
  SeedRnd(4660);
  double a = Rnd01();
  SeedRnd(0);
  EXPECT_EQ(Rnd01(), a);

  SeedRnd(INT_MIN);  // only the low 31 bits count: 0, so the start seed
  EXPECT_EQ(RndSeed(), 4660);
  SeedRnd(0x7FFFFFFE | INT_MIN);
  EXPECT_EQ(RndSeed(), 0x7FFFFFFE);
  // 2^31 - 1 is the modulus: taken as it is, the state would stick at 0 and
  // every number would be 0. It starts from 4660 instead, like seed 0.
  SeedRnd(-1);
  EXPECT_EQ(RndSeed(), 4660);
  SeedRnd(0x7FFFFFFF);
  EXPECT_EQ(Rnd01(), a);

  SeedRnd(12345);
  int rolls[8];
  for (int& r : rolls) r = Rand(1, 6);
  EXPECT_EQ(std::vector<int>(rolls, rolls + 8), (std::vector<int>{1, 5, 4, 4, 2, 6, 4, 6}));
}

TEST_F(Random, RandIncludesBothBoundsInEitherOrder) {
  SeedRnd(77);
  std::set<int> up, down, one, single;
  for (int i = 0; i < 2000; ++i) {
    up.insert(Rand(1, 5));
    down.insert(Rand(5, 1));
    one.insert(Rand(1, 0));
    single.insert(Rand(3, 3));
  }
  EXPECT_EQ(up, (std::set<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(down, (std::set<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(one, (std::set<int>{0, 1}));
  EXPECT_EQ(single, (std::set<int>{3}));

  // Rand(n) is Rand(n, 1).
  SeedRnd(5);
  int a = Rand(-3);
  SeedRnd(5);
  EXPECT_EQ(a, Rand(-3, 1));
  EXPECT_GE(a, -3);
  EXPECT_LE(a, 1);

  // The widest span must not overflow.
  for (int i = 0; i < 1000; ++i) Rand(INT_MIN, INT_MAX), Rand(INT_MAX, INT_MIN);
}

TEST_F(Random, RndRangeFromTheSmallerBound) {
  SeedRnd(31);
  for (int i = 0; i < 1000; ++i) {
    double a = RndRange(10, 2), b = RndRange(2, 10);
    ASSERT_GE(a, 2.0);
    ASSERT_LT(a, 10.0);
    ASSERT_GE(b, 2.0);
    ASSERT_LT(b, 10.0);
  }
  SeedRnd(31);
  double r = Rnd01();
  SeedRnd(31);
  EXPECT_DOUBLE_EQ(RndRange(-4, -8), -8 + r * 4);
}

}  // namespace
