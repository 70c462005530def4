// Clock, timestamps and their texts.
#include "framework/clock.h"

#include "platform/platform.h"

namespace {

const char* const kMonthKeys[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                    "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

// Division rounding down, so a negative stamp read from a damaged score
// file still decodes to digits instead of minus signs in the middle.
int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}
int64_t FloorMod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

std::string Padded(int64_t value, int width) {
  return Right(std::string(width, '0') + LongToString(value), width);
}

}  // namespace

int Clock() { return MilliSecs(); }

int64_t MakeTimestamp(const std::string& dateText) {
  // The date text, today's unless one is given.
  std::string date = Upper(dateText.empty() ? CurrentDate() : dateText);

  // Year, month by its three letters (0 when none matches), day.
  int64_t year = AbsInt(ToInt(Mid(date, 8, 4)));
  int64_t month = 0;
  std::string monthKey = Mid(date, 4, 3);
  for (int i = 0; i < 12; ++i) {
    if (monthKey == kMonthKeys[i]) month = i + 1;
  }
  int64_t day = AbsInt(ToInt(Left(date, 2)));

  // The time of day.
  std::string time = CurrentTime();
  int64_t hour = AbsInt(ToInt(Mid(time, 1, 2)));
  int64_t minute = AbsInt(ToInt(Mid(time, 4, 2)));
  int64_t second = AbsInt(ToInt(Mid(time, 7, 2)));

  // Combine in 64 bits.
  return ((((year * 12 + month) * 31 + day) * 24 + hour) * 60 + minute) * 60 + second;
}

std::string TimestampTime(int64_t ts) {
  int64_t second = FloorMod(ts, 60);
  int64_t minute = FloorMod(FloorDiv(ts, 60), 60);
  int64_t hour = FloorMod(FloorDiv(ts, 3600), 24);
  return Padded(hour, 2) + ":" + Padded(minute, 2) + ":" + Padded(second, 2);
}

// Days run 1..31 and months 1..12, so the 31st and December sit exactly on
// the next unit's boundary: dividing the plain stamp would show the 31st as
// day 0 of the next month and December as month 0 of the next year. Decoding
// from one below each unit keeps them where they belong.
std::string TimestampDate(int64_t ts) {
  int64_t days = FloorDiv(ts, 86400);              // (year * 12 + month) * 31 + day
  int64_t day = FloorMod(days - 1, 31) + 1;
  int64_t months = FloorDiv(days - 1, 31);         // year * 12 + month
  int64_t month = FloorMod(months - 1, 12) + 1;
  int64_t year = FloorDiv(months - 1, 12);
  return Padded(day, 2) + "-" + Padded(month, 2) + "-" + Padded(year, 4);
}
