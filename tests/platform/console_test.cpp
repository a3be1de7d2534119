#include "platform/console.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace platform;

namespace {

class ConsoleTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetConsoleForTests(); }
    void TearDown() override { ResetConsoleForTests(); }
};

TEST_F(ConsoleTest, WriteMovesTheCursorAndClipsAtTheRowEnd) {
    SetAttribute(14, 1);
    SetCursorPosition(3, 75);
    WriteText("abcdefghij");
    EXPECT_EQ(RowText(3).substr(74), "abcdef");
    EXPECT_EQ(RowText(4), std::string(80, ' ')); // nothing wrapped
    EXPECT_EQ(CursorColumn(), 80);
    EXPECT_EQ(ReadCell(3, 75).attribute, 14 + 16);
    SetCursorPosition(5, 10);
    WriteText("xy");
    EXPECT_EQ(CursorColumn(), 12);
    WriteBlanks(-4);
    EXPECT_EQ(CursorColumn(), 12);
    SetAttribute(2, 3);
    WriteBlanks(3);
    EXPECT_EQ(CursorColumn(), 15);
    EXPECT_EQ(ReadCell(5, 14).attribute, 2 + 16 * 3);
}

TEST_F(ConsoleTest, CursorOutOfRangeKeepsThatCoordinate) {
    const struct {
        int16_t row, column, wantRow, wantColumn;
    } cases[] = {{10, 20, 10, 20}, {0, 30, 10, 30},  {26, 40, 10, 40}, {12, 0, 12, 40},
                 {13, 81, 13, 40}, {-1, -1, 13, 40}, {25, 80, 25, 80}, {1, 1, 1, 1}};
    for (const auto& c : cases) {
        SetCursorPosition(c.row, c.column);
        EXPECT_EQ(CursorRow(), c.wantRow) << c.row << "," << c.column;
        EXPECT_EQ(CursorColumn(), c.wantColumn) << c.row << "," << c.column;
    }
}

TEST_F(ConsoleTest, AttributeHalvesOf16OrMoreStay) {
    SetAttribute(3, 4);
    SetAttribute(16, 9);
    EXPECT_EQ(CurrentAttribute(), 3 + 16 * 9);
    SetAttribute(12, 99);
    EXPECT_EQ(CurrentAttribute(), 12 + 16 * 9);
    SetAttribute(-1, 0);
    EXPECT_EQ(CurrentAttribute(), 12);
}

TEST_F(ConsoleTest, NewLineScrollsOnTheLastRow) {
    SetCursorPosition(1, 1);
    WriteText("top");
    SetCursorPosition(25, 5);
    WriteText("bottom");
    SetAttribute(1, 2);
    NewLine();
    EXPECT_EQ(CursorRow(), 25);
    EXPECT_EQ(CursorColumn(), 1);
    EXPECT_EQ(RowText(24).substr(4, 6), "bottom");
    EXPECT_EQ(RowText(25), std::string(80, ' '));
    EXPECT_EQ(ReadCell(25, 1).attribute, 1 + 16 * 2);
    EXPECT_NE(RowText(1).substr(0, 3), "top");
    SetCursorPosition(7, 9);
    NewLine();
    EXPECT_EQ(CursorRow(), 8);
    EXPECT_EQ(CursorColumn(), 1);
}

TEST_F(ConsoleTest, ClearAndCursorSize) {
    SetCursorPosition(9, 9);
    SetAttribute(0, 7);
    ClearScreen();
    EXPECT_EQ(CursorRow(), 1);
    EXPECT_EQ(CursorColumn(), 1);
    EXPECT_EQ(ReadCell(25, 80).attribute, 0x70);
    const struct {
        int16_t size;
        bool visible;
        int16_t wantSize;
    } cases[] = {{0, false, 25}, {50, true, 50}, {100, true, 99}, {5, true, 10},
                 {0, false, 10}, {-1, true, 10}, {99, true, 99},  {-7, true, 99}};
    for (const auto& c : cases) {
        SetCursorSize(c.size);
        EXPECT_EQ(CursorVisible(), c.visible) << c.size;
        EXPECT_EQ(CursorSize(), c.wantSize) << c.size;
    }
}

