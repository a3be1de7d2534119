#include "text/calendar.h"

#include "text/texthelpers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace text {

namespace {

char UnitLetter(char u) { return (u >= 'a' && u <= 'z') ? static_cast<char>(u - 32) : u; }

// Floor division, for negative months.
int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Day counts of a whole leap cycle: month lengths repeat after 400 Gregorian or 4 Julian years.
constexpr int64_t kGregorianCycleDays = 146097, kGregorianCycleYears = 400;
constexpr int64_t kJulianCycleDays = 1461, kJulianCycleYears = 4;

constexpr int64_t kYearLimit = 32767; // years as held by the difference and weekday operations

} // namespace

bool DateBefore(const PackedDate& a, const PackedDate& b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](char x, char y) { return static_cast<uint8_t>(x) < static_cast<uint8_t>(y); });
}

PackedDigits PackDigits(std::string_view digits) {
    const size_t len = digits.size();
    std::string_view trimmed = TrimBlanks(digits);
    std::string text(len - trimmed.size(), '0');
    text += trimmed;
    for (char& c : text)
        if (c == ' ') c = '0';
    auto digit = [&](size_t i) { return i < len && text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : 0; };
    PackedDigits out((len + 1) / 2, '\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char>(128 + 10 * digit(2 * i) + digit(2 * i + 1));
    return out;
}

std::string UnpackDigits(std::string_view packed) {
    std::string out;
    out.reserve(packed.size() * 2);
    for (char c : packed) {
        int v = static_cast<uint8_t>(c) & 127;
        out += static_cast<char>('0' + (v / 10) % 10);
        out += static_cast<char>('0' + v % 10);
    }
    return out;
}

std::string ZeroPadNumber(double x, int16_t width) {
    if (width <= 0) return {};
    char buf[64];
    if (std::isnan(x) || std::isinf(x)) x = 0;
    const double a = std::fabs(x);
    size_t length;
    if (a < 1e15 && a == std::floor(a)) {
        // Whole numbers below 10^15 are what "%.15G" writes as their plain digits; dates and
        // counters take this path on every date computation, without the float formatting.
        length = static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, static_cast<int64_t>(a)).ptr - buf);
    } else {
        length = static_cast<size_t>(std::snprintf(buf, sizeof buf, "%.15G", a));
    }
    const size_t w = static_cast<size_t>(width);
    if (length >= w) return std::string(buf + length - w, w);
    std::string text(w - length, '0');
    text.append(buf, length);
    return text;
}

bool IsLeapYear(int64_t year, bool gregorian) {
    if (year % 4 != 0) return false;
    return !gregorian || year % 100 != 0 || year % 400 == 0;
}

int MonthLength(int64_t m, int64_t y, bool gregorian) {
    int base = static_cast<int>(30 + ((1 + ((m + 1) % 9)) % 2));
    if (m == 2) base -= 2 - (IsLeapYear(y, gregorian) ? 1 : 0);
    return base;
}

bool IsValidDate(int64_t y, int64_t m, int64_t d) {
    int64_t c = y * 10000 + m * 100 + d;
    if (c >= 15821005 && c <= 15821014) return false;
    if (m < 1 || m > 12) return false;
    return d >= 1 && d <= MonthLength(m, y, true);
}

PackedDate MakeDate(int64_t y, int64_t m, int64_t d) {
    return PackDigits(ZeroPadNumber(static_cast<double>(y * 10000 + m * 100 + d), 8));
}

DateParts SplitDate(const PackedDate& p) {
    // The numeric value of the digits; a date longer than four bytes is read from its digits
    // all the same, with the year held within what the date operations can count through.
    std::string digits = UnpackDigits(p);
    double c = 0;
    for (char ch : digits) c = c * 10 + (ch - '0');
    int64_t year = static_cast<int64_t>(std::min(std::floor(c / 10000), double(kYearLimit)));
    double low = c - std::floor(c / 10000) * 10000; // month and day: the last four digits
    int64_t rest = static_cast<int64_t>(low);
    return {year, (rest / 100) % 100, rest % 100};
}

