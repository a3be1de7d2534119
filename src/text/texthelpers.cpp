#include "text/texthelpers.h"

#include <algorithm>
#include <array>
#include <limits>

namespace text {

namespace {

using FoldTable = std::array<uint8_t, 256>;

struct FoldPair {
    uint8_t from, to;
};

// Accented small letters of code page 850 and their capitals.
constexpr FoldPair kAccentedCapitals[] = {
    {0x81, 0x9A}, {0x82, 0x90}, {0x83, 0xB6}, {0x84, 0x8E}, {0x85, 0xB7}, {0x86, 0x8F},
    {0x87, 0x80}, {0x88, 0xD2}, {0x89, 0xD3}, {0x8A, 0xD4}, {0x8B, 0xD8}, {0x8C, 0xD7},
    {0x8D, 0xDE}, {0x91, 0x92}, {0x93, 0xE2}, {0x94, 0x99}, {0x95, 0xE3}, {0x96, 0xEA},
    {0x97, 0xEB}, {0xA0, 0xB5}, {0xA1, 0xD6}, {0xA2, 0xE0}, {0xA3, 0xE9}, {0xA4, 0xA5},
    {0xC6, 0xC7}, {0xD0, 0xD1}, {0xE4, 0xE5}, {0xEC, 0xED},
};

// Letters of code page 850 with accents or ligatures, small and capital, and the plain
// capital they are searched by.
struct SearchGroup {
    char capital;
    const char* codes; // code page 850 bytes
};
const SearchGroup kSearchLetters[] = {
    {'A', "\x83\x84\x85\x86\x8E\x8F\x91\x92\xA0\xA6\xB5\xB6\xB7\xC6\xC7"},
    {'C', "\x80\x87"},
    {'D', "\xD0\xD1"},
    {'E', "\x82\x88\x89\x8A\x90\xD2\xD3\xD4\xD5"},
    {'I', "\x8B\x8C\x8D\xA1\xD6\xD7\xD8\xDE"},
    {'N', "\xA4\xA5"},
    {'O', "\x93\x94\x95\x99\x9B\x9D\xA2\xA7\xE0\xE2\xE3\xE4\xE5"},
    {'S', "\xE1"},
    {'T', "\xE7\xE8"},
    {'U', "\x81\x96\x97\x9A\xA3\xE9\xEA\xEB"},
    {'Y', "\x98\xEC\xED"},
};

// Codes from 64 to 237 are folded; the others always stay.
constexpr int kFoldFirst = 64, kFoldLast = 237;

FoldTable IdentityTable() {
    FoldTable t{};
    for (int c = 0; c < 256; ++c)
        t[c] = static_cast<uint8_t>(c);
    return t;
}

FoldTable NormalTable() {
    FoldTable t = IdentityTable();
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] = static_cast<uint8_t>(c - 32);
    for (const FoldPair& p : kAccentedCapitals)
        t[p.from] = p.to;
    return t;
}

FoldTable SearchTable() {
    FoldTable t = IdentityTable();
    for (int c = kFoldFirst; c <= kFoldLast; ++c)
        t[c] = ' ';
    for (int c = 'A'; c <= 'Z'; ++c)
        t[c] = static_cast<uint8_t>(c);
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] = static_cast<uint8_t>(c - 32);
    for (const SearchGroup& g : kSearchLetters)
        for (const char* c = g.codes; *c; ++c)
            t[static_cast<uint8_t>(*c)] = static_cast<uint8_t>(g.capital);
    return t;
}

const FoldTable kNormalFolding = NormalTable();
const FoldTable kSearchFolding = SearchTable();

constexpr size_t kMaxStackedText = std::numeric_limits<uint16_t>::max();

int16_t ClampToInt16(int64_t v) {
    if (v > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
    if (v < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
    return static_cast<int16_t>(v);
}

} // namespace

int16_t IsAllOf(std::string_view text, int16_t code) {
    for (char c : text)
        if (static_cast<uint8_t>(c) != code) return 0;
    return -1;
}

int16_t CentreOffset(std::string_view text, int16_t width) {
    return ClampToInt16((static_cast<int64_t>(width) - static_cast<int64_t>(text.size())) / 2);
}

void PushText(std::string_view text) {
    // The length is stored in two bytes: a longer text is kept up to what they can count.
    text = text.substr(0, kMaxStackedText);
    TextStack += text;
    TextStack += static_cast<char>(text.size() & 0xFF);
    TextStack += static_cast<char>(text.size() >> 8);
}

std::string PopText() {
    if (TextStack.size() < 2) {
        TextStack.clear();
        return {};
    }
    const size_t top = TextStack.size() - 2;
    size_t n = static_cast<uint8_t>(TextStack[top]) |
               (static_cast<size_t>(static_cast<uint8_t>(TextStack[top + 1])) << 8);
    if (n > top) n = top; // a stack changed behind our back: take what is there
    std::string text = TextStack.substr(top - n, n);
    TextStack.resize(top - n);
    return text;
}

PackedDigits PackCodeKey(std::string_view code) {
    const size_t len = code.size();
    const size_t points = static_cast<size_t>(std::count(code.begin(), code.end(), '.'));
    size_t width = (len == 6 && points == 0) || (len == 11 && points < 2) ? 6 : 4;
    std::string out;
    size_t start = 0;
    for (;;) {
        const size_t dot = code.find('.', start);
        const bool last = dot == std::string_view::npos;
        const size_t end = last ? len : dot;
        if (last) {
            std::string_view rest = code.substr(start);
            while (!rest.empty() && rest.back() == ' ')
                rest.remove_suffix(1);
            if (rest.empty()) break;
        }
        // The group's number: its leading digits after leading blanks (a sign is dropped),
        // written without leading zeros.
        std::string_view piece = code.substr(start, end - start);
        size_t k = 0;
        while (k < piece.size() && piece[k] == ' ')
            ++k;
        if (k < piece.size() && (piece[k] == '+' || piece[k] == '-')) ++k;
        while (k < piece.size() && piece[k] == '0')
            ++k;
        size_t digitsEnd = k;
        while (digitsEnd < piece.size() && piece[digitsEnd] >= '0' && piece[digitsEnd] <= '9')
            ++digitsEnd;
        std::string padded = "00000";
        padded += digitsEnd > k ? piece.substr(k, digitsEnd - k) : std::string_view("0");
        out += padded.substr(padded.size() - std::min(width, padded.size()));
        width = 4;
        if (last) break;
        start = dot + 1;
    }
    return PackDigits(out);
}

std::string FoldCapitals(std::string_view text) {
    const FoldTable& table = searchFolding != 0 ? kSearchFolding : kNormalFolding;
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(table[static_cast<uint8_t>(c)]);
    return out;
}

std::string_view TrimLeadingBlanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

std::string_view TrimTrailingBlanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::string_view TrimBlanks(std::string_view s) { return TrimTrailingBlanks(TrimLeadingBlanks(s)); }

} // namespace text
