#include "screen_fixture.h"

#include <fstream>
#include <iterator>

using namespace screen;

namespace {

class WindowsTest : public ScreenTest {
  protected:
    std::string ReadStack() const {
        std::ifstream in(StackFile(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void WriteStack(const std::string& bytes) const {
        std::ofstream(StackFile(), std::ios::binary) << bytes;
    }
    static int32_t EndPosition(const std::string& file) {
        return static_cast<int32_t>(uint8_t(file[0]) | uint8_t(file[1]) << 8 |
                                    uint8_t(file[2]) << 16 | uint32_t(uint8_t(file[3])) << 24);
    }
    static std::string Le32(int32_t v) {
        const uint32_t u = static_cast<uint32_t>(v);
        return {char(u), char(u >> 8), char(u >> 16), char(u >> 24)};
    }
};

TEST_F(WindowsTest, HelpWindowRecordIsByteExact) {
    FillPattern();
    platform::SetCursorPosition(12, 1);
    PushWindow(4, 1, 22, 80);
    const std::string file = ReadStack();
    ASSERT_EQ(file.size(), 3069u);
    EXPECT_EQ(EndPosition(file), 3070);
    EXPECT_EQ(file.substr(4, 20), "12010000000004012280");
    for (int16_t r = 4; r <= 22; ++r) {
        for (int16_t c = 1; c <= 80; ++c) {
            const size_t at = 24 + 2 * static_cast<size_t>((r - 4) * 80 + (c - 1));
            const platform::Cell cell = platform::ReadCell(r, c);
            ASSERT_EQ(uint8_t(file[at]), cell.character);
            ASSERT_EQ(uint8_t(file[at + 1]), cell.attribute);
        }
    }
    EXPECT_EQ(file.substr(3064), "03065");
    EXPECT_EQ(Windows.depth, 1);
}

TEST_F(WindowsTest, PushDrawPopRestoresEverything) {
    FillPattern();
    platform::SetCursorPosition(7, 33);
    platform::SetAttribute(3, 1);
    const auto before = Snapshot();
    SetColour("+h");
    PushWindow(5, 10, 15, 60);
    DrawFrame(2);
    PlaceCursor(1, 1);
    platform::WriteText("text inside");
    PopWindow();
    SetColour("-");
    EXPECT_TRUE(SameCells(Snapshot(), before));
    EXPECT_EQ(platform::CursorRow(), 7);
    EXPECT_EQ(platform::CursorColumn(), 33);
    EXPECT_FALSE(StackFileExists());
    EXPECT_EQ(Windows.depth, 0);
    EXPECT_TRUE(ColourStack.empty());
}

TEST_F(WindowsTest, NestedPushesRestoreTheEnclosingWindow) {
    FillPattern();
    const auto before = Snapshot();
    PushWindow(2, 2, 20, 70);
    DrawFrame(1);
    const auto inOuter = Snapshot();
    PushWindow(5, 5, 10, 30);
    DrawFrame(2);
    EXPECT_EQ(InteriorTop(), 6);
    EXPECT_EQ(InteriorLeft(), 6);
    EXPECT_EQ(InteriorRight(), 29);
    PopWindow();
    EXPECT_TRUE(SameCells(Snapshot(), inOuter));
    EXPECT_EQ(Windows.current.top, 2);
    EXPECT_EQ(Windows.current.right, 70);
    EXPECT_TRUE(StackFileExists());
    PopWindow();
    EXPECT_TRUE(SameCells(Snapshot(), before));
    EXPECT_EQ(Windows.current.top, 0);
    EXPECT_EQ(InteriorTop(), 1);
    EXPECT_EQ(InteriorLeft(), 1);
    EXPECT_EQ(InteriorRight(), 80);
    EXPECT_FALSE(StackFileExists());
}

TEST_F(WindowsTest, PlaceCursorIsWindowRelative) {
    PlaceCursor(1, 2);
    EXPECT_EQ(platform::CursorRow(), 1);
    EXPECT_EQ(platform::CursorColumn(), 2);
    PushWindow(4, 1, 22, 80);
    PlaceCursor(1, 2);
    EXPECT_EQ(platform::CursorRow(), 5);
    EXPECT_EQ(platform::CursorColumn(), 3);
}

TEST_F(WindowsTest, FrameStyles) {
    const struct {
        int16_t style;
        const char* corners; // top-left, top-right, bottom-left, bottom-right, horizontal, vertical
    } cases[] = {{0, "      "}, {1, "\xDA\xBF\xC0\xD9\xC4\xB3"}, {2, "\xC9\xBB\xC8\xBC\xCD\xBA"}};
    for (const auto& c : cases) {
        FillPattern();
        PushWindow(3, 5, 6, 9);
        platform::SetAttribute(14, 1);
        DrawFrame(c.style);
        const std::string s = c.corners;
        EXPECT_EQ(TextAt(3, 5, 5), s.substr(0, 1) + std::string(3, s[4]) + s.substr(1, 1));
        EXPECT_EQ(TextAt(4, 5, 5), s.substr(5, 1) + "   " + s.substr(5, 1));
        EXPECT_EQ(TextAt(5, 5, 5), s.substr(5, 1) + "   " + s.substr(5, 1));
        EXPECT_EQ(TextAt(6, 5, 5), s.substr(2, 1) + std::string(3, s[4]) + s.substr(3, 1));
        EXPECT_EQ(platform::ReadCell(4, 7).attribute, 14 + 16 * 1);
        EXPECT_NE(platform::ReadCell(3, 10).attribute, 14 + 16 * 1); // nothing outside
        PopWindow();
    }
}

TEST_F(WindowsTest, DrawFrameWithoutWindowDrawsNothing) {
    FillPattern();
    const auto before = Snapshot();
    DrawFrame(2);
    EXPECT_TRUE(SameCells(Snapshot(), before));
}

TEST_F(WindowsTest, RefusedPushIsNeverPopped) {
    FillPattern();
    PushWindow(2, 2, 20, 70);
    DrawFrame(1);
    const std::string fileBefore = ReadStack();
    const auto screenBefore = Snapshot();
    for (auto r : {WindowRect{0, 1, 10, 10}, WindowRect{1, 1, 26, 10}, WindowRect{1, 81, 10, 80},
                   WindowRect{-3, 1, 10, 10}}) {
        PushWindow(r.top, r.left, r.bottom, r.right);
        EXPECT_EQ(Windows.depth, 1);
        EXPECT_EQ(Windows.current.top, 2);
        PopWindow(); // pairs with the refused push: the enclosing window must survive
        EXPECT_EQ(Windows.depth, 1);
        EXPECT_EQ(Windows.current.top, 2);
        EXPECT_TRUE(ReadStack() == fileBefore);
        EXPECT_TRUE(SameCells(Snapshot(), screenBefore));
    }
}

TEST_F(WindowsTest, CallingProgramsRecordsAreLeftAlone) {
    FillPattern();
    PushWindow(1, 1, 10, 40); // pushed by the program that started this one
    const std::string parent = ReadStack();
    ResetWindowsForTests(); // this program starts with depth 0

    PopWindow(); // depth 0: nothing happens
    EXPECT_TRUE(ReadStack() == parent);

    const auto before = Snapshot();
    PushWindow(12, 10, 20, 50);
    DrawFrame(2);
    EXPECT_EQ(EndPosition(ReadStack()), EndPosition(parent) + 25 + 2 * 9 * 41);
    PopWindow();
    EXPECT_TRUE(SameCells(Snapshot(), before));
    const std::string after = ReadStack();
    EXPECT_EQ(EndPosition(after), EndPosition(parent));
    EXPECT_TRUE(after.substr(0, parent.size()) == parent);
}

TEST_F(WindowsTest, PopWithMissingFileStillClosesTheWindow) {
    PushWindow(2, 2, 20, 70);
    PushWindow(5, 5, 10, 30);
    std::filesystem::remove(StackFile());
    PopWindow();
    EXPECT_EQ(Windows.depth, 1);
    EXPECT_EQ(Windows.current.top, 2);
    PopWindow();
    EXPECT_EQ(Windows.depth, 0);
    EXPECT_FALSE(StackFileExists());
}

// A stack file the pop cannot trust is removed; nothing is drawn and the window closes.
TEST_F(WindowsTest, UntrustedStackFileCountsAsEmpty) {
    FillPattern();
    platform::SetCursorPosition(9, 9);
    PushWindow(4, 1, 22, 80);
    const std::string good = ReadStack();
    DrawFrame(2);
    const auto drawn = Snapshot();

    std::string truncated = good.substr(0, 2000);
    std::string badLength = good;
    badLength.replace(good.size() - 5, 5, "0x065");
    std::string hugeLength = good;
    hugeLength.replace(good.size() - 5, 5, "99999");
    std::string wrongLength = good;
    wrongLength.replace(good.size() - 5, 5, "03067");
    std::string badBounds = good;
    badBounds.replace(16, 8, "04012299");
    std::string otherRect = good;
    otherRect.replace(16, 8, "05012280");
    std::string badCursor = good;
    badCursor.replace(4, 4, "9999");
    std::string garbageDigits = good;
    garbageDigits.replace(8, 2, "-1");
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"three bytes", "abc"},
        {"truncated", truncated},
        {"negative end", Le32(-100) + good.substr(4)},
        {"huge end", Le32(0x7FFFFFFF) + good.substr(4)},
        {"end before any record", Le32(20) + good.substr(4)},
        {"non-numeric length", badLength},
        {"length past the start", hugeLength},
        {"length not matching the cells", wrongLength},
        {"bounds outside the screen", badBounds},
        {"another window's record", otherRect},
        {"cursor outside the screen", badCursor},
        {"garbage in a number", garbageDigits},
        {"all garbage", std::string(5000, '\xA7')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetWindowsForTests();
        PushWindow(4, 1, 22, 80); // the same window again: the same header
        WriteStack(c.bytes);
        PopWindow();
        EXPECT_FALSE(StackFileExists());
        EXPECT_EQ(Windows.depth, 0);
        EXPECT_EQ(Windows.current.top, 0);
        EXPECT_TRUE(SameCells(Snapshot(), drawn)); // nothing was drawn from the bad file
        // The screen stays usable: the next push and pop work.
        const auto now = Snapshot();
        PushWindow(10, 10, 12, 20);
        DrawFrame(1);
        PopWindow();
        EXPECT_TRUE(SameCells(Snapshot(), now));
        EXPECT_FALSE(StackFileExists());
    }
}

TEST_F(WindowsTest, PushOverUntrustedEndStartsAfresh) {
    for (int32_t end : {-7, 0, 4, 1 << 30}) {
        SCOPED_TRACE(end);
        WriteStack(Le32(end) + "0000");
        FillPattern();
        const auto before = Snapshot();
        PushWindow(3, 3, 8, 8);
        const std::string file = ReadStack();
        EXPECT_EQ(EndPosition(file), 5 + 25 + 72);
        EXPECT_LT(file.size(), 200u); // no record written far out in the file
        DrawFrame(2);
        PopWindow();
        EXPECT_TRUE(SameCells(Snapshot(), before));
        EXPECT_FALSE(StackFileExists());
    }
}

TEST_F(WindowsTest, UpsideDownRectangleSavesNoCells) {
    // Top below bottom is not refused; its record holds no cells and its length says so.
    PushWindow(10, 5, 8, 20);
    const std::string file = ReadStack();
    EXPECT_EQ(file.size(), 4u + 25u);
    EXPECT_EQ(file.substr(24), "00025");
    PopWindow();
    EXPECT_EQ(Windows.depth, 0);
    EXPECT_FALSE(StackFileExists());
}

} // namespace
