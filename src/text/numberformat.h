// Numbers shown through pictures such as "ZZ9", "Z,ZZZ,ZZ9.99" or "+ZZ9.99", and the check of a
// typed number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// The picture filled with the value: "9" digit or 0, "Z"/"z" digit or blank, "*" digit or "*",
// "." the user's decimal character, "," the user's thousands character, "-" and "+" sign
// positions; any other character is copied. The value is rounded to the picture's decimals
// (halves to the even neighbour). A value that does not fit shows as its plain digits
// right-aligned, or as "!" marks when even those do not fit; a value that is not a finite
// number (or too large to scale) shows as "!" marks. The result has the picture's length.
std::string FormatNumber(std::string_view picture, double value);

// 0 when a typed number holds only what the picture allows: digits and blanks, one decimal
// point when the picture has one, one leading sign when it has "-" or "+"; -1 otherwise.
int16_t CheckNumberEntry(std::string_view typed, std::string_view picture);

// Forgets the number display settings read from Nuvo.ini, so the next FormatNumber reads them
// again (the program reads them once; tests change them).
void ForgetNumberSettings();

} // namespace text
