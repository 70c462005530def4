// Field splitter. The walk is deliberately literal: when the text holds no
// separator at all, the first step leaves the start where it is, so field 2
// of "abc" is "abc" itself and only field 3 is missing.
#include "framework/fields.h"

#include "platform/platform.h"

std::string Field(const std::string& text, const std::string& separator, int n) {
  // Trim codes below 33 from both ends.
  const std::string s = Trim(text);
  const int len = static_cast<int>(s.size());
  const int sepLen = static_cast<int>(separator.size());
  auto findSeparator = [&](int from) {
    return sepLen == 0 ? 0 : Instr(s, separator, from);
  };

  // Walk to field n.
  int start = 1;
  bool missing = false;
  for (int step = 1; step < n; ++step) {
    int at = findSeparator(start);
    if (at == 0) {
      if (step == 1) continue;  // no separator at all: stay on the first field
      missing = true;
      break;
    }
    start = at + sepLen;
  }
  if (missing) return kMissingField;

  // The field runs to the next separator or the end.
  if (start > len) return std::string();
  int end = findSeparator(start);
  if (end == 0) return Mid(s, start);
  return Mid(s, start, end - start);
}
