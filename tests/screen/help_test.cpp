#include "screen_fixture.h"

#include "platform/system.h"
#include "screen/help.h"
#include "screen/keys.h"

#include <fstream>
#include <unistd.h>

using namespace screen;

namespace {

// Keys played into ShowHelp one at a time: each time the help waits for a key, the screen is
// noted and the next key given; Esc ends the script.
std::vector<platform::InputEvent> script;
size_t scriptAt = 0;
std::vector<std::vector<platform::Cell>> screens;

std::vector<platform::Cell> Cells() {
    std::vector<platform::Cell> cells;
    for (int16_t r = 1; r <= 25; ++r)
        for (int16_t c = 1; c <= 80; ++c)
            cells.push_back(platform::ReadCell(r, c));
    return cells;
}

void PlayNextKey() {
    screens.push_back(Cells());
    if (scriptAt < script.size())
        platform::InjectInput(script[scriptAt++]);
    else
        platform::InjectInput(platform::CharacterEvent(27));
}

platform::InputEvent Ext(KeyCode code) {
    return platform::ExtendedKeyEvent(uint8_t(code >> 8));
}
platform::InputEvent Esc() {
    return platform::CharacterEvent(27);
}

class HelpTest : public ScreenTest {
  protected:
    void SetUp() override {
        ScreenTest::SetUp();
        oldDir_ = platform::CurrentDirectory();
        ASSERT_TRUE(platform::ChangeDirectory(dir_));
        std::filesystem::create_directory(dir_ + "/AJUDA");
        script.clear();
        scriptAt = 0;
        screens.clear();
        platform::SetIdleHandler(PlayNextKey);
    }
    void TearDown() override {
        platform::ChangeDirectory(oldDir_);
        ScreenTest::TearDown();
    }
    void WriteHelp(const std::string& topic, const std::string& bytes) {
        std::ofstream(dir_ + "/AJUDA/" + topic + ".HLP", std::ios::binary) << bytes;
    }
    // A help file of n records "LINE nn" padded to 78 characters, with CR LF.
    static std::string NumberedLines(int n) {
        std::string file;
        for (int i = 1; i <= n; ++i) {
            std::string line = "LINE " + std::to_string(100 + i).substr(1);
            line.resize(78, '.');
            file += line + "\r\n";
        }
        return file;
    }
    // The line number shown on an interior row (1..17) of a noted screen; 0 for a blank row.
    static int LineOn(const std::vector<platform::Cell>& cells, int interiorRow) {
        const int row = 4 + interiorRow;
        std::string text;
        for (int c = 3; c <= 9; ++c)
            text += char(cells[size_t((row - 1) * 80 + c - 1)].character);
        if (text.rfind("LINE ", 0) != 0) return 0;
        return std::stoi(text.substr(5));
    }
    static std::pair<int, int> Page(const std::vector<platform::Cell>& cells) {
        return {LineOn(cells, 1), LineOn(cells, 17)};
    }

