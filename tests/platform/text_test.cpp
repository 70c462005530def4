// Text and number conversions: the edges of cutting, searching, trimming and
// parsing, and the conversions that must stay defined for any input.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "platform/platform.h"

namespace {

TEST(Text, CuttingPastTheEnds) {
  EXPECT_EQ(Left("abc", 5), "abc");
  EXPECT_EQ(Left("abc", -1), "");
  EXPECT_EQ(Right("abc", 9), "abc");
  EXPECT_EQ(Right("abc", -3), "");

  EXPECT_EQ(Mid("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Mid("abcdef", 4), "def");
  EXPECT_EQ(Mid("abcdef", 4, -1), "def");
  EXPECT_EQ(Mid("abcdef", 5, 10), "ef");
  EXPECT_EQ(Mid("abcdef", 6, 1), "f");      // the last character is still inside
  EXPECT_EQ(Mid("abcdef", 6), "f");
  EXPECT_EQ(Mid("abcdef", 7, 1), "");
  EXPECT_EQ(Mid("abcdef", 0, 3), "ab");     // the overhang shortens the count
  EXPECT_EQ(Mid("abcdef", -2, 3), "");
  EXPECT_EQ(Mid("abcdef", -2, -1), "abcdef");
  EXPECT_EQ(Mid("", 1, 1), "");
}

TEST(Text, SearchAndReplace) {
  EXPECT_EQ(Instr("a|b|c", "|"), 2);
  EXPECT_EQ(Instr("a|b|c", "|", 3), 4);
  EXPECT_EQ(Instr("a|b|c", "|", 5), 0);
  EXPECT_EQ(Instr("a|b|c", "|", 99), 0);
  EXPECT_EQ(Instr("a|b|c", "|", -4), 2);
  EXPECT_EQ(Instr("abc", "x"), 0);

  EXPECT_EQ(Replace("aaa", "aa", "b"), "ba");
  EXPECT_EQ(Replace("a.b.c", ".", ".."), "a..b..c");  // no re-scan of inserted text
  EXPECT_EQ(Replace("abc", "", "x"), "abc");
  EXPECT_EQ(Replace("abc", "b", ""), "ac");
}

TEST(Text, TrimAndCase) {
  EXPECT_EQ(Trim(std::string("\t \r\n\x01 name \0\x1f", 13)), "name");
  EXPECT_EQ(Trim("  "), "");
  EXPECT_EQ(Trim("!x!"), "!x!");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // high bytes are characters, not blanks

  EXPECT_EQ(Upper("Dec 2010 z"), "DEC 2010 Z");
  EXPECT_EQ(Lower("ABC[]@"), "abc[]@");
  EXPECT_EQ(Upper("\xE9\xF7\xFF"), "\xC9\xF7\xFF");  // é → É; ÷ and ÿ stay
  EXPECT_EQ(Lower("\xC9\xD7"), "\xE9\xD7");
}

TEST(Text, CharacterCodes) {
  EXPECT_EQ(Asc(""), -1);
  EXPECT_EQ(Asc("A"), 65);
  EXPECT_EQ(Asc("\xC8"), 200);
  EXPECT_EQ(Chr(200), "\xC8");
  EXPECT_EQ(Chr(0), std::string(1, '\0'));
  EXPECT_EQ(Chr(65 + 256), "A");
}

TEST(Numbers, ToIntForms) {
  EXPECT_EQ(ToInt("  -$1F"), -31);
  EXPECT_EQ(ToInt("12abc"), 12);
  EXPECT_EQ(ToInt("abc"), 0);
  EXPECT_EQ(ToInt(""), 0);
  EXPECT_EQ(ToInt("-"), 0);
  EXPECT_EQ(ToInt("$"), 0);
  EXPECT_EQ(ToInt("+7"), 7);
  EXPECT_EQ(ToInt("%1012"), 5);
  EXPECT_EQ(ToInt("$fFg"), 255);
  EXPECT_EQ(ToInt("- 5"), 0);
  EXPECT_EQ(ToInt("-+-"), 0);   // the field splitter's missing marker
}

TEST(Numbers, ToIntWrapsAtThirtyTwoBits) {
  EXPECT_EQ(ToInt("2147483647"), INT_MAX);
  EXPECT_EQ(ToInt("2147483648"), INT_MIN);
  EXPECT_EQ(ToInt("-2147483648"), INT_MIN);
  EXPECT_EQ(ToInt("4294967297"), 1);
  EXPECT_EQ(ToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(ToInt("99999999999999999999999"), -159383553);  // the value mod 2^32
}

TEST(Numbers, StringToLongIsSixtyFourBits) {
  EXPECT_EQ(StringToLong("62135596800"), 62135596800LL);
  EXPECT_EQ(StringToLong("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(StringToLong("9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(StringToLong(" $7FFFFFFFFFFFFFFF"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(StringToLong("x1"), 0);
}

TEST(Numbers, ConversionsStayDefinedOutOfRange) {
  EXPECT_EQ(FloatToInt(2.9), 2);
  EXPECT_EQ(FloatToInt(-2.9), -2);
  EXPECT_EQ(FloatToInt(std::nan("")), 0);
  EXPECT_EQ(FloatToInt(1e20), INT_MAX);
  EXPECT_EQ(FloatToInt(-1e20), INT_MIN);
  EXPECT_EQ(FloatToInt(std::numeric_limits<double>::infinity()), INT_MAX);
  EXPECT_EQ(FloatToInt(-2147483648.0), INT_MIN);

  EXPECT_EQ(AbsInt(-5), 5);
  EXPECT_EQ(AbsInt(INT_MIN), INT_MAX);  // never negative
}

TEST(Numbers, DegreesAndFloor) {
  EXPECT_NEAR(Sin(30), 0.5f, 1e-6);
  EXPECT_NEAR(Cos(-60), 0.5f, 1e-6);
  EXPECT_EQ(Floor(-0.5f), -1.0f);
}

}  // namespace
