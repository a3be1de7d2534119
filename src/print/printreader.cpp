#include "print/printreader.h"

#include "platform/system.h"
#include "text/texthelpers.h"

#include <cstdio>

namespace print {

namespace {

// What the reader keeps between lines: the page being filled, the line on it and the modes
// the control and alignment lines set.
struct ReaderState {
    PrintDocument* document = nullptr;
    PrintPage* page = nullptr;
    int32_t line = 0;
    int16_t pendingLength = kDefaultPageLength; // length of the first page
    bool condensed = false;
    Alignment nextAlignment = Alignment::Left;
    std::vector<std::string> pendingControls; // controls read before the first page
};

void NewPage(ReaderState& s, int16_t length) {
    s.document->pages.push_back(PrintPage{});
    s.page = &s.document->pages.back();
    s.page->length = length;
    s.page->controls = std::move(s.pendingControls);
    s.pendingControls.clear();
    s.line = 0;
}

// A page line starts a new page, except on a page that holds nothing yet: there it only sets
// the length, so a listing that begins with a page line prints no empty sheet first.
void PageLine(ReaderState& s, int16_t length) {
    if (s.page && s.page->items.empty() && s.line == 0) {
        s.page->length = length;
        return;
    }
    if (!s.page) {
        s.pendingLength = length;
        NewPage(s, length);
        return;
    }
    NewPage(s, length);
}

void ControlLine(ReaderState& s, std::string_view code) {
    if (code == "@e") {
        s.condensed = true;
    } else if (code == "q") {
        s.condensed = false;
    } else if (s.page) {
        s.page->controls.emplace_back(code);
    } else {
        s.pendingControls.emplace_back(code);
    }
}

Alignment AlignmentOf(std::string_view code) {
    switch (code.empty() ? 'E' : code.front()) {
    case 'C':
        return Alignment::Centre;
    case 'D':
    case 'R':
        return Alignment::Right;
    case 'A':
    case 'B':
        return Alignment::Both;
    case 'N':
        return Alignment::Numeric;
    default:
        return Alignment::Left;
    }
}

bool TextItem(ReaderState& s, std::string_view line) {
    size_t first = line.find(',');
    size_t last = line.rfind(',');
    if (first == std::string_view::npos || first == last) return false;
    int16_t column = 0, advance = 0;
    if (!ParsePrintNumber(line.substr(0, first), column)) return false;
    if (!ParsePrintNumber(line.substr(last + 1), advance)) return false;

    if (!s.page) NewPage(s, s.pendingLength);
    // A full page goes on to the next sheet of the same length, as the paper would.
    if (s.page->length > 0 && s.line >= s.page->length) NewPage(s, s.page->length);

    PlacedText item;
    item.line = s.line;
    item.column = column;
    item.alignment = s.nextAlignment;
    item.condensed = s.condensed;
    item.text.assign(line.substr(first + 1, last - first - 1));
    for (char& ch : item.text) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 32 || b == 127 || b == 255) ch = ' ';
    }
    s.page->items.push_back(std::move(item));
    s.nextAlignment = Alignment::Left;
    // Paper does not move back: a negative advance keeps the line.
    if (advance > 0) s.line += advance;
    return true;
}

} // namespace

bool ParsePrintNumber(std::string_view text, int16_t& value) {
    text = text::TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    int32_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
        if (n > 32768) return false;
    }
    if (negative) n = -n;
    if (n > 32767) return false;
    value = static_cast<int16_t>(n);
    return true;
}

int16_t ParsePrintFile(std::string_view bytes, PrintDocument& document, int32_t& badLine) {
    document = PrintDocument{};
    badLine = 0;
    ReaderState s;
    s.document = &document;

    int32_t number = 0;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        std::string_view line =
            bytes.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        pos = end == std::string_view::npos ? bytes.size() : end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // A DOS end-of-file mark after the last line ends the file.
        if (line == "\x1a" && pos >= bytes.size()) break;

        if (number == 1) {
            if (line.substr(0, 6) != "DEVICE") {
                badLine = 1;
                return kReadMalformed;
            }
            document.device.assign(line.substr(6));
            continue;
        }
        if (line.empty()) continue;

        bool ok = true;
        if (line.substr(0, 4) == "PAGE") {
            int16_t length = 0;
            ok = ParsePrintNumber(line.substr(4), length);
            if (ok) PageLine(s, length);
        } else if (line.front() == '*') {
            ControlLine(s, line.substr(1));
        } else if (line.substr(0, 3) == "JUS") {
            s.nextAlignment = AlignmentOf(line.substr(3));
        } else {
            ok = TextItem(s, line);
        }
        if (!ok) {
            badLine = number;
            return kReadMalformed;
        }
    }
    if (number == 0) {
        badLine = 1;
        return kReadMalformed;
    }
    return kReadOk;
}

int16_t ReadPrintFile(std::string_view systemPath, PrintDocument& document, int32_t& badLine) {
    document = PrintDocument{};
    badLine = 0;
    platform::FileHandle file = platform::OpenShared(systemPath);
    if (!file) return kReadUnreadable;
    std::string bytes;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, got);
    if (std::ferror(file.get())) return kReadUnreadable;
    return ParsePrintFile(bytes, document, badLine);
}

} // namespace print
