// Any picture and any value through FormatNumber, and any typed text through CheckNumberEntry.
//
// Input: eight bytes of a 64-bit floating-point value, then the picture; the picture also
// serves as the typed text, checked against itself.
#include "text/numberformat.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const std::string picture(reinterpret_cast<const char*>(data + 8), size - 8);

    const std::string shown = text::FormatNumber(picture, value);
    if (shown.size() != picture.size()) std::abort();

    const int16_t check = text::CheckNumberEntry(picture, picture);
    if (check != 0 && check != -1) std::abort();
    return 0;
}
