#include "text/dateformat.h"

#include "app/session.h"
#include "app/settings.h"
#include "platform/system.h"
#include "text/texthelpers.h"

#include <array>

namespace text {

namespace {

// ---- Current year ----

int64_t CurrentYear() {
    return platform::Today().year;
}
int64_t CurrentCentury() {
    return CurrentYear() / 100;
}

// ---- Typed dates ----

// The number a piece of a typed date holds. A piece may be any number of digits long: its last
// four digits are kept exactly (they are all a packed date can take) together with whether the
// whole number is above 9999, so a long run of digits neither overflows nor passes for a small
// number.
struct PieceValue {
    int32_t last = 0;   // the number's last four digits
    bool large = false; // the number is above 9999

    // The number where it is at most 9999; otherwise 10000 + its last four digits, which is
    // still above 9999 and still ends with those digits.
    int64_t Value() const { return large ? 10000 + last : last; }
};

// The number of a piece: its leading digits after leading blanks (reading stops at the first
// character that is not a digit); 0 for an empty piece.
PieceValue ReadPiece(std::string_view piece) {
    size_t i = 0;
    while (i < piece.size() && piece[i] == ' ')
        ++i;
    PieceValue v;
    for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i) {
        v.last = v.last * 10 + (piece[i] - '0');
        if (v.last > 9999) {
            v.large = true;
            v.last %= 10000;
        }
    }
    return v;
}


struct TypedDate {
    bool malformed = false;
    PieceValue day, month, year;
    size_t yearLength = 0; // characters of the year text without surrounding blanks
    bool YearIsLong() const { return yearLength > 3; }
};

bool IsSeparator(char c) {
    return c == '.' || c == '/' || c == '-';
}

// Takes a typed date apart: either fixed positions (day 1-2, month 3-4, year from 5) or three
// pieces between exactly two separators. Any other character, one separator or three make the
// text malformed.
TypedDate ReadTypedDate(std::string_view t) {
    TypedDate out;
    size_t separators = 0, pieceStart = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if ((c >= '0' && c <= '9') || c == ' ') continue;
        if (!IsSeparator(c) || separators == 2) {
            out.malformed = true;
            return out;
        }
        std::string_view piece = t.substr(pieceStart, i - pieceStart);
        (separators == 0 ? out.day : out.month) = ReadPiece(piece);
        ++separators;
        pieceStart = i + 1;
    }
    std::string_view yearText;
    if (separators == 0) {
        out.day = ReadPiece(t.substr(0, 2));
        out.month = ReadPiece(t.size() > 2 ? t.substr(2, 2) : std::string_view());
        yearText = t.size() > 4 ? t.substr(4) : std::string_view();
    } else if (separators == 2) {
        yearText = t.substr(pieceStart);
    } else {
        out.malformed = true;
        return out;
    }
    out.year = ReadPiece(yearText);
    out.yearLength = TrimBlanks(yearText).size();
    return out;
}

// ---- Display settings ----

struct DateSettings {
    bool loaded = false;
    char separator = '/';
    std::string order = "DMA";
};
DateSettings dateSettings;

bool IsBlank(std::string_view s) {
    return TrimBlanks(s).empty();
}

const DateSettings& LoadedDateSettings() {
    if (!dateSettings.loaded) {
        const std::string file = platform::GetEnvironment("ARXROOT") + "Nuvo.ini";
        const std::string sep = app::ReadSetting(file, "Usuari", "DatCaracter");
        const std::string order = app::ReadSetting(file, "Usuari", "DatOrdre").substr(0, 3);
        dateSettings.separator = sep.empty() || sep[0] == ' ' ? '/' : sep[0];
        dateSettings.order = IsBlank(order) ? std::string("DMA") : order;
        dateSettings.loaded = true;
    }
    return dateSettings;
}

// ---- Month names and joining words (code page 850) ----

struct DateLanguage {
    std::array<const char*, 12> months;
    const char* beforeConsonant; // before a month name that starts with a consonant
    const char* beforeVowel;     // before a month name that starts with a vowel
    const char* beforeNumber;    // before a day or a year
};

const DateLanguage kCatalan{{"gener", "febrer", "mar\x87", "abril", "maig", "juny", "juliol",
                             "agost", "setembre", "octubre", "novembre", "desembre"},
                            " de ",
                            " d'",
                            " del "};
const DateLanguage kSpanish{{"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio",
                             "agosto", "septiembre", "octubre", "noviembre", "diciembre"},
                            " de ",
                            " de ",
                            " de "};
const DateLanguage kGalician{{"janeiro", "fevereiro", "mar\x87o", "abril", "maio", "junho", "julho",
                              "agosto", "setembro", "outubro", "novembro", "dezembro"},
                             " de ",
                             " de ",
                             " do "};
const DateLanguage kOccitan{{"g\x8Ar", "hereu\x8Ar", "mar\x87", "abriu", "mai", "junh", "junhsega",
                             "agost", "seteme", "octobre", "noveme", "deseme"},
                            " de ",
                            " d'",
                            " deth "};

const DateLanguage& SessionDateLanguage() {
    const std::string& code = app::SessionSettings.language;
    if (code == "SPA") return kSpanish;
    if (code == "GLG") return kGalician;
    if (code == "OCI") return kOccitan;
    return kCatalan;
}

// The month's slot of ten characters: its name filled with blanks. A month outside 1..12 has
// no slot and gives the empty text.
std::string MonthSlot(const DateLanguage& lang, int month) {
    if (month < 1 || month > 12) return {};
    std::string slot = lang.months[static_cast<size_t>(month - 1)];
    slot.resize(10, ' ');
    return slot;
}

