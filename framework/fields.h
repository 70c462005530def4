// The field splitter shared by the setup file, the score file and the
// settings panel's two-line labels.
#pragma once

#include <string>

// Returned for a field that does not exist; reads as 0 through ToInt.
inline constexpr const char* kMissingField = "-+-";

// The n-th field (from 1) of the trimmed text, cut at the separator. A text
// without any separator is its own field 1 and field 2; n <= 1 gives field 1.
std::string Field(const std::string& text, const std::string& separator, int n);
