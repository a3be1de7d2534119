#include "forms/hooks.h"

namespace forms {

int16_t CheckFormEnd(int16_t, screen::KeyCode) {
    return 0;
}

} // namespace forms
