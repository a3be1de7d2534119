#include "forms_fixture.h"

#include "forms/editor.h"

using namespace formstest;
using screen::KeyCode;

namespace {

struct Edited {
    std::string text;
    int16_t position;
    KeyCode key;
};

class EditorTest : public FormsTest {
  protected:
    // Edits a text at row 5, column 10 with the keys queued, under a key table made of the
    // list (none: an empty table).
    Edited Edit(std::string text, int16_t position,
                std::initializer_list<platform::InputEvent> keys, int16_t width = 0,
                const char* keyList = nullptr, std::string_view choices = "") {
        forms::SetKeyTable("e", "");
        if (keyList) forms::SetKeyTable("a", keyList);
        forms::SetChoiceList(choices);
        Queue(keys);
        int16_t row = 5, column = 10;
        KeyCode key = -999;
        forms::EditField(row, column, width, text, position, key);
        return {text, position, key};
    }
};

// Keys that change the text or move the cursor, each ended by Enter under an empty table.
TEST_F(EditorTest, FreeTextKeys) {
    struct Case {
        const char* what;
        const char* text;
        int16_t position;
        std::vector<platform::InputEvent> keys;
        bool insert;
        const char* expectedText;
        int16_t expectedPosition;
    };
    const Case cases[] = {
        {"insert at position 1", "ab   ", 1, {Key('X')}, true, "Xab  ", 2},
        {"insert refused with no trailing blank", "abcde", 1, {Key('X')}, true, "abcde", 1},
        {"insert refused at the end", "ab   ", 6, {Key('X')}, true, "ab   ", 6},
        {"overwrite", "abc  ", 2, {Key('X'), Key('Y')}, false, "aXY  ", 4},
        {"overwrite refused at the end", "abcde", 6, {Key('X')}, false, "abcde", 6},
        {"Backspace at position 1", "abcde", 1, {Key(8)}, true, "abcde", 1},
        {"Backspace", "abcde", 3, {Key(8)}, true, "acde ", 2},
        {"Delete at the end", "abcde", 6, {Key(screen::kKeyDel)}, true, "abcde", 6},
        {"Delete", "abcde", 1, {Key(screen::kKeyDel)}, true, "bcde ", 1},
        {"End after the last non-blank", "ab   ", 1, {Key(screen::kKeyEnd)}, true, "ab   ", 3},
        {"End on blanks", "     ", 4, {Key(screen::kKeyEnd)}, true, "     ", 1},
        {"Home", "abc  ", 4, {Key(screen::kKeyHome)}, true, "abc  ", 1},
        {"Left stops at 1", "abc", 1, {Key(screen::kKeyLeft)}, true, "abc", 1},
        {"Right stops at the end", "abc", 4, {Key(screen::kKeyRight)}, true, "abc", 4},
        {"Ctrl-Y blanks", "abc", 3, {Key(forms::kKeyCtrlY)}, true, "   ", 1},
        {"Ctrl-Home blanks",
         "abc",
         3,
         {Key(screen::kKeyHome, platform::kLeftCtrl)},
         true,
         "   ",
         1},
        {"Ctrl-Right to the next word",
         "one two,three",
         1,
         {Key(screen::kKeyRight, platform::kLeftCtrl)},
         true,
         "one two,three",
         5},
        {"Ctrl-Right twice",
         "one two,three",
         1,
         {Key(screen::kKeyRight, platform::kLeftCtrl), Key(screen::kKeyRight, platform::kLeftCtrl)},
         true,
         "one two,three",
         9},
        {"Ctrl-Right in the last word",
         "one two",
         6,
         {Key(screen::kKeyRight, platform::kLeftCtrl)},
         true,
         "one two",
         8},
        {"Ctrl-Left to the word start",
         "one two,three",
         11,
         {Key(screen::kKeyLeft, platform::kLeftCtrl)},
         true,
         "one two,three",
         9},
        {"Ctrl-Left from a word start",
         "one two,three",
         9,
         {Key(screen::kKeyLeft, platform::kLeftCtrl)},
         true,
         "one two,three",
         5},
        {"Alt with keypad 6 5 types A",
         "     ",
         1,
         {Key(screen::kKeyRight, platform::kLeftAlt), Key(screen::kKeyKeypad5, platform::kLeftAlt)},
         true,
         "A    ",
         2},
        {"Alt with keypad digits 2 5 9 types code 3",
         "     ",
         1,
         {Key('2', platform::kLeftAlt), Key('5', platform::kLeftAlt), Key('9', platform::kLeftAlt)},
         true,
         "     ",
         1},
        {"Alt-E types the euro sign",
         "     ",
         1,
         {Key(screen::kKeyAltE, platform::kLeftAlt)},
         true,
         "\xD5    ",
         2},
    };
    for (const Case& c : cases) {
        platform::SetInsertToggle(c.insert);
        for (const platform::InputEvent& e : c.keys)
            platform::InjectInput(e);
        const Edited r = Edit(c.text, c.position, {Key(screen::kKeyEnter)});
        EXPECT_EQ(r.text, c.expectedText) << c.what;
        EXPECT_EQ(r.position, c.expectedPosition) << c.what;
        EXPECT_EQ(r.key, screen::kKeyEnter) << c.what;
    }
}

TEST_F(EditorTest, TypedTextIsShownAndInsertKeyTogglesMode) {
    platform::SetInsertToggle(true);
    const Edited r =
        Edit("ab   ", 1, {Key('X'), Key(screen::kKeyIns), Key('Y'), Key(screen::kKeyEnter)});
    EXPECT_EQ(r.text, "XYb  "); // Y overwrote the a after Insert
    EXPECT_EQ(TextAt(5, 10, 5), "XYb  ");
    EXPECT_FALSE(platform::InsertToggle()); // persists for the next field
    EXPECT_FALSE(platform::CursorVisible());
}

TEST_F(EditorTest, MultiLineUpAndDown) {
    struct Case {
        int16_t position;
        KeyCode key;
        int16_t expectedPosition; // 0: the key ended editing
    };
    const Case cases[] = {
        {6, screen::kKeyDown, 10}, {8, screen::kKeyDown, 0},     {3, screen::kKeyUp, 0},
        {7, screen::kKeyUp, 3},    {7, screen::kKeyShiftTab, 3},
    };
    for (const Case& c : cases) {
        const Edited r = c.expectedPosition == 0 ? Edit("abcdefghij", c.position, {Key(c.key)}, 4)
                                                 : Edit("abcdefghij", c.position,
                                                        {Key(c.key), Key(screen::kKeyEnter)}, 4);
        if (c.expectedPosition == 0) {
            EXPECT_EQ(r.key, c.key == screen::kKeyShiftTab ? screen::kKeyUp : c.key) << c.position;
            EXPECT_EQ(r.position, c.position);
        } else {
            EXPECT_EQ(r.key, screen::kKeyEnter);
            EXPECT_EQ(r.position, c.expectedPosition) << c.position;
        }
    }
    // Shown in lines of four, one below the other.
    EXPECT_EQ(TextAt(5, 10, 4), "abcd");
    EXPECT_EQ(TextAt(6, 10, 4), "efgh");
    EXPECT_EQ(TextAt(7, 10, 4), "ij  ");
}

TEST_F(EditorTest, ChoiceField) {
    const char* list = "|1,One|2,Two|3,Three";
    struct Case {
        std::vector<platform::InputEvent> keys;
        const char* expected;
    };
    const Case cases[] = {
        {{}, "2"},
        {{Key(screen::kKeyLeft)}, "1"},
        {{Key(screen::kKeyLeft), Key(screen::kKeyLeft)}, "3"},
        {{Key(screen::kKeyRight), Key(screen::kKeyRight)}, "1"},
        {{Key(' ')}, "3"},
        {{Key('t')}, "3"},
        {{Key('t'), Key('t')}, "2"},
        {{Key('x')}, "2"},
        {{Click(5, 9)}, "1"},  // the left arrow
        {{Click(5, 15)}, "3"}, // the right arrow
        {{Click(5, 12)}, "2"}, // the shown text itself
    };
    for (const Case& c : cases) {
        for (const platform::InputEvent& e : c.keys)
            platform::InjectInput(e);
        const Edited r = Edit("2", 1, {Key(screen::kKeyEnter)}, 0, "d", list);
        EXPECT_EQ(r.text, c.expected);
        EXPECT_EQ(r.key, screen::kKeyEnter);
    }
    // While edited the shown text is padded to the longest one between the arrows; the arrows
    // are blanked at the end.
    Queue({Key(screen::kKeyEnter)});
    std::string text = "2";
    int16_t row = 5, column = 10, width = 0, position = 1;
    KeyCode key;
    platform::SetIdleHandler(nullptr);
    forms::SetChoiceList(list);
    forms::EditField(row, column, width, text, position, key);
    EXPECT_EQ(TextAt(5, 9, 7), " Two   ");

    // The first-letter search folds accents and case.
    platform::SetIdleHandler(NoMoreInput);
    const Edited r =
        Edit("B", 1, {Key('a'), Key(screen::kKeyEnter)}, 0, nullptr, "|B,Bosc|A,\x85rea|C,Casa");
    EXPECT_EQ(r.text, "A");
}

TEST_F(EditorTest, EndingTranslationsAndKeyFilter) {
    struct Case {
        const char* what;
        const char* keyList;
        std::vector<platform::InputEvent> keys;
        KeyCode expected;
    };
    const Case cases[] = {
        {"Tab is Enter", "d,9,4f00", {Key(screen::kKeyTab)}, screen::kKeyEnter},
        {"Enter is End when End is accepted", "d,4f00", {Key(screen::kKeyEnter)}, screen::kKeyEnd},
        {"Enter stays Enter otherwise", "d,1b", {Key(screen::kKeyEnter)}, screen::kKeyEnter},
        {"Shift-Tab is Up", "4800", {Key(screen::kKeyShiftTab)}, screen::kKeyUp},
        {"Ctrl-F4 is Esc", "1b", {Key(screen::kKeyF4, platform::kLeftCtrl)}, screen::kKeyEsc},
        {"Esc refused by a table without it",
         "d",
         {Key(27), Key(screen::kKeyEnter)},
         screen::kKeyEnter},
        {"Esc with an empty table", nullptr, {Key(27)}, screen::kKeyEsc},
        {"a reported code", "d=5000", {Key(screen::kKeyEnter)}, screen::kKeyDown},
        {"a click elsewhere passes the table", "d", {Click(20, 30)}, -3020},
        {"a click on the field with an empty table", nullptr, {Click(5, 12)}, 0},
        {"F1 with Alt", nullptr, {Key(screen::kKeyF1, platform::kLeftAlt)}, 0x6800},
    };
    for (const Case& c : cases) {
        for (const platform::InputEvent& e : c.keys)
            platform::InjectInput(e);
        const Edited r = Edit("ab   ", 1, {}, 0, c.keyList);
        EXPECT_EQ(r.key, c.expected) << c.what;
    }
}

TEST_F(EditorTest, ClickOnTheFieldMovesTheCursor) {
    const Edited r = Edit("abcde", 1, {Click(5, 12), Key(screen::kKeyEnter)}, 0, "d");
    EXPECT_EQ(r.position, 3);
    EXPECT_EQ(r.key, screen::kKeyEnter);
    // On a second line of a multi-line field, inside a window.
    screen::PushWindow(2, 3, 20, 70);
    const Edited m =
        Edit("abcdefghij", 1, {Click(5 + 2 + 1, 10 + 3 + 2), Key(screen::kKeyEnter)}, 4, "d");
    EXPECT_EQ(m.position, 7);
    screen::PopWindow();
}

TEST_F(EditorTest, ClipboardCopyAndPaste) {
    platform::SetClipboardText("\tab\r\nc ");
    Edited r = Edit("xxxxxx", 2, {Key(forms::kKeyCtrlV), Key(screen::kKeyEnter)});
    EXPECT_EQ(r.text, "xabcxx");
    EXPECT_EQ(r.position, 2);
    r = Edit("xxxx", 3, {Key(forms::kKeyCtrlV), Key(screen::kKeyEnter)});
    EXPECT_EQ(r.text, "xxab"); // cut at the text's length

    r = Edit("  hello  ", 1, {Key(forms::kKeyCtrlC), Key(screen::kKeyEnter)});
    EXPECT_EQ(platform::ClipboardText(), "hello");
    // A masked text is never copied, nor shown.
    platform::SetClipboardText("before");
    forms::SetKeyTable("h", "");
    r = Edit("secret", 1, {Key('X'), Key(forms::kKeyCtrlC), Key(screen::kKeyEnter)});
    EXPECT_EQ(platform::ClipboardText(), "before");
    EXPECT_EQ(TextAt(5, 10, 6), "XXXXXX");
}

// A pop-up opened with its hot key saves and restores the key table; the field's own filter
// ignores the hot key returned afterwards, and the pop-up's result is typed into the field.
std::string TestCalculator() {
    forms::SetKeyTable("+ea", "d,1b");
    forms::SetKeyTable("-", "");
    return "42";
}

TEST_F(EditorTest, PopupResultReachesTheField) {
    forms::CalculatorPopup = TestCalculator;
    forms::CalendarPopup = [] { return std::string("150324"); };
    forms::SetKeyTable("+ea", "d,1b");
    const std::vector<KeyCode> outer = {13, 27};
    const Edited r =
        Edit("        ", 1, {Key(screen::kKeyAltX, platform::kLeftAlt), Key(screen::kKeyEnter)}, 0,
             "d,1b");
    EXPECT_EQ(r.text, "42      ");
    EXPECT_EQ(r.key, screen::kKeyEnter);
    EXPECT_EQ(forms::KeyTable.acceptedKeys, outer);
    const Edited c =
        Edit("        ", 1, {Key(screen::kKeyAltC, platform::kLeftAlt), Key(screen::kKeyEnter)}, 0,
             "d,1b");
    EXPECT_EQ(c.text, "150324  ");
    forms::SetKeyTable("-", "");
    EXPECT_TRUE(forms::KeyTable.saves.empty());
}

TEST_F(EditorTest, HotKeyWhilePopupOpenOpensNothing) {
    static int opened;
    opened = 0;
    forms::CalculatorPopup = [] {
        ++opened;
        // Alt+X again inside the calculator: returned as a key, no second calculator.
        platform::InjectInput(Key(screen::kKeyAltX, platform::kLeftAlt));
        EXPECT_EQ(forms::ReadKey(), screen::kKeyAltX);
        return std::string();
    };
    Queue({Key(screen::kKeyAltX, platform::kLeftAlt)});
    EXPECT_EQ(forms::ReadKey(), screen::kKeyAltX);
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(forms::CalculatorOpen);
}

TEST_F(EditorTest, KeyReaderCodes) {
    struct Case {
        platform::InputEvent event;
        KeyCode expected;
    };
    const Case cases[] = {
        {Key(screen::kKeyF1, platform::kRightAlt), 0x6800},
        {Key(screen::kKeyF10, platform::kLeftCtrl), 0x6700},
        {Key(screen::kKeyF2, platform::kShift), 0x5500},
        {Key(screen::kKeyHome, platform::kRightCtrl), 0x7700},
        {Key(screen::kKeyLeft, platform::kLeftCtrl), 0x7300},
        {Key(screen::kKeyRight, platform::kLeftCtrl), 0x7400},
        {Key(screen::kKeyHome, platform::kShift), screen::kKeyHome},
        {Key(0x5700), forms::kKeyF11},
        {Key(0x5800, platform::kShift), static_cast<KeyCode>(0x8800)},
        {Key(0x5700, platform::kLeftCtrl), static_cast<KeyCode>(0x8900)},
        {Key(0x5800, platform::kLeftAlt), static_cast<KeyCode>(0x8C00)},
        {Key(0x82), 0x82},
    };
    for (const Case& c : cases) {
        Queue({c.event});
        EXPECT_EQ(forms::ReadKey(), c.expected);
    }
    // Typed-ahead text comes first, one character a read.
    forms::TypeAhead = "ab";
    Queue({Key('c')});
    EXPECT_EQ(forms::ReadKey(), 'a');
    EXPECT_EQ(forms::ReadKey(), 'b');
    EXPECT_EQ(forms::ReadKey(), 'c');
}

TEST_F(EditorTest, MouseStatesAndReadKeyOrClick) {
    // Mouse input is on only while a key is awaited.
    Queue({Click(7, 12)});
    int16_t button, row, column;
    EXPECT_EQ(forms::ReadKey(button, row, column), 0);
    EXPECT_EQ(button, 1);
    EXPECT_EQ(row, 7);
    EXPECT_EQ(column, 12);
    EXPECT_EQ(forms::MouseState, 2);
    EXPECT_FALSE(platform::MouseReporting());

    // ReadKeyOrClick returns on a click, with its own click code.
    Queue({Click(5, 10)});
    EXPECT_EQ(forms::ReadKeyOrClick(), 10 * 256 + 64 + 5);
    Queue({platform::MousePressEvent(platform::kRightButton, 3, 2)});
    EXPECT_EQ(forms::ReadKeyOrClick(), 2 * 256 + 2 * 64 + 3);
    Queue({Key('q')});
    EXPECT_EQ(forms::ReadKeyOrClick(), 'q');
}

TEST_F(EditorTest, KeyListAndNestedSaves) {
    const auto entries = forms::ParseKeyList("d,1B=4f00,,4800xyz");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].key, 13);
    EXPECT_EQ(entries[1].key, 27);
    EXPECT_EQ(entries[1].reported, 0x4F00);
    EXPECT_EQ(entries[2].key, 0);
    EXPECT_EQ(entries[3].key, 0x4800);

    forms::SetKeyTable("ea", "d");
    forms::SetKeyTable("+ea", "1b");
    forms::SetKeyTable("+ea", "3e00");
    EXPECT_EQ(forms::KeyTable.acceptedKeys, std::vector<KeyCode>{0x3E00});
    forms::SetKeyTable("-", "");
    EXPECT_EQ(forms::KeyTable.acceptedKeys, std::vector<KeyCode>{27});
    forms::SetKeyTable("-", "");
    EXPECT_EQ(forms::KeyTable.acceptedKeys, std::vector<KeyCode>{13});
    forms::SetKeyTable("-", ""); // nothing saved: nothing changes
    EXPECT_EQ(forms::KeyTable.acceptedKeys, std::vector<KeyCode>{13});
    forms::SetKeyTable("h", "");
    EXPECT_EQ(forms::MaskCharacter, 'X');
    forms::SetKeyTable("V", "");
    EXPECT_EQ(forms::MaskCharacter, 0);
}

} // namespace
