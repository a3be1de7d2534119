// Reading the number written at the start of a text.
#pragma once

#include <string_view>

namespace text {

// The number at the start of a text: leading blanks and tabs skipped, an optional sign,
// digits with an optional decimal point (always "."). 0 when the text does not start with a
// number. Digits beyond what a double holds only lose precision.
double LeadingNumber(std::string_view s);

} // namespace text
