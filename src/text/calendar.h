// Packed digits and dates, calendar rules and date arithmetic.
//
// A PackedDate is the eight digits YYYYMMDD packed two to a byte, each byte 128 + value
// (20240315 is 94 98 83 8F hex), so packed dates compare byte by byte in calendar order.
// The zero date (four bytes 0x80) stands for no date.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

using PackedDigits = std::string;
using PackedDate = std::string;

// The zero date: the packed form of "00000000".
inline const PackedDate kZeroDate("\x80\x80\x80\x80", 4);

// Date order: the unsigned bytes compared from the first, a shorter prefix first.
bool DateBefore(const PackedDate& a, const PackedDate& b);

// Digits packed two to a byte. The text is first right-aligned in its own width with zeros
// on the left, inner blanks become zeros; an odd last digit becomes the tens of the last byte;
// a character that is not a digit counts as 0.
PackedDigits PackDigits(std::string_view digits);

// The digit text of packed bytes, two digits a byte (high bit dropped, last two digits kept).
std::string UnpackDigits(std::string_view packed);

// x in decimal (at most 15 significant digits), without its sign, zero-padded or cut on the
// left to exactly width characters.
std::string ZeroPadNumber(double x, int16_t width);

// Whether year is a leap year, under the Gregorian rule or the Julian one.
bool IsLeapYear(int64_t year, bool gregorian);

// Days of month m of year y (31/30 by month, February 28 or 29 by the leap rule).
int MonthLength(int64_t m, int64_t y, bool gregorian);

// Whether y, m, d is a date that can be typed: month 1..12, day within the month under the
// Gregorian rule for every year, and not one of the ten days missing in October 1582.
bool IsValidDate(int64_t y, int64_t m, int64_t d);

// The packed date of year, month and day.
PackedDate MakeDate(int64_t y, int64_t m, int64_t d);

// A date taken apart (from the numeric value of its digits).
struct DateParts {
    int64_t year, month, day;
};
DateParts SplitDate(const PackedDate& p);

// Adds n days ("D"), months ("M") or years ("A") to p; the unit letter is case-blind.
// A month-end day is cut to the last day of the resulting month; years past 9999 give
// 9999-12-31. An amount of 0 returns p exactly as given.
PackedDate AddToDate(const PackedDate& p, int32_t n, char unit);

// The distance between two dates, in either order, in days, months (days ignored) or
// completed years; 0 for an unknown unit.
int32_t DateDifference(const PackedDate& p, const PackedDate& q, char unit);

// 1 Monday .. 7 Sunday (Julian calendar before 1582-10-05).
int16_t DayOfWeek(const PackedDate& p);

} // namespace text
