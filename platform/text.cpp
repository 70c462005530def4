// Text and number conversions. Strings hold one byte per character (codes
// 0..255) and positions count from 1. Number parsing wraps around like the
// integer width it returns; nothing here has undefined behaviour for any input.
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/platform.h"

namespace {

inline unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

// Letters of the 8-bit Latin set as well as ASCII: names typed on the name
// entry may carry them.
inline bool IsUpperLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
}
inline bool IsLowerLetter(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
}

// The shared parser of ToInt and StringToLong: unsigned arithmetic of the
// result's width, so overflow wraps instead of being undefined.
template <class U>
U ParseNumber(const std::string& s) {
  size_t i = 0, n = s.size();
  while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  U value = 0;
  if (i < n && s[i] == '%') {
    for (++i; i < n && (s[i] == '0' || s[i] == '1'); ++i) value = value * 2 + U(s[i] - '0');
  } else if (i < n && s[i] == '$') {
    for (++i; i < n; ++i) {
      unsigned char c = Byte(s[i]);
      unsigned digit;
      if (c >= '0' && c <= '9') digit = c - '0';
      else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      else break;
      value = value * 16 + U(digit);
    }
  } else {
    for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i) value = value * 10 + U(s[i] - '0');
  }
  return negative ? U(0) - value : value;
}

}  // namespace

std::string Left(const std::string& s, int n) {
  if (n <= 0) return std::string();
  if (static_cast<size_t>(n) >= s.size()) return s;
  return s.substr(0, n);
}

std::string Right(const std::string& s, int n) {
  if (n <= 0) return std::string();
  if (static_cast<size_t>(n) >= s.size()) return s;
  return s.substr(s.size() - n);
}

std::string Mid(const std::string& s, int position, int count) {
  int64_t p = position, c = count;
  if (p < 1) {
    // The part before the string still eats into the count.
    if (c >= 0) c -= (1 - p);
    p = 1;
    if (count >= 0 && c <= 0) return std::string();
  }
  if (p > static_cast<int64_t>(s.size())) return std::string();
  size_t start = static_cast<size_t>(p - 1);
  if (c < 0) return s.substr(start);
  return s.substr(start, static_cast<size_t>(c));
}

int Instr(const std::string& s, const std::string& sub, int start) {
  if (start < 1) start = 1;
  if (static_cast<size_t>(start - 1) > s.size()) return 0;
  size_t at = s.find(sub, static_cast<size_t>(start - 1));
  return at == std::string::npos ? 0 : static_cast<int>(at + 1);
}

std::string Replace(const std::string& s, const std::string& find, const std::string& with) {
  if (find.empty()) return s;
  std::string out;
  size_t from = 0, at;
  while ((at = s.find(find, from)) != std::string::npos) {
    out.append(s, from, at - from);
    out += with;
    from = at + find.size();
  }
  out.append(s, from, std::string::npos);
  return out;
}

std::string Trim(const std::string& s) {
  size_t first = 0, last = s.size();
  while (first < last && Byte(s[first]) < 33) ++first;
  while (last > first && Byte(s[last - 1]) < 33) --last;
  return s.substr(first, last - first);
}

std::string Upper(const std::string& s) {
  std::string out = s;
  for (char& ch : out) {
    unsigned char c = Byte(ch);
    if (IsLowerLetter(c)) ch = static_cast<char>(c - 32);
  }
  return out;
}

std::string Lower(const std::string& s) {
  std::string out = s;
  for (char& ch : out) {
    unsigned char c = Byte(ch);
    if (IsUpperLetter(c)) ch = static_cast<char>(c + 32);
  }
  return out;
}

std::string Chr(int code) { return std::string(1, static_cast<char>(code & 0xFF)); }

int Asc(const std::string& s) { return s.empty() ? -1 : Byte(s[0]); }

int ToInt(const std::string& s) { return static_cast<int32_t>(ParseNumber<uint32_t>(s)); }

int64_t StringToLong(const std::string& s) { return static_cast<int64_t>(ParseNumber<uint64_t>(s)); }

std::string IntToString(int value) { return std::to_string(value); }

std::string LongToString(int64_t value) { return std::to_string(value); }

// Out-of-range values saturate and NaN gives 0: a plain cast would be
// undefined behaviour.
int FloatToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

// The most negative int has no positive partner; it gives the largest int
// rather than staying negative, so "absolute value" is never below 0.
int AbsInt(int value) {
  if (value == std::numeric_limits<int>::min()) return std::numeric_limits<int>::max();
  return value < 0 ? -value : value;
}

float Sin(float degrees) { return static_cast<float>(std::sin(degrees * (M_PI / 180.0))); }

float Cos(float degrees) { return static_cast<float>(std::cos(degrees * (M_PI / 180.0))); }

float Floor(float value) { return std::floor(value); }
