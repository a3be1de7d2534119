#include "popups_fixture.h"

#include "forms/editor.h"
#include "support/tempdir.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace popupstest;
using popups::CalculatorAction;
using popups::CalculatorState;

namespace {

// Applies each character of the text as a key; the action of the last key.
CalculatorAction Press(CalculatorState& s, std::string_view keys) {
    CalculatorAction action = CalculatorAction::None;
    for (char c : keys)
        action = popups::ApplyCalculatorKey(s, static_cast<uint8_t>(c));
    return action;
}

std::string Result(const CalculatorState& s) {
    std::string r = "(none)";
    popups::CalculatorResult(s, r);
    return r;
}

// The newest tape lines, oldest first, as "value marker".
std::vector<std::string> Tape(const CalculatorState& s, int count) {
    std::vector<std::string> lines;
    for (int i = popups::kTapeLines - count + 1; i <= popups::kTapeLines; ++i) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.15g %s", s.tape[i].value, s.tape[i].marker.c_str());
        lines.push_back(buffer);
    }
    return lines;
}

// Key sequences from a fresh calculator: the value shown afterwards and the text F gives.
TEST(CalculatorKeys, ArithmeticAndResult) {
    struct Case {
        const char* keys;
        double value;
        const char* result;
    };
    const Case cases[] = {
        {"12.5+7=", 19.5, "1950"},
        {"12+3=", 15, "1500"},
        {"200+10%", 20, "2000"}, // still typing: F gives V
        {"200+10%=", 220, "22000"},
        {"200*10%", 0.1, "10"},
        {"200*10%=", 20, "2000"},
        {"2.346R", 2.35, "235"},
        {"2.344R", 2.34, "234"},
        {"2.125R", 2.12, "212"}, // an exact half goes to the even cent
        {"0.375R", 0.38, "38"},
        {"2.349TR", -2.34, "234"}, // negative values are cut toward zero; no sign in the result
        {"12.345", 12.345, "1234.5"},
        {"0", 0, "0"},
        {"0.0001", 0.0001, ".01"},
        // The digits are taken from the rounded hundredths, not from 229.99999...
        {"2.3", 2.3, "230"},
        {"5.1", 5.1, "510"},
        // Integer digits are counted on |V|: no binary noise in a negative result.
        {"0.1-4.7=", -4.6, "460"},
        // A full clear also drops the pending operator.
        {"8*C7+3=", 10, "1000"},
        // R on an operand being typed leaves the running total alone.
        {"5+2.346R=", 7.35, "735"},
        // C while typing drops the number and shows the total with its decimals.
        {"19.5+2C", 19.5, "1950"},
        {"19.5+2C3=", 22.5, "2250"},
        // T while typing: later digits extend the number shown, sign kept.
        {"2T5", -25, "2500"},
        {"2T.5", -2.5, "250"},
        // "=" without a typed number does nothing.
        {"4+=", 4, "400"},
        // Backspace drops digits; a typed 0.290 keeps its 29 hundredths.
        {"0.290\b", 0.29, "29"},
        {"123\b\b", 1, "100"},
        {"1.5\b\b", 1, "100"},
        {"1/3=", 0.333333333333333, "33.3333333333333"},
    };
    for (const Case& c : cases) {
        CalculatorState s;
        Press(s, c.keys);
        EXPECT_DOUBLE_EQ(s.value, c.value) << c.keys;
        EXPECT_EQ(Result(s), c.result) << c.keys;
    }
}

TEST(CalculatorKeys, TapeRecordsEntriesAndResults) {
    CalculatorState s;
    Press(s, "12.5+7=");
    EXPECT_EQ(Tape(s, 3), (std::vector<std::string>{"12.5 +", "7 =", "19.5  "}));
    EXPECT_EQ(s.firstLine, 20);
    EXPECT_EQ(s.tape[popups::kTapeLines].point, -1);
    EXPECT_EQ(s.tape[popups::kTapeLines].decimals, 1);

    CalculatorState p;
    Press(p, "200+10%");
    EXPECT_EQ(Tape(p, 2), (std::vector<std::string>{"200 +", "10 %"}));

    // 30 entries: the tape keeps the last 22 and shows 21 of them.
    CalculatorState many;
    for (int i = 1; i <= 30; ++i)
        Press(many, std::to_string(i) + "+");
    EXPECT_EQ(many.tape[1].value, 9);
    EXPECT_EQ(many.tape[popups::kTapeLines].value, 30);
    EXPECT_EQ(many.firstLine, 2);
}

