// Timestamps and their texts, and the badge bit test.
#include <gtest/gtest.h>

#include "framework/clock.h"
#include "support/fake_host.h"

namespace {

int64_t Stamp(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute,
              int64_t second) {
  return ((((year * 12 + month) * 31 + day) * 24 + hour) * 60 + minute) * 60 + second;
}

TEST(Timestamp, FromTheHostsDateAndTime) {
  WithFakeHost host;
  int64_t ts = MakeTimestamp();
  EXPECT_EQ(ts, Stamp(2010, 12, 6, 14, 5, 9));
  EXPECT_EQ(TimestampTime(ts), "14:05:09");
  EXPECT_EQ(TimestampDate(ts), "06-12-2010");
  EXPECT_EQ(Clock(), 1000);
}

TEST(Timestamp, GivenDateReplacesToday) {
  WithFakeHost host;
  EXPECT_EQ(MakeTimestamp("06 Dec 2010"), Stamp(2010, 12, 6, 14, 5, 9));
  EXPECT_EQ(MakeTimestamp("31 jan 1999"), Stamp(1999, 1, 31, 14, 5, 9));
  EXPECT_EQ(MakeTimestamp("15 Foo 2020"), Stamp(2020, 0, 15, 14, 5, 9));  // month 0
  EXPECT_EQ(MakeTimestamp("garbage"), Stamp(0, 0, 0, 14, 5, 9));
}

TEST(Timestamp, DatesOnUnitBoundaries) {
  // The 31st and December sit exactly where the next unit starts.
  EXPECT_EQ(TimestampDate(Stamp(2010, 1, 31, 23, 59, 59)), "31-01-2010");
  EXPECT_EQ(TimestampDate(Stamp(2010, 12, 1, 0, 0, 0)), "01-12-2010");
  EXPECT_EQ(TimestampDate(Stamp(2010, 12, 31, 12, 0, 0)), "31-12-2010");
  EXPECT_EQ(TimestampDate(Stamp(2011, 1, 1, 0, 0, 0)), "01-01-2011");
  EXPECT_EQ(TimestampDate(Stamp(987, 6, 9, 1, 2, 3)), "09-06-0987");
  EXPECT_EQ(TimestampDate(Stamp(12345, 6, 9, 1, 2, 3)), "09-06-2345");  // cut to four

  // Later stamps order after earlier ones across every boundary.
  EXPECT_LT(Stamp(2010, 1, 31, 23, 59, 59), Stamp(2010, 2, 1, 0, 0, 0));
  EXPECT_LT(Stamp(2010, 12, 31, 23, 59, 59), Stamp(2011, 1, 1, 0, 0, 0));
}

TEST(Timestamp, TimesOfDay) {
  EXPECT_EQ(TimestampTime(Stamp(2010, 5, 5, 0, 0, 0)), "00:00:00");
  EXPECT_EQ(TimestampTime(Stamp(2010, 5, 5, 23, 59, 59)), "23:59:59");
  EXPECT_EQ(TimestampTime(0), "00:00:00");
  EXPECT_EQ(TimestampTime(-1), "23:59:59");  // a damaged stamp still reads as a time
}

}  // namespace