    std::string oldDir_;
};

TEST_F(HelpTest, FortyLinesPageAsDocumented) {
    WriteHelp("MENU01", NumberedLines(40));
    script = {Ext(kKeyPgDn), Ext(kKeyPgDn), Ext(kKeyPgUp), Ext(kKeyPgUp), Ext(kKeyUp),
              Ext(kKeyEnd),  Ext(kKeyPgUp), Ext(kKeyHome), Ext(kKeyDown), Ext(kKeyDown),
              Ext(kKeyUp),   Ext(kKeyEnd),  Ext(kKeyDown), Ext(kKeyPgDn)};
    ShowHelp("MENU01");
    const std::vector<std::pair<int, int>> want = {
        {1, 17},  // opened
        {18, 34}, // PgDn goes forward by a page
        {24, 40}, // the second PgDn stops at the end
        {8, 24},  // PgUp: the former top line becomes the bottom line
        {1, 17},  // and stops at the start
        {1, 17},  // Up at the top does nothing
        {24, 40}, // End
        {8, 24},  // PgUp
        {1, 17},  // Home
        {2, 18},  // Down
        {3, 19},  // Down
        {2, 18},  // Up
        {24, 40}, // End
        {24, 40}, // Down at the end does nothing
        {24, 40}, // PgDn at the end does nothing
    };
    ASSERT_EQ(screens.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(Page(screens[i]), want[i]) << "after key " << i;
        for (int r = 1; r < 17; ++r) // consecutive lines on every row
            EXPECT_EQ(LineOn(screens[i], r + 1), LineOn(screens[i], r) + 1) << i << " row " << r;
    }
}

TEST_F(HelpTest, WindowGeometryAndRestoredScreen) {
    WriteHelp("MENU01", NumberedLines(40));
    FillPattern();
    SetColour("n");
    platform::SetCursorPosition(12, 40);
    const auto before = Snapshot();
    ShowHelp("MENU01");
    ASSERT_EQ(screens.size(), 1u);
    const auto& shown = screens[0];
    auto text = [&](int row, int column, int n) {
        std::string t;
        for (int c = column; c < column + n; ++c)
            t += char(shown[size_t((row - 1) * 80 + c - 1)].character);
        return t;
    };
    EXPECT_EQ(text(4, 1, 80), "\xC9" + std::string(78, '\xCD') + "\xBB");
    EXPECT_EQ(text(22, 1, 80), "\xC8" + std::string(78, '\xCD') + "\xBC");
    EXPECT_EQ(shown[size_t(3 * 80)].attribute, 15); // frame in the highlight colour
    // 76 characters from column 3; columns 2 and 79 stay blank.
    EXPECT_EQ(text(5, 1, 80), "\xBA LINE 01" + std::string(76 - 7, '.') + " \xBA");
    EXPECT_EQ(text(5, 2, 1), " ");
    EXPECT_EQ(shown[size_t(4 * 80 + 2)].attribute, 7); // lines in the normal colour
    for (int c = 1; c <= 80; ++c) {                    // rows 3 and 23 untouched
        EXPECT_EQ(shown[size_t(2 * 80 + c - 1)].character,
                  before[size_t(2 * 80 + c - 1)].character);
        EXPECT_EQ(shown[size_t(22 * 80 + c - 1)].character,
                  before[size_t(22 * 80 + c - 1)].character);
    }
    EXPECT_TRUE(SameCells(Snapshot(), before));
    EXPECT_EQ(platform::CursorRow(), 12);
    EXPECT_EQ(platform::CursorColumn(), 40);
    EXPECT_EQ(CurrentColourIndex, 1);
    EXPECT_TRUE(ColourStack.empty());
    EXPECT_EQ(Windows.depth, 0);
    EXPECT_FALSE(StackFileExists());
}

TEST_F(HelpTest, ShortFileShowsBlankRowsAndIgnoresPaging) {
    WriteHelp("MENU01", NumberedLines(10));
    script = {Ext(kKeyDown), Ext(kKeyUp),   Ext(kKeyPgDn),
              Ext(kKeyPgUp), Ext(kKeyHome), Ext(kKeyEnd)};
    ShowHelp("MENU01");
    ASSERT_EQ(screens.size(), 7u);
    for (const auto& s : screens) {
        for (int r = 1; r <= 10; ++r)
            EXPECT_EQ(LineOn(s, r), r);
        for (int r = 11; r <= 17; ++r) {
            for (int c = 2; c <= 79; ++c)
                EXPECT_EQ(s[size_t((r + 3) * 80 + c - 1)].character, ' ');
        }
    }
}

TEST_F(HelpTest, ColourToggles) {
    std::string line = "ab\x1e"
                       "cd\x1e"
                       "ef \x1f"
                       "un\x1f \x10"
                       "rv\x10 \x1e\x1f"
                       "x\x1e"
                       "y\x1f";
    line.resize(80, ' ');
    WriteHelp("MENU01", line);
    ShowHelp("MENU01");
    const auto& s = screens.at(0);
    const uint8_t normal = 7, highlight = 15, reverse = 0x70, underline = 0x70;
    const struct {
        char ch;
        uint8_t attribute;
    } want[] = {{'a', normal},
                {'b', normal},
                {'c', highlight},
                {'d', highlight},
                {'e', normal},
                {'f', normal},
                {' ', normal},
                {'u', underline},
                {'n', underline},
                {' ', normal},
                {'r', reverse},
                {'v', reverse},
                {' ', normal},
                // highlight then underline on: underline; highlight off while underlined: no change
                {'x', underline},
                {'y', underline}};
    for (size_t i = 0; i < std::size(want); ++i) {
        const platform::Cell cell = s[size_t(4 * 80 + 2 + i)];
        EXPECT_EQ(cell.character, uint8_t(want[i].ch)) << i;
        EXPECT_EQ(cell.attribute, want[i].attribute) << i;
    }
}

TEST_F(HelpTest, SeventySixCharactersAtMost) {
    std::string plain(80, 'p'), marked = "\x1e" + std::string(79, 'm');
    WriteHelp("MENU01", plain + marked);
    ShowHelp("MENU01");
    const auto& s = screens.at(0);
    for (int row : {5, 6}) {
        EXPECT_NE(s[size_t((row - 1) * 80 + 77)].character, ' ') << row; // column 78
        EXPECT_EQ(s[size_t((row - 1) * 80 + 78)].character, ' ') << row; // column 79
    }
}

TEST_F(HelpTest, LineEndsShowAsBlanks) {
    // Six switch bytes leave 72 visible characters, so CR LF falls within the 76 shown.
    std::string line = "\x1e"
                       "a\x1e"
                       "\x1f"
                       "b\x1f"
                       "\x10"
                       "c\x10";
    line += std::string(78 - line.size(), 'z') + "\r\n";
    WriteHelp("MENU01", line);
    ShowHelp("MENU01");
    const auto& s = screens.at(0);
    auto visible = [&](int n) { return s[size_t(4 * 80 + 2 + n - 1)].character; }; // from column 3
    EXPECT_EQ(visible(1), 'a');
    EXPECT_EQ(visible(72), 'z');
    EXPECT_EQ(visible(73), ' '); // CR
    EXPECT_EQ(visible(74), ' '); // LF
}

TEST_F(HelpTest, NestedHelpOnF1) {
    WriteHelp("MENU01", NumberedLines(40));
    std::string own = "HELP ON HELP";
    own.resize(80, ' ');
    WriteHelp(kHelpOnHelpTopic, own);
    script = {Ext(kKeyPgDn), Ext(kKeyF1), Ext(kKeyF1), Esc(), Ext(kKeyDown)};
    ShowHelp("MENU01");
    ASSERT_EQ(screens.size(), 6u);
    EXPECT_EQ(Page(screens[1]), (std::pair<int, int>{18, 34}));
    auto row5 = [](const std::vector<platform::Cell>& s) {
        std::string t;
        for (int c = 3; c <= 14; ++c)
            t += char(s[size_t(4 * 80 + c - 1)].character);
        return t;
    };
    EXPECT_EQ(row5(screens[2]), "HELP ON HELP");
    EXPECT_EQ(row5(screens[3]), "HELP ON HELP");    // F1 inside the help on help is ignored
    EXPECT_TRUE(SameCells(screens[4], screens[1])); // back to the first window unchanged
    EXPECT_EQ(Page(screens[5]), (std::pair<int, int>{19, 35}));
    EXPECT_EQ(Windows.depth, 0);
    EXPECT_TRUE(ColourStack.empty());
}

TEST_F(HelpTest, AnyFileContentShowsWithoutHarm) {
    std::string binary;
    for (int i = 0; i < 1000; ++i)
        binary += char((i * 37) % 256);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {{"missing", ""},    {"empty", ""},
                 {"binary", binary}, {"no line ends", std::string(333, 'w')},
                 {"one byte", "x"},  {"half a record", std::string(40, 'h')}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (std::string(c.what) == "missing")
            std::filesystem::remove(dir_ + "/AJUDA/MENU01.HLP");
        else
            WriteHelp("MENU01", c.bytes);
        FillPattern();
        const auto before = Snapshot();
        script = {Ext(kKeyDown), Ext(kKeyEnd),  Ext(kKeyPgUp),
                  Ext(kKeyPgDn), Ext(kKeyHome), platform::MousePressEvent(1, 3, 3)};
        scriptAt = 0;
        screens.clear();
        ShowHelp("MENU01");
        EXPECT_EQ(screens.size(), 7u);
        EXPECT_TRUE(SameCells(Snapshot(), before));
        EXPECT_EQ(Windows.depth, 0);
    }
    // A missing file is not left behind.
    std::filesystem::remove(dir_ + "/AJUDA/MENU01.HLP");
    ShowHelp("MENU01");
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/AJUDA/MENU01.HLP"));
}

TEST_F(HelpTest, WinModeStartsTheLauncherWithoutAShell) {
    const std::string launcher = dir_ + "/launcher with blank";
    std::ofstream(launcher) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > "
                               "\"$(dirname \"$0\")/args.txt\"\n";
    std::filesystem::permissions(launcher, std::filesystem::perms::owner_all);
    ::setenv("COMSPEC", launcher.c_str(), 1);
    app::SessionSettings.outputMode = "WIN";
    FillPattern();
    const auto before = Snapshot();
    ShowHelp("MENU01; rm -rf x");
    ::unsetenv("COMSPEC");
    std::ifstream in(dir_ + "/args.txt");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "/C\nREDERO\nAJUDA\\MENU01; rm -rf x.HTM\n");
    EXPECT_TRUE(SameCells(Snapshot(), before)); // nothing drawn
    EXPECT_TRUE(screens.empty());               // no key read
}

