// Names of input codes, shown on the controls page of the settings menu.
#pragma once

#include <string>

// The key's name (British layout for punctuation) for codes with a row in the
// key table; otherwise the joypad name of code mod 50 ("Y-", "Up", or the
// button number). Code 0 (nothing bound) gives "".
std::string InputName(int code);
