// The field splitter: the table of cases the setup file, the score file and
// the settings labels rely on, and the edges of n and the separator.
#include <gtest/gtest.h>

#include "framework/fields.h"

namespace {

struct FieldCase {
  const char* text;
  const char* separator;
  int n;
  const char* expected;
};

TEST(Field, SplitsLikeTheFilesExpect) {
  const FieldCase cases[] = {
      {" Volume=80 ", "=", 1, "Volume"},
      {" Volume=80 ", "=", 2, "80"},        // outer blanks trimmed first
      {"Volume = 80", "=", 2, " 80"},       // inner blanks stay
      {"abc", "=", 2, "abc"},               // no separator: the whole text again
      {"abc", "=", 3, "-+-"},
      {"a|b", "|", 3, "-+-"},
      {"a|b|", "|", 3, ""},                 // ending in a separator
      {"a||c", "|", 2, ""},
      {"a||c", "|", 3, "c"},
      {"a|b", "|", 0, "a"},                 // n <= 1 is the first field
      {"a|b", "|", -7, "a"},
      {"\t 57|ZQ|0\r\n", "|", 3, "0"},      // a line with its line end still on
      {"", "|", 1, ""},
      {"", "|", 2, ""},
      {"", "|", 3, "-+-"},
      {"Frameskip|Slow System", "|", 2, "Slow System"},
      {"1280,960", ",", 2, "960"},
      {"x-+-y-+-z", "-+-", 3, "z"},         // longer separators step over themselves
      {"abc", "", 2, "abc"},                // no separator given: one field
      {"abc", "", 3, "-+-"},
  };
  for (const FieldCase& c : cases) {
    EXPECT_EQ(Field(c.text, c.separator, c.n), c.expected)
        << '"' << c.text << "\" sep \"" << c.separator << "\" n " << c.n;
  }
}

TEST(Field, LastOfManyFields) {
  std::string line;
  for (int i = 1; i <= 30; ++i) line += (i > 1 ? "|" : "") + std::to_string(i);
  for (int i = 1; i <= 30; ++i) EXPECT_EQ(Field(line, "|", i), std::to_string(i));
  EXPECT_EQ(Field(line, "|", 31), "-+-");
}

}  // namespace
