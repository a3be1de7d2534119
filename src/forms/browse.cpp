#include "forms/browse.h"

namespace forms {

int16_t RunBrowse(int16_t) {
    return -1;
}

} // namespace forms
