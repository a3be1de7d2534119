#include "screen_fixture.h"

#include "screen/message.h"

using namespace screen;

namespace {

class MessageTest : public ScreenTest {};

TEST(FormatParagraphTest, Alignments) {
    const struct {
        const char* text;
        int16_t indent, width;
        const char* code;
        std::vector<std::string> lines;
    } cases[] = {
        {"aaa bbb ccc", 0, 7, "I", {"aaa bbb", "ccc    "}},
        {"aaa bbb ccc", 0, 7, "e", {"aaa bbb", "ccc    "}},
        {"aaa bbb ccc", 0, 7, "L", {"aaa bbb", "ccc    "}},
        {"aaa bbb ccc", 0, 7, "D", {"aaa bbb", "    ccc"}},
        {"aaa bbb ccc", 0, 7, "r", {"aaa bbb", "    ccc"}},
        {"aaa bbb ccc", 0, 7, "C", {"aaa bbb", "  ccc  "}},
        {"aaa bbb cc", 0, 7, "C", {"aaa bbb", "  cc   "}},
        {"aaa bbb ccc", 0, 7, "N", {"aaa bbb", "ccc----"}},
        {"aaa bbb ccc", 0, 7, "X", {"aaa bbb", "ccc"}},
        {"aaa bbb ccc", 0, 7, "IE", {"aaa bbb", "ccc"}}, // codes are whole texts
        {"aa b cc dd", 0, 8, "A", {"aa  b cc", "dd"}},
        // Gaps widen from the left and start again at the left when the line is still short.
        {"ab cd ef ghijklmnop", 0, 12, "B", {"ab   cd   ef", "ghijklmnop"}},
        {"a b c d eeeee", 0, 9, "A", {"a b  c  d", "eeeee"}},
        {"aaa bbb ccc", 2, 8, "I", {"  aaa   ", "bbb ccc "}},
        {"aaa bbb ccc ddd", -2, 8, "I", {"aaa bbb ", "  ccc   ", "  ddd   "}},
        {"abcdefghij", 0, 4, "I", {"abcd", "efgh", "ij  "}}, // a long word is cut
        {"aaa   bbb", 0, 4, "I", {"aaa ", "bbb "}},          // blanks between lines go
        {"", 0, 10, "I", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatParagraphLines(c.text, c.indent, c.width, c.code), c.lines)
            << c.text << " / " << c.width << " / " << c.code;
        std::string joined, text = c.text;
        for (const auto& line : c.lines)
            joined += line;
        FormatParagraph(text, c.indent, c.width, c.code);
        EXPECT_EQ(text, joined);
    }
}

TEST(FormatParagraphTest, ControlCharactersTakeNoRoom) {
    // \x1e marks stay in the text but do not count against the width.
    EXPECT_EQ(FormatParagraphLines("aa\x1e"
                                   "bb\x1e cc dd",
                                   0, 5, "I"),
              (std::vector<std::string>{"aa\x1e"
                                        "bb\x1e ",
                                        "cc dd"}));
    EXPECT_EQ(FormatParagraphLines("\x1e"
                                   "abc",
                                   0, 3, "I"),
              (std::vector<std::string>{"\x1e"
                                        "abc"}));
}

TEST(FormatParagraphTest, WidthNoWiderThanTheIndentStillEnds) {
    // Read literally such a line has no room and the text never advances.
    for (int16_t width : {0, 1, 2, -5}) {
        const auto lines = FormatParagraphLines("abc def", 3, width, "I");
        EXPECT_FALSE(lines.empty());
        EXPECT_LE(lines.size(), 7u);
    }
    const auto hanging = FormatParagraphLines("abc def ghi", -20, 6, "I");
    EXPECT_FALSE(hanging.empty());
    EXPECT_LE(hanging.size(), 11u);
}

TEST_F(MessageTest, LockMessageAtRow24) {
    FillPattern();
    ShowMessage(24, "FITXER BLOQUEJAT. ESPEREU UN MOMENT.");
    EXPECT_EQ(Windows.depth, 1);
    EXPECT_EQ(Windows.current.top, 21);
    EXPECT_EQ(Windows.current.left, 21);
    EXPECT_EQ(Windows.current.bottom, 23);
    EXPECT_EQ(Windows.current.right, 60);
    EXPECT_EQ(TextAt(21, 21, 40), "\xDA" + std::string(38, '\xC4') + "\xBF");
    EXPECT_EQ(TextAt(22, 21, 40), "\xB3 FITXER BLOQUEJAT. ESPEREU UN MOMENT. \xB3");
    EXPECT_EQ(TextAt(23, 21, 40), "\xC0" + std::string(38, '\xC4') + "\xD9");
    EXPECT_EQ(platform::ReadCell(22, 23).attribute, 0 + 16 * 7); // reverse
    // The colour is back, and the caller's one pop removes the box.
    EXPECT_TRUE(ColourStack.empty());
}

TEST_F(MessageTest, OneLineAtRow12AndCallerPops) {
    FillPattern();
    SetColour("n");
    const auto before = Snapshot();
    ShowMessage(12, "NO ES POT ACCEDIR AL FITXER");
    EXPECT_EQ(Windows.current.top, 9);
    EXPECT_EQ(Windows.current.bottom, 11);
    EXPECT_EQ(TextAt(10, Windows.current.left + 2, 27), "NO ES POT ACCEDIR AL FITXER");
    EXPECT_EQ(CurrentColourIndex, 1);
    PopWindow();
    EXPECT_TRUE(SameCells(Snapshot(), before));
    EXPECT_EQ(Windows.depth, 0);
}

TEST_F(MessageTest, LongWordBecomesTwoLinesAcrossTheScreen) {
    const std::string text(100, 'X');
    ShowMessage(15, text);
    EXPECT_EQ(Windows.current.top, 12);
    EXPECT_EQ(Windows.current.bottom, 15);
    EXPECT_EQ(Windows.current.left, 1);
    EXPECT_EQ(Windows.current.right, 80);
    EXPECT_EQ(TextAt(13, 3, 77), std::string(76, 'X') + " ");
    EXPECT_EQ(TextAt(14, 3, 25), std::string(24, 'X') + " ");
}

TEST_F(MessageTest, BoxKeptOnScreenAtTheEdges) {
    ShowMessage(1, "A");
    EXPECT_EQ(Windows.current.top, 1);
    EXPECT_EQ(Windows.current.bottom, 3);
    PopWindow();
    ShowMessage(25, "A B");
    EXPECT_EQ(Windows.current.top, 22);
    EXPECT_EQ(Windows.current.bottom, 24);
    PopWindow();
    EXPECT_EQ(Windows.depth, 0);
}

TEST_F(MessageTest, EmptyOrOversizedTextKeepsStacksBalanced) {
    FillPattern();
    PushWindow(2, 2, 20, 70); // the caller's own window must survive its pop of the message
    SetColour("u");
    const auto before = Snapshot();

    ShowMessage(12, "");
    EXPECT_TRUE(SameCells(Snapshot(), before));
    EXPECT_EQ(CurrentColourIndex, 4);
    EXPECT_TRUE(ColourStack.empty());
    PopWindow();
    EXPECT_EQ(Windows.depth, 1);
    EXPECT_EQ(Windows.current.top, 2);

    std::string huge;
    for (int i = 0; i < 40; ++i)
        huge += std::string(70, 'a' + i % 26) + " ";
    ShowMessage(12, huge);
    EXPECT_EQ(Windows.depth, 2);
    EXPECT_EQ(Windows.current.top, 1);
    EXPECT_EQ(Windows.current.bottom, 25); // 23 lines and the frame
    EXPECT_TRUE(ColourStack.empty());
    PopWindow();
    EXPECT_TRUE(SameCells(Snapshot(), before));
    EXPECT_EQ(Windows.depth, 1);
    EXPECT_EQ(Windows.current.top, 2);
}

TEST_F(MessageTest, ControlCharactersDoNotPushTheBoxOffScreen) {
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "\x10"
                "abc";
    text += std::string(40, 'z');
    ShowMessage(12, text);
    EXPECT_EQ(Windows.depth, 1);
    EXPECT_GE(Windows.current.left, 1);
    EXPECT_LE(Windows.current.right, 80);
    PopWindow();
    EXPECT_EQ(Windows.depth, 0);
}

} // namespace
