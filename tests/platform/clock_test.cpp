// Clock, calendar texts, delays, memory count and End.
#include <gtest/gtest.h>

#include <numeric>

#include "platform/internal.h"
#include "platform/host/host.h"
#include "platform/platform.h"
#include "support/fake_host.h"

namespace {

TEST(Calendar, TextsFromTheHostsLocalTime) {
  WithFakeHost host;
  EXPECT_EQ(CurrentDate(), "06 Dec 2010");
  EXPECT_EQ(CurrentTime(), "14:05:09");
  host.fake->year = 987, host.fake->month = 1, host.fake->day = 31;
  host.fake->hour = 0, host.fake->minute = 0, host.fake->second = 0;
  EXPECT_EQ(CurrentDate(), "31 Jan 0987");
  EXPECT_EQ(CurrentTime(), "00:00:00");
}

TEST(Calendar, RealLocalTimeWithoutAHost) {
  plat::SetHost(nullptr);
  EXPECT_EQ(CurrentDate().size(), 11u);
  EXPECT_EQ(CurrentTime().size(), 8u);
  int a = MilliSecs();
  Delay(3);
  EXPECT_GE(MilliSecs() - a, 3);
}

TEST(Clock, DelaySleepsOnTheHostInSlicesAndPumps) {
  WithFakeHost host;
  EXPECT_EQ(MilliSecs(), 1000);
  Delay(25);
  EXPECT_EQ(MilliSecs(), 1025);
  EXPECT_EQ(std::accumulate(host.fake->sleeps.begin(), host.fake->sleeps.end(), 0), 25);
  EXPECT_GE(host.fake->pumps, 3);  // events keep flowing during a long delay

  // Zero and negative delays still pump but don't sleep.
  host.fake->sleeps.clear();
  host.fake->pumps = 0;
  Delay(0);
  Delay(-5);
  EXPECT_TRUE(host.fake->sleeps.empty());
  EXPECT_EQ(host.fake->pumps, 2);

  // A clock about to wrap past 2^32 still delays the right amount.
  host.fake->now = 0xFFFFFFF0u;
  host.fake->sleeps.clear();
  Delay(40);
  EXPECT_EQ(std::accumulate(host.fake->sleeps.begin(), host.fake->sleeps.end(), 0), 40);
}

TEST(Process, MemoryCountAndCollector) {
  int64_t before = GCMemAlloced();
  plat::CountMemory(4096);
  EXPECT_EQ(GCMemAlloced(), before + 4096);
  plat::CountMemory(-4096);
  EXPECT_EQ(GCMemAlloced(), before);
  EXPECT_EQ(GCCollect(), 0);
}

struct EndCalled {};
void ThrowingEndHook() { throw EndCalled{}; }

TEST(Process, EndGoesToTheTestHook) {
  plat::g_endHook = ThrowingEndHook;
  EXPECT_THROW(End(), EndCalled);
  plat::g_endHook = nullptr;
  EXPECT_EXIT(End(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