PackedDate AddToDate(const PackedDate& p, int32_t n, char unit) {
    if (n == 0) return p;
    DateParts parts = SplitDate(p);
    int64_t year = parts.year, month = parts.month, day = parts.day;
    const bool gregorian = year * 10000 + month * 100 + day >= 15821005;
    const int64_t cycleDays = gregorian ? kGregorianCycleDays : kJulianCycleDays;
    const int64_t cycleYears = gregorian ? kGregorianCycleYears : kJulianCycleYears;
    const char u = UnitLetter(unit);
    if (u == 'D') {
        day += n;
    } else if (u == 'M') {
        month += n;
        int64_t k = FloorDiv(month - 1, 12);
        year += k;
        month -= 12 * k;
    } else if (u == 'A') {
        year += n;
    }
    if (n > 0) {
        // Whole leap cycles first: they change the year only, so the walk below stays short.
        if (u == 'D' && month >= 1 && month <= 12 && day > cycleDays + 31) {
            int64_t cycles = (day - 31) / cycleDays;
            day -= cycles * cycleDays;
            year += cycles * cycleYears;
        }
        for (;;) {
            if (year > 9999) break; // capped below whatever the walk would give
            int l = MonthLength(month, year, gregorian);
            if (l < day && u == 'D') {
                day -= l;
                year += month / 12;
                month = month % 12 + 1;
                continue;
            }
            if (l < day) day = l;
            break;
        }
    } else {
        if (month >= 1 && month <= 12 && day <= -cycleDays) {
            int64_t cycles = -day / cycleDays;
            day += cycles * cycleDays;
            year -= cycles * cycleYears;
        }
        while (day <= 0) {
            if (--month == 0) {
                --year;
                month = 12;
            }
            day += MonthLength(month, year, gregorian);
        }
        int l = MonthLength(month, year, gregorian);
        if (day > l) day = l;
    }
    if (year > 9999) return PackDigits("99991231");
    return MakeDate(year, month, day);
}

int32_t DateDifference(const PackedDate& p, const PackedDate& q, char unit) {
    const PackedDate& start = DateBefore(q, p) ? q : p;
    const PackedDate& end = DateBefore(q, p) ? p : q;
    DateParts s = SplitDate(start), e = SplitDate(end);
    switch (UnitLetter(unit)) {
    case 'D': {
        int64_t total = 0;
        for (int64_t j = s.year + 1; j <= e.year - 1; ++j)
            total += 365 + (IsLeapYear(j, j >= 1582) ? 1 : 0);
        int64_t bound = s.year < e.year ? 12 : e.month - 1;
        for (int64_t i = s.month; i <= bound; ++i) total += MonthLength(i, s.year, s.year >= 1582);
        if (s.year < e.year)
            for (int64_t k = 1; k <= e.month - 1; ++k) total += MonthLength(k, e.year, e.year >= 1582);
        total += e.day - s.day;
        return static_cast<int32_t>(total);
    }
    case 'M':
        return static_cast<int32_t>((e.year - s.year) * 12 + e.month - s.month);
    case 'A': {
        int64_t years = e.year - s.year;
        if (s.month > e.month || (s.month == e.month && s.day > e.day)) --years;
        return static_cast<int32_t>(years);
    }
    default:
        return 0;
    }
}

int16_t DayOfWeek(const PackedDate& p) {
    DateParts parts = SplitDate(p);
    int64_t y1 = parts.year - 1;
    PackedDate firstOfYear = p.substr(0, 2) + PackDigits("0101");
    int64_t k = DateDifference(p, firstOfYear, 'D');
    bool julian = DateBefore(p, PackDigits("15821005"));
    int64_t w = julian ? ((y1 + y1 / 4) % 7 + 5 + k) % 7 + 1
                       : ((y1 + y1 / 4 - y1 / 100 + y1 / 400) % 7 + k) % 7 + 1;
    return static_cast<int16_t>(w);
}

} // namespace text
