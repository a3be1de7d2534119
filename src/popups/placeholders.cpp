#include "popups/popups.h"

namespace popups {

std::string RunCalculator() {
    return {};
}
std::string RunCalendar() {
    return {};
}

} // namespace popups
