// Laying the pages of a print file out as lines of text on a grid of character columns.
#pragma once

#include "print/printreader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace print {

// The width the pages of the suite's listings are made for (a rule of 135 hyphens).
inline constexpr int32_t kListingWidth = 135;
// No page is laid out narrower than the console.
inline constexpr int32_t kMinimumWidth = 80;

struct LaidOutLine {
    int32_t line = 0; // line of the page, from 0
    std::string text; // code page 850, without trailing blanks
};

struct LaidOutPage {
    int32_t length = 0;             // the page's length in lines; 0 when it has none
    int32_t width = kMinimumWidth;  // columns: the rightmost one used, at least kMinimumWidth
    std::vector<LaidOutLine> lines; // lines that hold text, in line order
    bool condensed = false;         // some text of the page is in condensed pitch
};

// The first column (from 1) an item occupies: E and A start at the column, D and N end at it,
// C is centred on it. An item that would start left of the margin starts at column 1.
int32_t StartColumn(const PlacedText& item);

// Places every item of every page. A later item overprints an earlier one where its own
// characters are not blank, as on paper.
std::vector<LaidOutPage> LayOutPages(const PrintDocument& document);

// The number of lines a page spans: its length, or more when text lies beyond it.
int32_t PageLineCount(const LaidOutPage& page);

// The text of one line of a page (empty for a line without text).
const std::string& PageLineText(const LaidOutPage& page, int32_t line);

} // namespace print
