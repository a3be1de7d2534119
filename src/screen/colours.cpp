#include "screen/colours.h"

#include "app/session.h"
#include "platform/console.h"

namespace screen {

void SetColour(std::string_view code) {
    bool plus = false, minus = false, u = false, n = false, r = false, blank = true;
    for (char c : code) {
        switch (c) {
        case '+':
            plus = true;
            break;
        case '-':
            minus = true;
            break;
        case 'u':
        case 'U':
            u = true;
            break;
        case 'n':
        case 'N':
            n = true;
            break;
        case 'r':
        case 'R':
            r = true;
            break;
        default:
            break;
        }
        if (c != ' ') blank = false;
    }
    if (blank) return;
    if (plus) ColourStack.push_back(CurrentColourIndex);
    ColourIndex index = 0;
    if (minus) {
        if (!ColourStack.empty()) {
            index = ColourStack.back();
            ColourStack.pop_back();
        }
    } else if (u) {
        index = 4;
    } else {
        index = static_cast<ColourIndex>((n ? 1 : 0) + (r ? 2 : 0));
    }
    // A stacked index is always one of 0..4, but keep a bad one from reading past the table.
    if (index < 0 || index > 4) index = 0;
    const app::ColourPair& pair = app::SessionSettings.colours[static_cast<size_t>(index)];
    platform::SetAttribute(pair.foreground, pair.background);
    CurrentColourIndex = index;
}

int16_t ConsoleWidth() {
    return platform::ConsoleColumns();
}
int16_t ConsoleHeight() {
    return platform::ConsoleRows();
}

void ScrollArea(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t lines) {
    platform::ScrollRectangle(top, left, bottom, right, lines);
}

void ResetColoursForTests() {
    CurrentColourIndex = 0;
    ColourStack.clear();
}

} // namespace screen
