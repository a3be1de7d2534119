#include "text/leadingnumber.h"

#include <cmath>

namespace text {

double LeadingNumber(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    double value = 0, scale = 1;
    bool fraction = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c == '.' && !fraction) {
            fraction = true;
        } else if (c >= '0' && c <= '9') {
            if (fraction)
                value += (c - '0') * (scale /= 10);
            else
                value = value * 10 + (c - '0');
        } else {
            break;
        }
    }
    if (!std::isfinite(value)) value = 0;
    return negative ? -value : value;
}

} // namespace text