std::string TrimRightBlanks(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

bool StartsWithVowel(std::string_view name) {
    if (name.empty()) return false;
    char c = name[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U';
}

// The number a run of digit characters stands for, without leading zeros ("0" for none).
std::string WithoutLeadingZeros(std::string_view digits) {
    while (digits.size() > 1 && digits.front() == '0')
        digits.remove_prefix(1);
    return digits.empty() ? std::string("0") : std::string(digits);
}

// The characters of s from offset (counted from 0), at most count of them; empty when the
// offset lies beyond the end.
std::string_view Part(std::string_view s, size_t offset, size_t count) {
    return offset >= s.size() ? std::string_view() : s.substr(offset, count);
}

std::string LastDigits(std::string_view digits, size_t count) {
    std::string text(count, '0');
    text += digits;
    return text.substr(text.size() - count);
}

} // namespace

void ForgetDateSettings() {
    dateSettings = DateSettings{};
}

std::string DateToEntryText(const PackedDate& p) {
    // A date of fewer than two bytes has no day and month to show.
    if (p.size() < 2) return {};
    const std::string digits = UnpackDigits(p);
    const std::string_view all(digits);
    const int day = std::stoi(std::string(all.substr(all.size() - 2)));
    const int month = std::stoi(std::string(all.substr(all.size() - 4, 2)));
    if (day <= 0 && month <= 0) return {};
    const std::string_view yearDigits = all.substr(0, all.size() - 4);
    double year = 0;
    for (char c : yearDigits)
        year = year * 10 + (c - '0');
    const double now = static_cast<double>(CurrentYear());
    const bool shortYear = year >= now - 50 && year <= now + 49;
    return ZeroPadNumber(day, 2) + ZeroPadNumber(month, 2) +
           LastDigits(yearDigits, shortYear ? 2 : 4);
}

PackedDate ParseEntryDate(std::string_view typed) {
    const TypedDate t = ReadTypedDate(typed);
    if (t.malformed) return kZeroDate;
    int64_t year = t.year.Value();
    if (t.day.Value() > 0 && t.month.Value() > 0 && !t.YearIsLong()) {
        const int64_t now = CurrentYear();
        year = 100 * CurrentCentury() + year;
        if (year - now > 49)
            year -= 100;
        else if (now - year > 50)
            year += 100;
    }
    // Only the last four digits of the year and the last two of day and month are packed.
    return PackDigits(ZeroPadNumber(static_cast<double>(year), 4) +
                      ZeroPadNumber(static_cast<double>(t.month.Value()), 2) +
                      ZeroPadNumber(static_cast<double>(t.day.Value()), 2));
}

int16_t CheckEntryDate(std::string_view typed) {
    const TypedDate t = ReadTypedDate(typed);
    if (t.malformed) return -1;
    // A year of three digits is a typing slip (or a date cut short): ParseEntryDate would read
    // it as a two-digit year a century away. Years past 9999 cannot be stored.
    if (t.yearLength == 3 || t.year.large) return -1;
    int64_t year = t.year.Value();
    if (year < 100 && !t.YearIsLong()) {
        const int64_t now = CurrentYear();
        year = 100 * CurrentCentury() + year;
        if (year - now > 50)
            year -= 100;
        else if (now - year > 50)
            year += 100;
    }
    return IsValidDate(year, t.month.Value(), t.day.Value()) ? 0 : -1;
}

std::string FormatDate(const PackedDate& p, int16_t style, std::string_view pattern) {
    const DateSettings& settings = LoadedDateSettings();

    std::string upperPattern(pattern);
    for (char& c : upperPattern)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    auto shows = [&](char letter) { return upperPattern.find(letter) != std::string::npos; };

    // Width of the short styles.
    int64_t width = static_cast<int64_t>(pattern.size()) - 1;
    if (shows('M')) width += style + 2;
    if (shows('A')) width += 4;
    if (shows('D')) width += 2;
    auto fitted = [&](std::string out) {
        if (style >= 2) return out;
        out.resize(width > 0 ? static_cast<size_t>(width) : 0, ' ');
        return out;
    };

    // An empty or one-byte date holds no date at all.
    if (p.size() < 2) return style == -1 ? std::string() : fitted({});

    const std::string digits = UnpackDigits(p);
    const std::string yearText = LastDigits(Part(digits, 0, 4), 4);
    const std::string monthText = WithoutLeadingZeros(Part(digits, 4, 2));
    const std::string dayText = WithoutLeadingZeros(Part(digits, 6, 2));

    if (style == -1)
        return yearText + "-" + LastDigits(monthText, 2) + "-" + LastDigits(dayText, 2);

    std::string out;
    if (monthText + dayText > "00") {
        const DateLanguage& lang = SessionDateLanguage();
        const int month = std::stoi(monthText);
        for (char letter : settings.order) {
            if ((letter != 'D' && letter != 'M' && letter != 'A') || !shows(letter)) continue;
            std::string piece;
            if (letter == 'D')
                piece = dayText;
            else if (letter == 'A')
                piece = yearText;
            else if (style >= 2)
                piece = TrimRightBlanks(MonthSlot(lang, month));
            else if (style == 1)
                piece = MonthSlot(lang, month).substr(0, 3);
            else
                piece = monthText;
            if (!out.empty()) {
                if (style < 2)
                    out += settings.separator;
                else if (letter == 'M')
                    out += StartsWithVowel(piece) ? lang.beforeVowel : lang.beforeConsonant;
                else
                    out += lang.beforeNumber;
            }
            out += piece;
        }
    }
    return fitted(std::move(out));
}

} // namespace text
