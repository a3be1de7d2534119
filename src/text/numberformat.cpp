#include "text/numberformat.h"

#include "app/settings.h"
#include "platform/system.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace text {

namespace {

// ---- Display settings ----

struct NumberSettings {
    bool loaded = false;
    char decimal = '\'';
    char thousands = '.';
};
NumberSettings numberSettings;

// The first character of a setting, or the default when the setting is empty or blank.
char FirstCharacter(const std::string& value, char fallback) {
    return value.empty() || value[0] == ' ' ? fallback : value[0];
}

const NumberSettings& LoadedNumberSettings() {
    if (!numberSettings.loaded) {
        const std::string file = platform::GetEnvironment("ARXROOT") + "Nuvo.ini";
        numberSettings.decimal =
            FirstCharacter(app::ReadSetting(file, "Usuari", "DecCaracter"), '\'');
        numberSettings.thousands =
            FirstCharacter(app::ReadSetting(file, "Usuari", "MilCaracter"), '.');
        numberSettings.loaded = true;
    }
    return numberSettings;
}

bool IsDigitPosition(char c) {
    return c == '9' || c == 'Z' || c == 'z' || c == '*';
}
bool IsSignPosition(char c) {
    return c == '-' || c == '+';
}

// Fill codes remembered between positions: the fill character of the last digit position,
// plus kNoDigit when that position got no digit of the number.
constexpr int kNoDigit = 256;
constexpr int kBlankFill = ' ';
constexpr int kStarFill = '*';

} // namespace

void ForgetNumberSettings() {
    numberSettings = NumberSettings{};
}

