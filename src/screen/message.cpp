#include "screen/message.h"

#include "platform/console.h"
#include "screen/colours.h"
#include "screen/keys.h"
#include "screen/windows.h"

#include <algorithm>
#include <cstdlib>

namespace screen {

namespace {

std::string Capitals(std::string_view code) {
    std::string up(code);
    for (char& c : up)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return up;
}

// Widens the gaps between words from the left, one blank at a time, until the line is m long.
// Blanks among the first `skip` characters (the indent) are left alone.
void Justify(std::string& line, long m, long skip) {
    long s = 1 + skip, f = 2;
    while (static_cast<long>(line.size()) < m) {
        size_t pos = line.find(' ', static_cast<size_t>(s + f - 1));
        if (pos == std::string::npos) pos = line.find(' ', static_cast<size_t>(skip));
        if (pos == std::string::npos) return; // cannot happen: the caller saw a blank there
        s = static_cast<long>(pos) + 1;
        line.insert(pos, 1, ' ');
        f = 2;
        while (s + f <= static_cast<long>(line.size()) &&
               line[static_cast<size_t>(s + f - 1)] == ' ')
            ++f;
    }
}

void Align(std::string& line, long m, const std::string& code, long skip, bool textGoesOn) {
    const long n = static_cast<long>(line.size());
    if (code == "A" || code == "B") {
        const bool hasGap =
            n > skip && line.find(' ', static_cast<size_t>(skip)) != std::string::npos;
        if (hasGap && textGoesOn) Justify(line, m, skip);
        return;
    }
    if (m <= n) return;
    const size_t pad = static_cast<size_t>(m - n);
    if (code == "E" || code == "L" || code == "I")
        line.append(pad, ' ');
    else if (code == "N")
        line.append(pad, '-');
    else if (code == "D" || code == "R")
        line.insert(0, pad, ' ');
    else if (code == "C")
        line = std::string(pad / 2, ' ') + line + std::string((pad + 1) / 2, ' ');
}

} // namespace

std::vector<std::string> FormatParagraphLines(std::string_view t, int16_t q, int16_t w,
                                              std::string_view alignment) {
    const long len = static_cast<long>(t.size());
    auto in = [&](long p) { return p >= 1 && p <= len; };
    auto at = [&](long p) { return static_cast<uint8_t>(t[static_cast<size_t>(p - 1)]); };
    auto control = [&](long p) { return in(p) && at(p) < 32; };
    auto above = [&](long p) { return in(p) && at(p) > 32; };
    auto blank = [&](long p) { return in(p) && at(p) == 32; };
    auto below = [&](long p) { return !in(p) || at(p) < 32; }; // past the end counts as below

    const std::string code = Capitals(alignment);
    const long skip = std::labs(q);
    // An indent as wide as the line would leave no room and the text would never advance:
    // every line keeps room for at least one character.
    auto indentOf = [&](long indent) {
        return std::clamp<long>(indent, 0, std::max<long>(w - 1, 0));
    };
    long b = indentOf(q > 0 ? q : 0);
    long c = 1;
    std::vector<std::string> lines;
    while (c <= len) {
        long j = std::max<long>(w - b, 1);
        long i = 0;
        while (i != j) {
            if (!in(c + i)) break;
            if (control(c + i)) ++j;
            ++i;
        }
        // Control characters right after the last character stay on the line.
        if (above(c + i - 1))
            while (control(c + i))
                ++j, ++i;
        long k = j;
        if (above(c + k)) { // the line would end inside a word: back to the blank before it
            while (above(c + k) && k > 0) {
                if (control(c + k - 1)) --j;
                --k;
            }
        }
        if (below(c + k) && k > 0)
            while (blank(c + k - 1) && k > 0)
                --k;      // trailing blanks are dropped
        if (k < 1) k = j; // a word longer than the room is cut
        std::string line(static_cast<size_t>(b), ' ');
        if (c <= len) line += t.substr(static_cast<size_t>(c - 1), static_cast<size_t>(k));
        Align(line, b + j, code, skip, len > c + k);
        lines.push_back(std::move(line));
        c += k;
        while (blank(c))
            ++c;
        b = indentOf(q < 0 ? -static_cast<long>(q) : 0);
    }
    return lines;
}

void FormatParagraph(std::string& text, int16_t indent, int16_t width, std::string_view alignment) {
    std::string joined;
    for (const std::string& line : FormatParagraphLines(text, indent, width, alignment))
        joined += line;
    text = std::move(joined);
}

void ShowMessage(int16_t row, std::string_view text) {
    SetColour("+rh");
    std::vector<std::string> lines = FormatParagraphLines(text, 0, 76, "i");
    if (lines.empty()) {
        // Nothing to show, but the caller pops a box: a refused push makes that pop a no-op.
        PushWindow(0, 0, 0, 0);
        SetColour("-");
        return;
    }
    const int H = ConsoleHeight(), W = ConsoleWidth();
    if (static_cast<int>(lines.size()) > H - 2) lines.resize(static_cast<size_t>(H - 2));
    const int k = static_cast<int>(lines.size());

    int top = row - (k + 1) / 2 - 2;
    if (top < 1) top = 1;
    int bottom = top + k + 1;
    if (bottom > H) {
        bottom = H;
        top = bottom - k - 1;
    }
    for (std::string& line : lines)
        line.erase(line.find_last_not_of(' ') + 1);
    int left = 0, right = 0, widest = -1;
    for (const std::string& line : lines) {
        const int g = static_cast<int>(line.size());
        if (g >= widest) {
            widest = g;
            left = 39 - (g + 1) / 2;
            right = g / 2 + 42;
        }
    }
    // Control characters take no room in the layout but do in the row: keep the box on screen.
    left = std::max(left, 1);
    right = std::min(right, W);

    PushWindow(static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
               static_cast<int16_t>(right));
    DrawFrame(1);
    for (int n = 1; n <= k; ++n) {
        PlaceCursor(static_cast<int16_t>(n), 2);
        platform::WriteText(lines[static_cast<size_t>(n - 1)]);
    }
    SetColour("-");
}

} // namespace screen

namespace screen {

void WaitForKeyPress() {
    while (platform::PeekInput()) (void)TakeKeyCode();
    for (;;) {
        const KeyCode key = TakeKeyCode();
        if (key != kKeyNone && key != kKeyMouse) return;
    }
}

void ShowMessageUntilKey(int16_t row, std::string_view text) {
    ShowMessage(row, text);
    platform::Beep();
    WaitForKeyPress();
    PopWindow();
}

} // namespace screen
