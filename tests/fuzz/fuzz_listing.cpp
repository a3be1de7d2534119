// The selection and the lines of the contract expiry listing on records of arbitrary bytes
// (packed codes and dates of any value, any duration) and any report parameters: no crash,
// no read out of bounds, and a selected contract always has a four-byte expiry date.
#include "print/printfile.h"
#include "report/listing.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Listing date, first and last flat key (4 bytes each), then a property and a flat record;
    // what the input lacks stays zero bytes.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    bytes.resize(12 + sizeof(report::PropertyRecord) + sizeof(report::FlatRecord), '\0');
    report::ListingDate = bytes.substr(0, 4);
    report::FromFlatKey = bytes.substr(4, 4);
    report::ToFlatKey = bytes.substr(8, 4);
    std::memcpy(&report::PropertyBuffer, bytes.data() + 12, sizeof report::PropertyBuffer);
    std::memcpy(&report::FlatBuffer, bytes.data() + 12 + sizeof report::PropertyBuffer,
                sizeof report::FlatBuffer);
    text::PackedDate expiry;
    if (report::FlatSelected(report::FlatBuffer, expiry)) {
        if (expiry.size() != 4) std::abort();
        // No print file is open: the header and the line are formatted and written nowhere.
        report::pageNumber = 0;
        report::PrintDetailLine(expiry);
    }
    return 0;
}