TEST(HelpCommandTest, BuildsTheLauncherArguments) {
    ::setenv("COMSPEC", "C:\\WINDOWS\\SYSTEM32\\CMD.EXE", 1);
    EXPECT_EQ(HelpCommand("MENU01"),
              (std::vector<std::string>{"C:\\WINDOWS\\SYSTEM32\\CMD.EXE", "/C", "REDERO",
                                        "AJUDA\\MENU01.HTM"}));
    ::unsetenv("COMSPEC");
}

TEST(KeyCodeTest, FromKeyTexts) {
    EXPECT_EQ(KeyCodeOf(""), kKeyNone);
    EXPECT_EQ(KeyCodeOf("\x1b"), kKeyEsc);
    EXPECT_EQ(KeyCodeOf(std::string("\0\x48", 2)), kKeyUp);
    EXPECT_EQ(KeyCodeOf(std::string("\0\x2d", 2)), kKeyAltX);
    EXPECT_EQ(KeyCodeOf("\x82"), 0x82); // e acute
    EXPECT_EQ(KeyCodeOf("\xff\xff\x04\x01"), kKeyMouse);
    EXPECT_EQ(KeyCodeOf(platform::EventKeyText(platform::ExtendedKeyEvent(0x3E))), kKeyF4);
}

} // namespace
