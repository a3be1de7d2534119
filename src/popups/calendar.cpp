#include "popups/popups.h"

namespace popups {

std::string RunCalendar() {
    return {};
}

} // namespace popups