TEST_F(ConsoleTest, ReadCellOutsideTheGrid) {
    EXPECT_EQ(ReadCell(0, 1).attribute, 0);
    EXPECT_EQ(ReadCell(26, 1).character, ' ');
    EXPECT_EQ(RowText(30), "");
}

TEST_F(ConsoleTest, EventKeyTexts) {
    EXPECT_EQ(EventKeyText(InputEvent{}), "");
    EXPECT_EQ(EventKeyText(CharacterEvent(0x82)), "\x82");
    EXPECT_EQ(EventKeyText(ExtendedKeyEvent(0x3B, kShift)), std::string("\0\x3B", 2));
    EXPECT_EQ(EventKeyText(MousePressEvent(kRightButton, 4, 9)), "\xFF\xFF\x04\x02");
}

TEST_F(ConsoleTest, InputQueueInOrderWithMouseOnlyWhileReporting) {
    InjectText("ab");
    InjectInput(MousePressEvent(kLeftButton, 3, 4));
    InjectInput(ExtendedKeyEvent(0x48, kLeftCtrl));
    EXPECT_TRUE(PeekInput());
    InputEvent e;
    ASSERT_TRUE(PollInput(e));
    EXPECT_EQ(e.character, 'a');
    ASSERT_TRUE(PollInput(e));
    EXPECT_EQ(e.character, 'b');
    ASSERT_TRUE(PollInput(e)); // the click is dropped: reporting is off
    EXPECT_EQ(e.kind, InputKind::ExtendedKey);
    EXPECT_EQ(e.modifiers, kLeftCtrl);
    EXPECT_FALSE(PeekInput());

    EXPECT_EQ(MouseButtonCount(), 3); // headless: the mouse of injected clicks
    SetMouseReporting(true);
    InjectInput(MousePressEvent(kLeftButton, 3, 4, kShift));
    ASSERT_TRUE(PollInput(e));
    EXPECT_EQ(e.kind, InputKind::Mouse);
    EXPECT_EQ(e.row, 3);
    EXPECT_EQ(e.column, 4);
    EXPECT_EQ(e.buttons, kLeftButton);
}

TEST_F(ConsoleTest, EmptyPollWaitsBrieflyWithoutSpinning) {
    InputEvent e;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(PollInput(e));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    EXPECT_GE(wall, 0.15); // about 20 ms each
    EXPECT_LT(wall, 2.0);
    EXPECT_LT(cpu, wall / 4); // asleep, not busy
    // The zero-wait peek does not pause.
    const auto peekStart = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i)
        EXPECT_FALSE(PeekInput());
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - peekStart).count(),
              0.1);
}

TEST_F(ConsoleTest, InsertToggleAndClipboardPersistPerTerminal) {
    char pattern[] = "/tmp/orb-term-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string dir = std::string(pattern) + "/";
    SetTerminalDirectory(dir);
    EXPECT_FALSE(InsertToggle());
    SetInsertToggle(true);
    EXPECT_TRUE(InsertToggle());
    SetClipboardText("caf\x82 \x80");
    // Another program of the same terminal sees both.
    ResetConsoleForTests();
    SetTerminalDirectory(dir);
    EXPECT_TRUE(InsertToggle());
    EXPECT_EQ(ClipboardText(), "caf\x82 \x80");
    std::ifstream in(dir + "PortaRet.tmp");
    std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(utf8, "caf\xC3\xA9 \xC3\x87"); // the file holds UTF-8
    SetInsertToggle(false);
    EXPECT_FALSE(InsertToggle());
    std::filesystem::remove_all(pattern);

    // Without a terminal directory they live in memory.
    ResetConsoleForTests();
    SetInsertToggle(true);
    SetClipboardText("x");
    EXPECT_TRUE(InsertToggle());
    EXPECT_EQ(ClipboardText(), "x");
}

TEST_F(ConsoleTest, BeepsAreCounted) {
    Beep();
    Beep();
    EXPECT_EQ(BeepCount(), 2);
}

} // namespace
