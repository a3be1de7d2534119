#include "popups_fixture.h"

#include "forms/editor.h"
#include "text/calendar.h"

using namespace popupstest;

namespace {

class CalendarTest : public PopupsTest {
  protected:
    // Opens the calendar on a working date with the keys queued.
    std::string Run(int year, int month, int day, std::initializer_list<screen::KeyCode> keys) {
        app::SessionSettings.workingDate = text::MakeDate(year, month, day);
        for (screen::KeyCode k : keys)
            platform::InjectInput(Key(k));
        return popups::RunCalendar();
    }

    // What the calendar shows once the queued keys are used up, then Esc.
    struct Seen {
        std::vector<std::string> rows; // screen rows 1..24, columns 59..80
        std::vector<uint8_t> attributes;
    };
    static inline Seen* seen = nullptr;
    Seen Look(int year, int month, int day, std::initializer_list<screen::KeyCode> keys) {
        Seen s;
        seen = &s;
        platform::SetIdleHandler([] {
            for (int16_t r = 1; r <= 24; ++r) {
                seen->rows.push_back(platform::RowText(r).substr(58));
                for (int16_t c = 59; c <= 80; ++c)
                    seen->attributes.push_back(platform::ReadCell(r, c).attribute);
            }
            platform::InjectInput(Key(27));
            platform::SetIdleHandler(formstest::NoMoreInput);
        });
        EXPECT_EQ(Run(year, month, day, keys), "");
        return s;
    }
    static uint8_t Attribute(const Seen& s, int row, int column) {
        return s.attributes[static_cast<size_t>((row - 1) * 22 + column - 59)];
    }
};

// Moves from a working date, then F: the day chosen, as it is typed into a date field (the
// current year is 2024, so every year here has two digits).
TEST_F(CalendarTest, MovesAndResult) {
    using namespace screen;
    struct Case {
        const char* what;
        int year, month, day;
        std::vector<KeyCode> keys;
        const char* result;
    };
    const Case cases[] = {
        {"working date", 2024, 3, 15, {}, "150324"},
        {"Right", 2024, 3, 15, {kKeyRight}, "160324"},
        {"Up from 3 March", 2023, 3, 3, {kKeyUp}, "240223"},
        {"Up from 3 March, leap year", 2024, 3, 3, {kKeyUp}, "250224"},
        {"Right from 31 March", 2024, 3, 31, {kKeyRight}, "010424"},
        {"Left from 1 January", 2024, 1, 1, {kKeyLeft}, "311223"},
        {"Up from 3 January", 2024, 1, 3, {kKeyUp}, "271223"},
        {"Down from 29 December", 2023, 12, 29, {kKeyDown}, "050124"},
        {"Down from 25 February", 2023, 2, 25, {kKeyDown}, "040323"},
        {"PgDn from 30 November", 2024, 11, 30, {kKeyPgDn}, "280225"},
        {"PgDn from 31 January", 2024, 1, 31, {kKeyPgDn}, "300424"},
        {"PgUp from 31 May", 2024, 5, 31, {kKeyPgUp}, "290224"},
        {"PgUp from February", 2024, 2, 10, {kKeyPgUp}, "101123"},
        {"Home from 31 October", 2024, 10, 31, {kKeyHome}, "310124"},
        {"End from 31 October", 2024, 10, 31, {kKeyEnd}, "311224"},
        {"other keys ignored", 2024, 3, 15, {'x', kKeyF1, kKeyEnter}, "150324"},
        {"a year outside the window", 1960, 6, 1, {kKeyRight}, "02061960"},
    };
    for (const Case& c : cases) {
        app::SessionSettings.workingDate = text::MakeDate(c.year, c.month, c.day);
        for (KeyCode k : c.keys)
            platform::InjectInput(Key(k));
        platform::InjectInput(Key('f'));
        EXPECT_EQ(popups::RunCalendar(), c.result) << c.what;
    }
    EXPECT_EQ(Run(2024, 3, 15, {'F'}), "150324");
    EXPECT_EQ(Run(2024, 3, 15, {kKeyRight, kKeyAltF}), "160324");
    EXPECT_EQ(Run(2024, 3, 15, {kKeyRight, kKeyEsc}), "");
}

// A working date that is not a date opens on today's date (20 March 2024 here).
TEST_F(CalendarTest, UnusableWorkingDateOpensOnToday) {
    const text::PackedDate dates[] = {"",
                                      "\x94",
                                      text::kZeroDate,
                                      text::PackDigits("20241399"),
                                      text::PackDigits("20240230"),
                                      text::PackDigits("00000315")};
    for (const text::PackedDate& d : dates) {
        app::SessionSettings.workingDate = d;
        platform::InjectInput(Key('f'));
        EXPECT_EQ(popups::RunCalendar(), "200324") << text::UnpackDigits(d);
    }
}

TEST_F(CalendarTest, DrawsTheQuarter) {
    // January..March 2024: January starts on Monday, March on Friday.
    const Seen s = Look(2024, 3, 15, {});
    EXPECT_EQ(s.rows[0], "\xDA\xC4\xC4\xC4\xC4\xC4\xC4\xC4 2024 \xC4\xC4\xC4\xC4\xC4\xC4\xC4\xBF");
    EXPECT_EQ(s.rows[1], "\xB3"
                         "DL DT DC DJ DV DS DG\xB3");
    EXPECT_EQ(s.rows[2], "\xB3       GENER        \xB3");
    EXPECT_EQ(s.rows[3], "\xB3 1  2  3  4  5  6  7\xB3");
    EXPECT_EQ(s.rows[7], "\xB3"
                         "29 30 31            \xB3");
    EXPECT_EQ(s.rows[8], "\xB3                    \xB3"); // sixth week of January: empty
    EXPECT_EQ(s.rows[9], "\xB3       FEBRER       \xB3");
    EXPECT_EQ(s.rows[14], "\xB3"
                          "26 27 28 29         \xB3");
    EXPECT_EQ(s.rows[16], "\xB3        MAR\x80        \xB3"); // capitals keep the accent
    EXPECT_EQ(s.rows[17], "\xB3             1  2  3\xB3");
    EXPECT_EQ(s.rows[21], "\xB3"
                          "25 26 27 28 29 30 31\xB3");
    EXPECT_EQ(s.rows[22], "\xB3                    \xB3");
    EXPECT_EQ(s.rows[23], "\xC0" + std::string(20, '\xC4') + "\xD9");
    // The chosen day in the underline colour, the other days in the highlight colour, names
    // and headers in the normal one (default colour table: 15/0, 7/0, 0/7, 0/7, 0/7).
    EXPECT_EQ(Attribute(s, 20, 72), 0x70); // 15 March: row 18 + 2, column 60 + 12
    EXPECT_EQ(Attribute(s, 20, 69), 0x0F);
    EXPECT_EQ(Attribute(s, 2, 60), 0x07);

    // A month of 31 days starting on Saturday uses six week rows: March 2025.
    const Seen m = Look(2025, 3, 1, {});
    EXPECT_EQ(m.rows[17], "\xB3                1  2\xB3");
    EXPECT_EQ(m.rows[22], "\xB3"
                          "31                  \xB3");

    // Changing quarter redraws the months and the year: October..December 2023.
    const Seen o = Look(2024, 1, 1, {screen::kKeyLeft});
    EXPECT_NE(o.rows[0].find(" 2023 "), std::string::npos);
    EXPECT_EQ(o.rows[2], "\xB3      OCTUBRE       \xB3");
    EXPECT_EQ(o.rows[16], "\xB3      DESEMBRE      \xB3");
    EXPECT_EQ(Attribute(o, 22, 78), 0x70); // 31 December 2023: a Sunday, fifth week
}

TEST_F(CalendarTest, WeekdayHeaderFollowsTheLanguage) {
    const std::pair<const char*, const char*> cases[] = {
        {"CAT", "DL DT DC DJ DV DS DG"}, {"SPA", " L  M  X  J  V  S  D"},
        {"GLG", " L  M  X  J  V  S  D"}, {"OCI", "DL DT DC DJ DD DS DG"},
        {"ENG", "DL DT DC DJ DV DS DG"},
    };
    for (const auto& [language, header] : cases) {
        app::SessionSettings.language = language;
        text::ForgetDateSettings();
        const Seen s = Look(2024, 3, 15, {});
        EXPECT_EQ(s.rows[1].substr(1, 20), header) << language;
    }
}

TEST_F(CalendarTest, LeavesScreenColourCursorAndKeyTableAsFound) {
    FillScreen();
    forms::SetKeyTable("ea", "d,1b");
    const std::vector<screen::KeyCode> keys = forms::KeyTable.acceptedKeys;
    screen::SetColour("r");
    const uint8_t attribute = platform::CurrentAttribute();
    const auto before = Screen();
    EXPECT_EQ(Run(2024, 3, 31, {screen::kKeyRight, screen::kKeyPgDn, 27}), "");
    EXPECT_EQ(Run(2024, 3, 31, {screen::kKeyHome, 'f'}), "310124");
    EXPECT_TRUE(SameScreen(Screen(), before));
    EXPECT_EQ(platform::CurrentAttribute(), attribute);
    EXPECT_TRUE(platform::CursorVisible());
    EXPECT_EQ(platform::CursorRow(), 5);
    EXPECT_EQ(platform::CursorColumn(), 10);
    EXPECT_EQ(forms::KeyTable.acceptedKeys, keys);
    EXPECT_TRUE(forms::KeyTable.saves.empty());
    EXPECT_TRUE(screen::ColourStack.empty());
}

// Through the key reader of a date field: the day is typed in and editing goes on.
TEST_F(CalendarTest, ResultIsTypedIntoTheField) {
    forms::SetKeyTable("ea", "d,1b");
    app::SessionSettings.workingDate = text::MakeDate(2024, 3, 15);
    Queue({Key(screen::kKeyAltC, platform::kLeftAlt), Key(screen::kKeyRight), Key('f'),
           Key(screen::kKeyEnter)});
    std::string text(8, ' ');
    int16_t row = 5, column = 10, width = 0, position = 1;
    screen::KeyCode key = 0;
    forms::EditField(row, column, width, text, position, key);
    EXPECT_EQ(text, "160324  ");
    EXPECT_EQ(key, screen::kKeyEnter);
}

// The years stay within four digits: moves beyond year 1 or 9999 beep and change nothing.
TEST_F(CalendarTest, YearsStayWithinFourDigits) {
    EXPECT_EQ(Run(9999, 12, 31, {screen::kKeyRight, 'f'}), "31129999");
    EXPECT_EQ(Run(9999, 11, 30, {screen::kKeyPgDn, 'f'}), "30119999");
    EXPECT_EQ(Run(1, 1, 1, {screen::kKeyLeft, screen::kKeyPgUp, screen::kKeyUp, 'f'}), "01010001");
    EXPECT_EQ(platform::BeepCount(), 5);
}

} // namespace
