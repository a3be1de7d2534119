// Dates as the operator types them (day, month, year digits, with or without separators) and
// as lists, headers and the calendar display them (four styles in four languages).
#pragma once

#include "text/calendar.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// The typing form of a stored date: DDMMYY when the year lies from 50 years before to 49 years
// after the current year, else DDMMYYYY; the empty text for a date with neither day nor
// month (the zero date) and for a date of fewer than two bytes.
std::string DateToEntryText(const PackedDate& p);

// A typed date (day, month, year; no separator or exactly two of "." "/" "-"; blanks allowed
// where digits are) to a packed date. A two-digit year is placed in the window around the
// current year. The date is not validated (31/02/24 packs as 20240231); a malformed text
// gives the zero date.
PackedDate ParseEntryDate(std::string_view typed);

// 0 when the typed text is a real date, -1 otherwise (malformed, impossible day or month,
// one of the days missing in October 1582, a three-digit year, a year above 9999).
int16_t CheckEntryDate(std::string_view typed);

// The display text of a date. Style -1: YYYY-MM-DD. Style 0: numbers joined by the user's
// separator, in the user's order; 1: the same with the three-letter month name; 2 and above:
// the long form with the full month name and the joining words of the session language.
// The pattern ("dma", "ma", "m") names the parts shown; styles below 2 are cut or filled with
// blanks to the pattern's width.
std::string FormatDate(const PackedDate& p, int16_t style, std::string_view pattern);

// Forgets the date display settings read from Nuvo.ini, so the next FormatDate reads them
// again (the program reads them once; tests change them).
void ForgetDateSettings();

} // namespace text
