// Typed dates of any bytes through ParseEntryDate and CheckEntryDate, read in any current
// year, and any bytes as a stored date through DateToEntryText and FormatDate.
//
// Input: two bytes of current year (1..9999), one byte of display style, then the typed text.
#include "text/dateformat.h"

#include "platform/system.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int year = 1 + (data[0] | data[1] << 8) % 9999;
    const int16_t style = static_cast<int16_t>(static_cast<int8_t>(data[2]));
    const std::string typed(reinterpret_cast<const char*>(data + 3), size - 3);
    platform::SetTodayForTests({year, 1, 1});

    const text::PackedDate parsed = text::ParseEntryDate(typed);
    if (parsed.size() != 4) std::abort();
    if (text::CheckEntryDate(typed) == 0) {
        // An accepted date is a real one, and its typing form reads back as the same date.
        const text::DateParts p = text::SplitDate(parsed);
        if (!text::IsValidDate(p.year, p.month, p.day)) std::abort();
        const std::string entry = text::DateToEntryText(parsed);
        if (text::ParseEntryDate(entry) != parsed || text::CheckEntryDate(entry) != 0) std::abort();
    }
    text::FormatDate(parsed, style, "dma");

    // The same bytes as a stored date of any length.
    text::DateToEntryText(typed);
    text::FormatDate(typed, style, typed.substr(0, 8));
    platform::SetTodayForTests({0, 0, 0});
    return 0;
}
