// The pop-up tools the key reader opens from any field: the calculator (Alt+X) and the
// calendar (Alt+C). Each returns the text to be typed into the field, empty when cancelled.
#pragma once

#include <string>

namespace popups {

std::string RunCalculator();
std::string RunCalendar();

} // namespace popups
