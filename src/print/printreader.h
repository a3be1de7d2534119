// Reading a print file back: the device line, then page lines, control lines, alignment lines
// and text items, turned into pages of texts placed at a line and a column.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace print {

// How a text item stands to its column. An alignment line applies to the next text item only.
enum class Alignment : uint8_t {
    Left,    // E: starts at the column
    Right,   // D: ends at the column
    Centre,  // C: centred on the column
    Both,    // A: a single item has no width to fill, so it is placed like E
    Numeric, // N: numbers line up on their last digit, so it is placed like D
};

struct PlacedText {
    int32_t line = 0;   // line of its page, from 0
    int16_t column = 1; // as written: 1 is the left margin
    Alignment alignment = Alignment::Left;
    bool condensed = false; // printed in condensed pitch ("@e" until "q")
    std::string text;       // code page 850, control characters blanked
};

struct PrintPage {
    int16_t length = 0;                // lines on the page; below 1: no fixed length
    std::vector<PlacedText> items;     // in the order of the file
    std::vector<std::string> controls; // control codes other than the pitch, for printers
};

struct PrintDocument {
    std::string device; // the device line without "DEVICE"
    std::vector<PrintPage> pages;
};

// The page length a text item gets when no page line came before it.
inline constexpr int16_t kDefaultPageLength = 66;

enum ReadStatus : int16_t {
    kReadOk = 0,
    kReadUnreadable = 1, // the file is missing or cannot be read
    kReadMalformed = 2,  // badLine names the first line (from 1) that is not a print file line
};

// Parses the bytes of a print file. Lines end with LF, with or without a CR before it.
int16_t ParsePrintFile(std::string_view bytes, PrintDocument& document, int32_t& badLine);

// Reads and parses the print file at a path text of the system; the file is only read.
int16_t ReadPrintFile(std::string_view systemPath, PrintDocument& document, int32_t& badLine);

// A print number ("-" or blanks, digits, blanks) within 16 bits; false when it is none.
bool ParsePrintNumber(std::string_view text, int16_t& value);

} // namespace print
