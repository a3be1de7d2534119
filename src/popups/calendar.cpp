// The pop-up calendar behind Alt+C: a quarter of the year in a framed strip at the right edge
// of the screen, weeks from Monday, one day highlighted and moved with the cursor and paging
// keys. F hands the day back as the operator would type it into a date field.
#include "text/calendar.h"
#include "app/session.h"
#include "forms/editor.h"
#include "platform/console.h"
#include "platform/system.h"
#include "popups/popups.h"
#include "screen/colours.h"
#include "screen/keys.h"
#include "screen/windows.h"
#include "text/dateformat.h"
#include "text/texthelpers.h"

#include <string>

namespace popups {

namespace {

using screen::KeyCode;

constexpr int16_t kTop = 1, kLeft = 59, kBottom = 24, kRight = 80;
constexpr int kFirstYear = 1, kLastYear = 9999;

struct CalendarDay {
    int year, month, day;
};

int QuarterStart(int month) {
    return (month - 1) / 3 * 3 + 1;
}

int LengthOf(int month, int year) {
    return text::MonthLength(month, year, true);
}

text::PackedDate DateOf(int year, int month, int day) {
    return text::MakeDate(year, month, day);
}

std::string TwoDigits(int n) {
    return std::string(1, n < 10 ? ' ' : static_cast<char>('0' + n / 10)) +
           static_cast<char>('0' + n % 10);
}

// The weekday initials of the session language, Monday first.
const char* WeekdayHeader() {
    const std::string& language = app::SessionSettings.language;
    if (language == "SPA" || language == "GLG") return " L  M  X  J  V  S  D";
    if (language == "OCI") return "DL DT DC DJ DD DS DG";
    return "DL DT DC DJ DV DS DG";
}

// The working date of the session; an empty or impossible one gives today's date.
CalendarDay StartDay() {
    const text::PackedDate& p = app::SessionSettings.workingDate;
    if (p.size() >= 4) {
        const int year = std::stoi(text::UnpackDigits(p.substr(0, 2)));
        const int month = std::stoi(text::UnpackDigits(p.substr(2, 1)));
        const int day = std::stoi(text::UnpackDigits(p.substr(3, 1)));
        if (year >= kFirstYear && text::IsValidDate(year, month, day)) return {year, month, day};
    }
    const platform::LocalDay today = platform::Today();
    return {today.year, today.month, today.day};
}

// Places the cursor on the cell of a day: cell c (1..42) of its month's block counts from the
// Monday of the week the month starts in.
void PlaceCell(int block, int cell) {
    screen::PlaceCursor(static_cast<int16_t>(block + 1 + (cell - 1) / 7),
                        static_cast<int16_t>(3 * ((cell - 1) % 7 + 1) - 2));
}

void PlaceDay(const CalendarDay& d, int quarter) {
    const int first = text::DayOfWeek(DateOf(d.year, d.month, 1));
    PlaceCell(7 * (d.month - quarter) + 2, first + d.day - 1);
}

void DrawQuarter(const CalendarDay& d, int quarter) {
    const int interior = screen::InteriorRight() - screen::InteriorLeft();
    screen::SetColour("n");
    screen::PlaceCursor(0, static_cast<int16_t>((interior - 5) / 2 + 1));
    platform::WriteText(" " + text::ZeroPadNumber(d.year, 4) + " ");
    screen::PlaceCursor(1, 1);
    platform::WriteText(WeekdayHeader());
    for (int k = 0; k < 3; ++k) {
        const int month = quarter + k;
        const int block = 7 * k + 2;
        screen::SetColour("n");
        screen::PlaceCursor(static_cast<int16_t>(block), 1);
        platform::WriteBlanks(static_cast<int16_t>(interior + 1));
        const std::string name =
            text::FoldCapitals(text::FormatDate(DateOf(d.year, month, 1), 2, "m"));
        screen::PlaceCursor(
            static_cast<int16_t>(block),
            static_cast<int16_t>((interior - static_cast<int>(name.size()) + 1) / 2 + 1));
        platform::WriteText(name);

        screen::SetColour("h");
        const int first = text::DayOfWeek(DateOf(d.year, month, 1));
        const int length = LengthOf(month, d.year);
        for (int cell = 1; cell <= 42; ++cell) {
            const int day = cell - first + 1;
            PlaceCell(block, cell);
            platform::WriteText(day >= 1 && day <= length ? TwoDigits(day) : "  ");
        }
    }
}

// The day moved by days (-7, -1, 1, 7), into the previous or the next month at the ends of
// its month.
CalendarDay MovedByDays(CalendarDay d, int days) {
    d.day += days;
    if (d.day < 1) {
        if (--d.month < 1) {
            d.month = 12;
            --d.year;
        }
        d.day += LengthOf(d.month, d.year);
    }
    if (d.day > LengthOf(d.month, d.year)) {
        d.day -= LengthOf(d.month, d.year);
        if (++d.month > 12) {
            d.month = 1;
            ++d.year;
        }
    }
    return d;
}

// The same day months later or earlier, cut to the length of the month it lands in.
CalendarDay MovedByMonths(CalendarDay d, int months) {
    d.month += months;
    if (d.month < 1) {
        d.month += 12;
        --d.year;
    } else if (d.month > 12) {
        d.month -= 12;
        ++d.year;
    }
    if (d.day > LengthOf(d.month, d.year)) d.day = LengthOf(d.month, d.year);
    return d;
}

// Where a key moves the day; the day itself for any other key. Home and End keep the day
// (January and December have 31 days).
CalendarDay MovedDay(const CalendarDay& d, KeyCode key) {
    switch (key) {
    case screen::kKeyRight:
        return MovedByDays(d, 1);
    case screen::kKeyLeft:
        return MovedByDays(d, -1);
    case screen::kKeyDown:
        return MovedByDays(d, 7);
    case screen::kKeyUp:
        return MovedByDays(d, -7);
    case screen::kKeyPgDn:
        return MovedByMonths(d, 3);
    case screen::kKeyPgUp:
        return MovedByMonths(d, -3);
    case screen::kKeyHome:
        return {d.year, 1, d.day};
    case screen::kKeyEnd:
        return {d.year, 12, d.day};
    default:
        return d;
    }
}

} // namespace

std::string RunCalendar() {
    forms::SetKeyTable("+ea", "4d00,4b00,5000,4800,5100,4900,4700,4f00,2100,1b");
    screen::SetColour("+n");
    const bool cursorShown = platform::CursorVisible();
    platform::SetCursorSize(0);
    screen::PushWindow(kTop, kLeft, kBottom, kRight);
    screen::DrawFrame(1);

    CalendarDay d = StartDay();
    int quarter = QuarterStart(d.month);
    DrawQuarter(d, quarter);

    std::string result;
    for (;;) {
        screen::SetColour("+u");
        PlaceDay(d, quarter);
        platform::WriteText(TwoDigits(d.day));
        const KeyCode key = forms::ReadKeyOrClick();
        screen::SetColour("-");
        PlaceDay(d, quarter);
        platform::WriteText(TwoDigits(d.day));

        const CalendarDay moved = MovedDay(d, key);
        if (moved.year < kFirstYear || moved.year > kLastYear) {
            platform::Beep(); // the year would not fit in four digits
            continue;
        }
        if (moved.year != d.year || QuarterStart(moved.month) != quarter) {
            quarter = QuarterStart(moved.month);
            DrawQuarter(moved, quarter);
        }
        d = moved;
        if (key == 'F' || key == 'f' || key == screen::kKeyAltF) {
            // The date as an operator types it, which every date field reads back the same.
            result = text::DateToEntryText(DateOf(d.year, d.month, d.day));
            break;
        } else if (key == screen::kKeyEsc)
            break;
    }

    screen::PopWindow();
    if (cursorShown) platform::SetCursorSize(-1);
    screen::SetColour("-");
    forms::SetKeyTable("-", "");
    return result;
}

} // namespace popups
