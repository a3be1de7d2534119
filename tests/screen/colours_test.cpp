#include "screen_fixture.h"

using screen::ColourStack;
using screen::CurrentColourIndex;
using screen::SetColour;

namespace {

class ColoursTest : public ScreenTest {};

TEST_F(ColoursTest, CodeLettersSelectIndexAndAttribute) {
    // Distinct colours per entry, so the attribute shows which entry was taken.
    app::SessionSettings.colours = app::ParseColourText("01020304050607080910");
    const struct {
        const char* code;
        screen::ColourIndex index;
    } cases[] = {{"h", 0},  {"x", 0},  {"n", 1}, {"r", 2},  {"rh", 2},
                 {"NR", 3}, {"un", 4}, {"u", 4}, {"RH", 2}, {"Nh", 1}};
    for (const auto& c : cases) {
        SetColour("n"); // start from another index each time
        SetColour("h");
        SetColour(c.code);
        EXPECT_EQ(CurrentColourIndex, c.index) << c.code;
        const auto& pair = app::SessionSettings.colours[static_cast<size_t>(c.index)];
        EXPECT_EQ(platform::CurrentAttribute(), pair.foreground + 16 * pair.background) << c.code;
    }
    EXPECT_TRUE(ColourStack.empty());
}

TEST_F(ColoursTest, EmptyOrBlankCodeChangesNothing) {
    SetColour("u");
    const uint8_t attribute = platform::CurrentAttribute();
    for (const char* code : {"", "   "}) {
        SetColour(code);
        EXPECT_EQ(CurrentColourIndex, 4);
        EXPECT_EQ(platform::CurrentAttribute(), attribute);
        EXPECT_TRUE(ColourStack.empty());
    }
}

TEST_F(ColoursTest, PushAndPopNest) {
    SetColour("n");
    SetColour("+rh");
    EXPECT_EQ(CurrentColourIndex, 2);
    SetColour("+U");
    EXPECT_EQ(ColourStack, (std::vector<screen::ColourIndex>{1, 2}));
    SetColour("-");
    EXPECT_EQ(CurrentColourIndex, 2);
    SetColour("-");
    EXPECT_EQ(CurrentColourIndex, 1);
    EXPECT_EQ(platform::CurrentAttribute(), 7); // normal: 7 on 0
    EXPECT_TRUE(ColourStack.empty());
}

TEST_F(ColoursTest, PopOnEmptyStackSelectsHighlight) {
    SetColour("n");
    SetColour("-");
    EXPECT_EQ(CurrentColourIndex, 0);
    EXPECT_EQ(platform::CurrentAttribute(), 15);
    EXPECT_TRUE(ColourStack.empty());
}

TEST_F(ColoursTest, PlusAndMinusTogetherPushThenPop) {
    SetColour("u");
    SetColour("+-");
    EXPECT_EQ(CurrentColourIndex, 4);
    EXPECT_TRUE(ColourStack.empty());
}

TEST_F(ColoursTest, DefaultTableShowsUnderlineLikeReverse) {
    SetColour("u");
    EXPECT_EQ(platform::CurrentAttribute(), 0 + 16 * 7);
    SetColour("r");
    EXPECT_EQ(platform::CurrentAttribute(), 0 + 16 * 7);
}

TEST_F(ColoursTest, TableValueOf16OrMoreKeepsThatHalf) {
    // Entry 1 has foreground 20 (kept) and background 3; entry 0 sets 15 on 0 first.
    app::SessionSettings.colours = app::ParseColourText("15002003000700070007");
    SetColour("h");
    SetColour("n");
    EXPECT_EQ(platform::CurrentAttribute(), 15 + 16 * 3);
}

TEST_F(ColoursTest, ScrollAreaMovesOnlyTheRectangle) {
    FillPattern();
    const auto before = Snapshot();
    platform::SetAttribute(2, 5);
    screen::ScrollArea(3, 10, 6, 20, 2);
    const auto after = Snapshot();
    auto at = [](const std::vector<platform::Cell>& cells, int r, int c) {
        return cells[static_cast<size_t>((r - 1) * 80 + (c - 1))];
    };
    for (int r = 1; r <= 25; ++r) {
        for (int c = 1; c <= 80; ++c) {
            const platform::Cell got = at(after, r, c);
            platform::Cell want = at(before, r, c);
            if (r >= 3 && r <= 6 && c >= 10 && c <= 20)
                want = r + 2 <= 6 ? at(before, r + 2, c) : platform::Cell{' ', 2 + 16 * 5};
            ASSERT_EQ(got.character, want.character) << r << "," << c;
            ASSERT_EQ(got.attribute, want.attribute) << r << "," << c;
        }
    }
}

TEST_F(ColoursTest, ScrollAreaDownAndClippedToScreen) {
    FillPattern();
    const auto before = Snapshot();
    platform::SetAttribute(7, 0);
    // Bottom and right beyond the screen are cut back to row 25 and column 80.
    screen::ScrollArea(20, 70, 99, 200, -3);
    for (int r = 20; r <= 25; ++r) {
        for (int c = 70; c <= 80; ++c) {
            const platform::Cell got =
                platform::ReadCell(static_cast<int16_t>(r), static_cast<int16_t>(c));
            if (r < 23) {
                EXPECT_EQ(got.character, ' ');
            } else {
                EXPECT_EQ(got.character,
                          before[static_cast<size_t>((r - 4) * 80 + c - 1)].character);
            }
        }
    }
    // A count beyond the height blanks the rectangle.
    screen::ScrollArea(1, 1, 2, 80, 30);
    EXPECT_EQ(platform::RowText(1), std::string(80, ' '));
    EXPECT_EQ(platform::RowText(2), std::string(80, ' '));
}

TEST_F(ColoursTest, ConsoleSizeIs25By80) {
    EXPECT_EQ(screen::ConsoleWidth(), 80);
    EXPECT_EQ(screen::ConsoleHeight(), 25);
}

} // namespace
