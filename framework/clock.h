// Time for the game: the millisecond clock, score timestamps and their texts,
// and the bit test used for badge flags.
#pragma once

#include <cstdint>
#include <string>

// Milliseconds from an arbitrary origin; only differences mean anything.
int Clock();
// Pseudo-seconds of now, every month counted as 31 days, so stamps order by
// date and time but their differences are not durations. A non-empty dateText
// ("06 Dec 2010") replaces today's date.
int64_t MakeTimestamp(const std::string& dateText = "");
// "HH:MM:SS" and "DD-MM-YYYY" of a stamp.
std::string TimestampTime(int64_t ts);
std::string TimestampDate(int64_t ts);