TEST(CalculatorKeys, ClearThreeWays) {
    CalculatorState s;
    Press(s, "12+5");
    Press(s, "C"); // drops the typed 5
    EXPECT_EQ(s.value, 12);
    EXPECT_EQ(s.total, 12);
    EXPECT_EQ(s.pending, "+");
    EXPECT_EQ(s.typing, 0);

    Press(s, "C"); // clears value and total
    EXPECT_EQ(s.value, 0);
    EXPECT_EQ(s.total, 0);
    EXPECT_EQ(s.pending, "");
    EXPECT_EQ(s.clearArmed, -1);
    EXPECT_EQ(s.firstLine, 22);

    Press(s, "C"); // hides the tape, which keeps its lines
    EXPECT_EQ(s.firstLine, 23);
    EXPECT_EQ(s.tape[popups::kTapeLines].value, 12);
}

TEST(CalculatorKeys, MovesWrapAtTheScreenEdges) {
    CalculatorState s;
    EXPECT_EQ(popups::ApplyCalculatorKey(s, screen::kKeyLeft), CalculatorAction::None);
    EXPECT_EQ(s.column, 55);
    popups::ApplyCalculatorKey(s, screen::kKeyRight);
    EXPECT_EQ(s.column, 1);
    popups::ApplyCalculatorKey(s, screen::kKeyCtrlRight);
    EXPECT_EQ(s.column, 2);
    popups::ApplyCalculatorKey(s, screen::kKeyCtrlLeft);
    EXPECT_EQ(s.column, 1);
}

// A result that is not a number is refused and leaves everything as it was before the key.
TEST(CalculatorKeys, NonFiniteResultsAreRefused) {
    for (const char* keys : {"5/0=", "0/0=", "5/0+"}) {
        CalculatorState s;
        Press(s, std::string_view(keys, std::strlen(keys) - 1));
        const std::string before = popups::CalculatorStateText(s);
        EXPECT_EQ(Press(s, std::string_view(keys).substr(std::strlen(keys) - 1)),
                  CalculatorAction::Refused)
            << keys;
        EXPECT_EQ(popups::CalculatorStateText(s), before) << keys;
        Press(s, "2=");
        EXPECT_EQ(Result(s), keys[0] == '5' ? "250" : "0") << keys;
    }
    // Overflow by multiplication, by typing and by rounding to cents.
    CalculatorState big;
    big.total = big.value = 1e307;
    big.pending = "*";
    EXPECT_EQ(Press(big, "100="), CalculatorAction::Refused);
    EXPECT_EQ(big.total, 1e307);
    CalculatorState r;
    r.value = 1e307;
    EXPECT_EQ(Press(r, "R"), CalculatorAction::Refused);
    CalculatorState typed;
    std::string digits(308, '9');
    EXPECT_EQ(Press(typed, digits), CalculatorAction::None);
    EXPECT_EQ(Press(typed, "9"), CalculatorAction::Refused);
    EXPECT_TRUE(std::isfinite(typed.value));
    // Decimals beyond what the calculator keeps are refused too.
    CalculatorState fine;
    EXPECT_EQ(Press(fine, "0.000000000000001"), CalculatorAction::None);
    EXPECT_EQ(Press(fine, "1"), CalculatorAction::Refused);
}

TEST(CalculatorKeys, DisplayPictures) {
    EXPECT_EQ(popups::DisplayPicture(0, 0), "-Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9");
    EXPECT_EQ(popups::DisplayPicture(-1, 2), "-ZZ,ZZZ,ZZZ,ZZZ,ZZ9.99");
    EXPECT_EQ(popups::DisplayPicture(-1, 0), "-,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9.");
    EXPECT_EQ(popups::DisplayPicture(-1, 15).size(), 22u);
}