std::string FormatNumber(std::string_view picture, double value) {
    const NumberSettings& settings = LoadedNumberSettings();
    const int64_t length = static_cast<int64_t>(picture.size());
    const std::string marks(picture.size(), '!');

    // Measure the picture: e positions after the point take digits or signs, the first d of
    // them (digit positions right after the point) are the decimals.
    int64_t e = 0, d = 0;
    const size_t point = picture.find('.');
    if (point != std::string_view::npos) {
        for (size_t j = point + 1; j < picture.size(); ++j)
            if (IsDigitPosition(picture[j]) || IsSignPosition(picture[j])) ++e;
        if (e > 0)
            for (size_t j = point + 1; j < picture.size() && IsDigitPosition(picture[j]); ++j)
                ++d;
    }
    const bool signedPicture = picture.find_first_of("-+") != std::string_view::npos;

    // Round |value| to d decimals, halves to the even neighbour. A value that is not a number,
    // or that cannot be scaled to its decimals, has no digits to show.
    if (!std::isfinite(value)) return marks;
    double scaled = 0;
    if (value != 0) {
        scaled = std::fabs(value) * std::pow(10.0, static_cast<double>(d));
        if (!std::isfinite(scaled)) return marks;
        const double whole = std::trunc(scaled);
        const double fraction = scaled - whole;
        scaled =
            (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) ? whole + 1 : whole;
    }
    std::string digits;
    if (scaled > 0) {
        char buf[400];
        std::snprintf(buf, sizeof buf, "%.0f", scaled);
        digits = buf;
    }
    const int64_t n = static_cast<int64_t>(digits.size());
    bool negative = value < 0;
    const bool wasNegative = negative;

    // The X-th digit (counted from 1), or 0 where the number has none.
    auto digitAt = [&](int64_t x) {
        return x >= 1 && x <= n ? digits[static_cast<size_t>(x - 1)] : '\0';
    };
    // Whether the digits from the X-th to the end make a number above 0.
    auto restAboveZero = [&](int64_t x) {
        for (int64_t k = std::max<int64_t>(x, 1); k <= n; ++k)
            if (digits[static_cast<size_t>(k - 1)] != '0') return true;
        return false;
    };

    // The value written plainly, right-aligned, for a number the picture cannot hold.
    auto plainForm = [&]() {
        const int64_t whole = std::max<int64_t>(n - d, 0);
        if (length < whole + (wasNegative ? 1 : 0)) return marks;
        std::string plain = wasNegative ? "-" : "";
        plain += digits.substr(0, static_cast<size_t>(whole));
        if (d > 0) {
            plain += settings.decimal;
            std::string decimals(static_cast<size_t>(std::max<int64_t>(d - n, 0)), '0');
            decimals += digits.substr(static_cast<size_t>(whole));
            plain += decimals;
        }
        if (static_cast<int64_t>(plain.size()) > length) return plain.substr(0, picture.size());
        return std::string(picture.size() - plain.size(), ' ') + plain;
    };

    std::string out(picture);
    int64_t x = n - d + e; // digits still to place, plus the sign positions after the point
    int fill = 0;

    // First pass: the number's digits, from the right.
    int64_t i = length;
    for (; i >= 1 && x > 0; --i) {
        const int64_t b = length - e; // positions before b lie left of the decimal area
        char& c = out[static_cast<size_t>(i - 1)];
        const char digit = digitAt(x);
        switch (picture[static_cast<size_t>(i - 1)]) {
        case '9':
            c = digit ? digit : '0';
            fill = 0;
            --x;
            break;
        case 'Z':
        case 'z':
            if (i < b || restAboveZero(x) || e == 0) {
                c = digit ? digit : (i < b ? ' ' : '0');
                fill = kBlankFill + (digit ? 0 : kNoDigit);
            } else {
                c = ' ';
                fill = kBlankFill + kNoDigit;
            }
            --x;
            break;
        case '*':
            c = digit ? digit : '*';
            fill = kStarFill + (digit ? 0 : kNoDigit);
            --x;
            break;
        case '.':
            c = fill >= kNoDigit ? static_cast<char>(fill - kNoDigit) : settings.decimal;
            e = 0; // every position further left lies before the decimal area
            break;
        case ',':
            c = settings.thousands;
            break;
        case '-':
        case '+':
            c = negative ? '-' : (c == '+' ? '+' : ' ');
            if (e > 0) --x;
            break;
        default:
            break;
        }
    }

    // The digits did not fit, or an unsigned picture has no room left for the minus.
    if (x > 0 || (!signedPicture && negative && i == 0)) return plainForm();

    // Second pass: the positions left of the number.
    for (int64_t j = i; j >= 1; --j) {
        const int64_t b = length - e;
        char& c = out[static_cast<size_t>(j - 1)];
        const bool placeMinus = negative && !signedPicture;
        switch (picture[static_cast<size_t>(j - 1)]) {
        case '9':
            if (placeMinus && j < b) {
                c = '-';
                negative = false;
            } else {
                c = '0';
            }
            fill = 0;
            break;
        case 'Z':
        case 'z':
            if (placeMinus) {
                c = '-';
                negative = false;
            } else if (j < b || value == 0) {
                c = ' ';
                fill = kBlankFill + kNoDigit;
            } else {
                c = '0';
                fill = kBlankFill;
            }
            break;
        case '*':
            if (placeMinus) {
                c = '-';
                negative = false;
            } else {
                c = j < b ? '*' : '0';
                fill = kStarFill;
            }
            break;
        case ',':
            if (placeMinus) {
                c = '-';
                negative = false;
            } else {
                c = fill != 0 ? static_cast<char>(fill % kNoDigit) : settings.thousands;
            }
            break;
        case '.':
            c = fill >= kNoDigit ? static_cast<char>(fill - kNoDigit) : settings.decimal;
            break;
        case '-':
            c = negative ? '-' : ' ';
            break;
        case '+':
            c = negative ? '-' : '+';
            break;
        default:
            break;
        }
    }

    // An unsigned picture whose positions left of the number take no minus (such as "$99")
    // would show a negative amount as a positive one: show the plain form instead.
    if (!signedPicture && negative && n > 0) return plainForm();
    return out;
}

int16_t CheckNumberEntry(std::string_view typed, std::string_view picture) {
    bool pointAllowed = picture.find('.') != std::string_view::npos;
    bool signAllowed = picture.find_first_of("-+") != std::string_view::npos;
    int16_t result = 0;
    for (char c : typed) {
        if (c == '+' || c == '-') {
            if (!signAllowed) result = -1;
            signAllowed = false;
        } else if (c == '.') {
            if (!pointAllowed) result = -1;
            pointAllowed = false;
            signAllowed = false;
        } else if (c >= '0' && c <= '9') {
            signAllowed = false;
        } else if (c != ' ') {
            result = -1;
        }
    }
    return result;
}

} // namespace text