// ---- The state file ----

TEST(CalculatorFile, WrittenAndReadBack) {
    CalculatorState s;
    Press(s, "12.5+7=");
    s.column = 30;
    const std::string text = popups::CalculatorStateText(s);
    EXPECT_EQ(text.substr(0, text.find("\r\n", text.find("\r\n", text.find("\r\n") + 2) + 2) + 2),
              "30,20,19.5,19.5\r\n0,0,-1,1\r\n\"\",\"\"\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 25);
    EXPECT_NE(text.find("\r\n12.5,-1,1,\"+\"\r\n7,0,0,\"=\"\r\n19.5,-1,1,\" \"\r\n"),
              std::string::npos);
    EXPECT_EQ(popups::CalculatorStateText(popups::ParseCalculatorState(text)), text);

    // Values are read one after the other whatever the line breaks.
    std::string oneLine = text;
    for (size_t p; (p = oneLine.find("\r\n")) != std::string::npos;)
        oneLine.replace(p, 2, ",");
    oneLine.pop_back();
    EXPECT_EQ(popups::CalculatorStateText(popups::ParseCalculatorState(oneLine)), text);
    std::string perValue = text;
    for (size_t p; (p = perValue.find(',')) != std::string::npos;)
        perValue.replace(p, 1, "\n");
    EXPECT_EQ(popups::CalculatorStateText(popups::ParseCalculatorState(perValue)), text);
}

// Bad files open with sound values: every item that cannot be used keeps its start value.
TEST(CalculatorFile, BadValuesTakeStartValues) {
    const std::string start = popups::CalculatorStateText(CalculatorState{});
    struct Case {
        const char* what;
        std::string text;
        int16_t column, firstLine;
        double value, total;
    };
    const std::string tail = "0,0,0,0\r\n\"\",\"\"\r\n";
    const Case cases[] = {
        {"empty", "", 1, 23, 0, 0},
        {"garbage", "\x01\xff garbage \"\"\"\r\n,,,\n\r", 1, 23, 0, 0},
        {"missing values", "7,15", 7, 15, 0, 0},
        {"column and line out of range", "56,1,3,4\r\n" + tail, 1, 23, 3, 4},
        {"column 0, line 24", "0,24,3,4\r\n" + tail, 1, 23, 3, 4},
        {"fractions", "2.5,20.5,3,4\r\n" + tail, 1, 23, 3, 4},
        {"huge and infinite", "55,2,1e999,-inf\r\n" + tail, 55, 2, 0, 0},
        {"not numbers", "55,2,nan,12abc\r\n" + tail, 55, 2, 0, 0},
        {"big but finite", "1,23,1e300,-1.5e-300\r\n" + tail, 1, 23, 1e300, -1.5e-300},
        {"a comma as decimal point", "1,23,\"3,5\",4\r\n" + tail, 1, 23, 0, 4},
    };
    for (const Case& c : cases) {
        const CalculatorState s = popups::ParseCalculatorState(c.text);
        EXPECT_EQ(s.column, c.column) << c.what;
        EXPECT_EQ(s.firstLine, c.firstLine) << c.what;
        EXPECT_EQ(s.value, c.value) << c.what;
        EXPECT_EQ(s.total, c.total) << c.what;
    }

    // Flags, decimals, texts and tape lines out of range.
    const CalculatorState s = popups::ParseCalculatorState(
        "1,22,0,0\r\n1,-2,5,99\r\n\"xy\",\"%\"\r\n7,-1,-1,\"++\"\r\n8,3,16,\"Q\"\r\n");
    EXPECT_EQ(s.clearArmed, -1);
    EXPECT_EQ(s.typing, 0);
    EXPECT_EQ(s.point, 0);
    EXPECT_EQ(s.decimals, 0);
    EXPECT_EQ(s.lastKey, "");
    EXPECT_EQ(s.pending, "");
    EXPECT_EQ(s.tape[1].value, 7);
    EXPECT_EQ(s.tape[1].point, -1);
    EXPECT_EQ(s.tape[1].decimals, 0);
    EXPECT_EQ(s.tape[1].marker, "");
    EXPECT_EQ(s.tape[2].value, 8);
    EXPECT_EQ(s.tape[2].point, 0);
    EXPECT_EQ(s.tape[2].marker, "");

    // Values after the 22nd tape line are not read; a huge file is read only at its start.
    std::string long_ = start;
    for (int i = 0; i < 200000; ++i)
        long_ += "9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9\r\n";
    EXPECT_EQ(popups::CalculatorStateText(popups::ParseCalculatorState(long_)), start);
}

// ---- On the screen ----

class CalculatorTest : public PopupsTest {
  protected:
    std::string StatePath() const { return dir_.Path() + "ARXCALC.TMP"; }
    std::string Run(std::string_view keys) {
        TypeKeys(keys);
        return popups::RunCalculator();
    }
};

// A text right-aligned in the 22 columns of a display picture.
std::string Shown(const std::string& number) {
    return std::string(22 - number.size(), ' ') + number;
}

TEST_F(CalculatorTest, DrawsTapeAndValueAndGivesTheResult) {
    TypeKeys("12.5+7=");
    // Once the keys are used up, look at the screen and leave with F.
    static std::vector<std::string>* rows;
    std::vector<std::string> seen;
    rows = &seen;
    platform::SetIdleHandler([] {
        for (int16_t r = 19; r <= 25; ++r)
            rows->push_back(platform::RowText(r).substr(0, 26));
        platform::InjectInput(Key('f'));
        platform::SetIdleHandler(formstest::NoMoreInput);
    });
    EXPECT_EQ(popups::RunCalculator(), "1950");
    const std::vector<std::string> expected = {
        "\xDA" + std::string(24, '\xC4') + "\xBF", // the tape's top above its first line
        "\xB3" + Shown("12'5") + " +\xB3",         "\xB3" + Shown("7") + " =\xB3",
        "\xB3" + Shown("19'5") + "  \xB3",         "\xC3" + std::string(24, '\xC4') + "\xB4",
        "\xB3" + Shown("19'5") + "  \xB3",         "\xC0" + std::string(24, '\xC4') + "\xD9",
    };
    EXPECT_EQ(seen, expected);
}

TEST_F(CalculatorTest, LeavesScreenColourCursorAndKeyTableAsFound) {
    FillScreen();
    forms::SetKeyTable("ea", "d,1b");
    const std::vector<screen::KeyCode> keys = forms::KeyTable.acceptedKeys;
    screen::SetColour("r");
    const uint8_t attribute = platform::CurrentAttribute();
    const auto before = Screen();
    // Entries, a move to the far side, clicks, hiding the tape, then Esc; and F.
    TypeKeys("1+2=");
    platform::InjectInput(Key(screen::kKeyLeft));
    platform::InjectInput(formstest::Click(24, 60));
    TypeKeys("CC\x1b");
    EXPECT_EQ(popups::RunCalculator(), "");
    platform::InjectInput(Key(screen::kKeyRight));
    TypeKeys("9F");
    EXPECT_EQ(popups::RunCalculator(), "900");
    EXPECT_TRUE(SameScreen(Screen(), before));
    EXPECT_EQ(platform::CurrentAttribute(), attribute);
    EXPECT_TRUE(platform::CursorVisible());
    EXPECT_EQ(platform::CursorRow(), 5);
    EXPECT_EQ(platform::CursorColumn(), 10);
    EXPECT_EQ(forms::KeyTable.acceptedKeys, keys);
    EXPECT_TRUE(forms::KeyTable.saves.empty());
    EXPECT_TRUE(screen::ColourStack.empty());
    EXPECT_EQ(screen::Windows.depth, 0);
}

TEST_F(CalculatorTest, MovingAndHidingTheTapeGiveBackWhatWasUnder) {
    FillScreen();
    const auto before = Screen();
    static std::vector<platform::Cell>* under;
    static std::string* moved;
    std::vector<platform::Cell> cells;
    std::string movedRow;
    under = &cells;
    moved = &movedRow;
    platform::SetIdleHandler(nullptr);
    TypeKeys("1+");
    platform::InjectInput(Key(screen::kKeyLeft));
    TypeKeys("CC");
    platform::SetIdleHandler([] {
        *under = Screen();
        *moved = platform::RowText(25);
        platform::InjectInput(Key(27));
        platform::SetIdleHandler(formstest::NoMoreInput);
    });
    EXPECT_EQ(popups::RunCalculator(), "");
    // At column 55 with the tape hidden: rows 1..22 and columns 1..54 are as they were.
    for (int16_t r = 1; r <= 25; ++r)
        for (int16_t c = 1; c <= 80; ++c) {
            const size_t i = static_cast<size_t>((r - 1) * 80 + c - 1);
            if (r >= 23 && c >= 55) continue;
            EXPECT_EQ(cells[i].character, before[i].character) << r << "," << c;
            EXPECT_EQ(cells[i].attribute, before[i].attribute) << r << "," << c;
        }
    EXPECT_EQ(movedRow.substr(54), "\xC0" + std::string(24, '\xC4') + "\xD9");
    EXPECT_TRUE(SameScreen(Screen(), before));
}

TEST_F(CalculatorTest, StateIsKeptBetweenUses) {
    EXPECT_FALSE(platform::FileExists(StatePath()));
    EXPECT_EQ(Run("12.5+7=\x1b"), ""); // Esc gives nothing but keeps the state
    const std::string saved = testsupport::ReadFile(StatePath());
    EXPECT_EQ(saved.substr(0, 17), "1,20,19.5,19.5\r\n0");
    EXPECT_EQ(Run("*2=F"), "3900");
    const CalculatorState s = popups::ParseCalculatorState(testsupport::ReadFile(StatePath()));
    EXPECT_EQ(s.total, 39);
    EXPECT_EQ(s.tape[popups::kTapeLines - 3].value, 19.5);
    EXPECT_EQ(s.firstLine, 17);
}

TEST_F(CalculatorTest, DivisionByZeroBeepsAndKeepsTheState) {
    EXPECT_EQ(Run("5/0=\x1b"), "");
    EXPECT_EQ(platform::BeepCount(), 1);
    const std::string saved = testsupport::ReadFile(StatePath());
    EXPECT_EQ(saved.find("inf"), std::string::npos);
    EXPECT_EQ(saved.find("nan"), std::string::npos);
    EXPECT_EQ(Run("2=F"), "250");
}

TEST_F(CalculatorTest, OpensOnABadFileWithSoundValues) {
    dir_.Write("ARXCALC.TMP", "99,0,inf,nan\r\n" + std::string(100000, 'x'));
    FillScreen();
    const auto before = Screen();
    EXPECT_EQ(Run("7F"), "700");
    EXPECT_TRUE(SameScreen(Screen(), before));
    const CalculatorState s = popups::ParseCalculatorState(testsupport::ReadFile(StatePath()));
    EXPECT_EQ(s.column, 1);
    EXPECT_EQ(s.firstLine, 23);
}

// Through the key reader of a field: the result is typed into the field and editing goes on.
TEST_F(CalculatorTest, ResultIsTypedIntoTheField) {
    forms::SetKeyTable("ea", "d,1b");
    platform::InjectInput(Key(screen::kKeyAltX, platform::kLeftAlt));
    TypeKeys("12+3=F");
    platform::InjectInput(Key(screen::kKeyEnter));
    std::string text(8, ' ');
    int16_t row = 5, column = 10, width = 0, position = 1;
    screen::KeyCode key = 0;
    forms::EditField(row, column, width, text, position, key);
    EXPECT_EQ(text, "1500    ");
    EXPECT_EQ(key, screen::kKeyEnter);
}

} // namespace
