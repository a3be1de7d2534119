// Browse lists over real record-manager files on the headless console: the list file's bytes,
// moving and paging, the heading, fetching only as far as shown, Esc during a fetch, picking a
// record by its position, nested lists, reading without locks, and the report's list hooks.
#include "forms_fixture.h"

#include "data/datafiles.h"
#include "data/records.h"
#include "forms/browse.h"
#include "forms/hooks.h"
#include "support/holdlock.h"
#include "support/installation.h"
#include "support/records.h"

#include <chrono>
#include <csignal>
#include <functional>
#include <sys/wait.h>

using namespace formstest;
using testsupport::FlatBytes;
using testsupport::FourDigits;
using testsupport::PropertyBytes;

namespace {

// The list window of the fixture's definitions: rows 3..14, columns 5..60.
constexpr int16_t kTop = 3, kLeft = 5, kBottom = 14, kRight = 60;
constexpr int16_t kRows = kBottom - kTop - 1;    // 10
constexpr int16_t kColumns = kRight - kLeft - 1; // 54
constexpr int32_t kPropertyFile = 506, kFlatFile = 507;

struct ListLine {
    int32_t previous, recordPosition;
    std::string text;
};

// What the list shows each time it waits for a key: a check of the screen (optional), then the
// key the operator presses.
struct Step {
    std::function<void()> check;
    platform::InputEvent key;
};
std::vector<Step> script;
size_t scriptAt = 0;

void PlayScript() {
    if (scriptAt >= script.size()) throw InputRanOut();
    Step& step = script[scriptAt++];
    if (step.check) step.check();
    platform::InjectInput(step.key);
}

std::string Padded(const std::string& text, size_t width) {
    std::string out = text;
    out.resize(width, ' ');
    return out;
}

class BrowseTest : public FormsTest {
  protected:
    void SetUp() override {
        FormsTest::SetUp();
        int16_t status = 0;
        data::CloseAllDataFiles(status);
        app::SessionSettings.rootDir = inst.Root();
        app::SessionSettings.workDir = inst.Work();
        screen::SetColour("u");
        underline = platform::CurrentAttribute();
        screen::SetColour("h");
        ASSERT_NE(underline, platform::CurrentAttribute());
        screen::ResetColoursForTests();

        PutForm(1, {MakeField(17, 1, "Mes: ", 8), MakeField(18, 1, "De la finca: ", 3),
                    MakeField(18, 20, "pis: ", 3), MakeField(19, 1, "A la finca: ", 3),
                    MakeField(19, 20, "pis: ", 3)});
        forms::SetFieldValue(forms::Field(1, 2), "12");
        forms::SetFieldValue(forms::Field(1, 3), "0");
        forms::SetFieldValue(forms::Field(1, 4), "999");
        forms::SetFieldValue(forms::Field(1, 5), "999");
        auto& browses = forms::FormDefinition.browses;
        browses.resize(4);
        browses[1] = {kPropertyFile,
                      0,
                      kTop,
                      kLeft,
                      kBottom,
                      kRight,
                      0,
                      "Num_Adre\xE7"
                      "a",
                      0};
        browses[2] = {kFlatFile, 0, kTop, kLeft, kBottom, kRight, 0, "Num_Llogater", 0};
        browses[3] = browses[2];
        script.clear();
        scriptAt = 0;
    }
    void TearDown() override {
        int16_t status = 0;
        data::CloseAllDataFiles(status);
        data::SetWaitForTests(1);
        FormsTest::TearDown();
    }

    void OpenFiles(const std::vector<std::string>& properties,
                   const std::vector<std::string>& flats) {
        ASSERT_TRUE(inst.CreateFile("DADES\\FinquesV", "FinquesV", properties));
        ASSERT_TRUE(inst.CreateFile("DADES\\DepartaV", "DepartaV", flats));
        int16_t status = -1;
        data::OpenDataFile(kPropertyFile, inst.Root() + "DADES\\FinquesV", property, status);
        ASSERT_EQ(status, 0);
        data::OpenDataFile(kFlatFile, inst.Root() + "DADES\\DepartaV", flat, status);
        ASSERT_EQ(status, 0);
    }
    // Properties 1..n, each with an address of its number.
    void OpenProperties(int n) {
        std::vector<std::string> properties;
        for (int i = n; i >= 1; --i) // inserted out of order: the list follows the key
            properties.push_back(PropertyBytes(i, "Carrer " + std::to_string(i)));
        OpenFiles(properties, {});
    }

    // Runs the list with the script played at each key wait.
    int16_t Run(int16_t browse, std::vector<Step> steps) {
        script = std::move(steps);
        scriptAt = 0;
        platform::SetIdleHandler(PlayScript);
        const int16_t result = forms::RunBrowse(browse);
        platform::SetIdleHandler(NoMoreInput);
        EXPECT_EQ(scriptAt, script.size()) << "the list ended before the script";
        return result;
    }

    // The interior row r of the list window.
    static std::string Row(int16_t r) {
        return platform::RowText(static_cast<int16_t>(kTop + r)).substr(kLeft, kColumns);
    }
    static std::string Heading() { return platform::RowText(kTop).substr(kLeft - 1, kColumns + 2); }
    // The row shown in the underline colour; 0 when none.
    int16_t Highlighted() const {
        int16_t found = 0;
        for (int16_t r = 1; r <= kRows; ++r)
            if (platform::ReadCell(static_cast<int16_t>(kTop + r), kLeft + 1).attribute ==
                underline)
                found = found == 0 ? r : -1;
        return found;
    }
    // The number at the start of row r (0 for a blank row).
    static int RowNumber(int16_t r) { return std::atoi(Row(r).substr(0, 3).c_str()); }
    // Expects the page to start with line `top` and the highlight on row v.
    std::function<void()> Expect(int top, int16_t v) {
        return [this, top, v] {
            EXPECT_EQ(RowNumber(1), top);
            EXPECT_EQ(Highlighted(), v) << "page starting at " << RowNumber(1);
        };
    }

    std::string ListPath() const { return inst.Work() + "Browse.tmp"; }
    std::vector<ListLine> ListLines() const {
        const std::string bytes = testsupport::ReadFile(ListPath());
        std::vector<ListLine> lines;
        auto le = [&](size_t at, int n) {
            uint32_t v = 0;
            for (int i = n - 1; i >= 0; --i)
                v = (v << 8) | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
            return v;
        };
        for (size_t at = 0; at + 10 <= bytes.size();) {
            const size_t length = le(at + 8, 2);
            lines.push_back({static_cast<int32_t>(le(at, 4)), static_cast<int32_t>(le(at + 4, 4)),
                             bytes.substr(at + 10, length)});
            at += 10 + length;
        }
        return lines;
    }

    int32_t PositionOf(data::FileNumber file, const std::string& digits) {
        int16_t status = -1;
        data::GetByKey(file, 0, text::PackDigits(digits), 0, status);
        EXPECT_EQ(status, 0);
        return data::RecordPosition(file, 0);
    }
    std::string PropertyCode() const { return text::UnpackDigits(std::string(property, 2)); }
    std::string FlatCode() const { return text::UnpackDigits(std::string(flat, 4)); }
    int16_t LockMode(data::FileNumber file) const {
        return data::DataFileTable[static_cast<size_t>(data::FindSlot(file))].lockMode;
    }

    // Everything the list took is given back.
    void ExpectClosed() {
        EXPECT_FALSE(platform::FileExists(ListPath()));
        EXPECT_EQ(screen::Windows.depth, 0);
        EXPECT_TRUE(screen::ColourStack.empty());
        EXPECT_TRUE(forms::KeyTable.saves.empty());
        for (int16_t r = kTop; r <= kBottom; ++r)
            EXPECT_EQ(platform::RowText(r), std::string(80, ' ')) << "row " << r;
    }

    testsupport::Installation inst;
    char property[160] = {};
    char flat[200] = {};
    uint8_t underline = 0;
};

TEST_F(BrowseTest, ListFileBytesAndAShortList) {
    OpenFiles({PropertyBytes(12, "C. Major, 3"), PropertyBytes(3, "Pl. del Sol, 1"),
               PropertyBytes(40, "Av. Diagonal, 100")},
              {});
    const int32_t p3 = PositionOf(kPropertyFile, "0003"), p12 = PositionOf(kPropertyFile, "0012"),
                  p40 = PositionOf(kPropertyFile, "0040");
    const platform::InputEvent down = Key(screen::kKeyDown);
    const int16_t result =
        Run(1, {{[&] {
                     // Three line records: previous-line position, record position, length, text.
                     std::string expected;
                     auto put = [&](int32_t previous, int32_t position, const std::string& text) {
                         for (uint32_t v :
                              {static_cast<uint32_t>(previous), static_cast<uint32_t>(position)})
                             for (int i = 0; i < 4; ++i)
                                 expected += static_cast<char>((v >> (8 * i)) & 0xFF);
                         expected += static_cast<char>(text.size() & 0xFF);
                         expected += static_cast<char>(text.size() >> 8);
                         expected += text;
                     };
                     put(0, p3, "003  Pl. del Sol, 1");
                     put(1, p12, "012  C. Major, 3");
                     put(30, p40, "040  Av. Diagonal, 100");
                     EXPECT_EQ(testsupport::ReadFile(ListPath()), expected);
                     EXPECT_EQ(Row(1), Padded("003  Pl. del Sol, 1", kColumns));
                     EXPECT_EQ(Row(3), Padded("040  Av. Diagonal, 100", kColumns));
                     for (int16_t r = 4; r <= kRows; ++r)
                         EXPECT_EQ(Row(r), std::string(kColumns, ' '));
                     EXPECT_EQ(Highlighted(), 1);
                     // The heading on the frame: an underscore shows as a blank, the rest is frame.
                     EXPECT_EQ(Heading(), "\xC9Num Adre\xE7"
                                          "a" +
                                              std::string(kColumns - 10, '\xCD') + "\xBB");
                 },
                 down},
                {nullptr, down},
                {[&] { EXPECT_EQ(Highlighted(), 3); }, down},
                {[&] { EXPECT_EQ(Highlighted(), 3); }, Key(screen::kKeyEsc)}}); // Down did nothing
    EXPECT_EQ(result, -1);
    ExpectClosed();
}

TEST_F(BrowseTest, MovingAndPaging) {
    OpenProperties(35);
    const platform::InputEvent up = Key(screen::kKeyUp), down = Key(screen::kKeyDown),
                               pgUp = Key(screen::kKeyPgUp), pgDn = Key(screen::kKeyPgDn);
    struct Move {
        const char* what;
        platform::InputEvent key;
        int top;   // the line shown on the first row afterwards
        int16_t v; // the highlighted row afterwards
    };
    std::vector<Move> moves = {{"Up on the first line does nothing", up, 1, 1}};
    for (int16_t v = 2; v <= kRows; ++v)
        moves.push_back({"", down, 1, v});
    const std::vector<Move> more = {
        {"Down on the bottom row scrolls by one line", down, 2, 10},
        {"", down, 3, 10},
        {"", down, 4, 10},
        {"", down, 5, 10},
        {"", up, 5, 9},
        {"page at line 5, highlight on row 8 (line 12)", up, 5, 8},
        {"Page Up reaching the first line: line 2 on row 2", pgUp, 1, 2},
        {"", pgDn, 11, 2},
        {"", pgDn, 21, 2},
        {"page at line 21, highlight on row 3", down, 21, 3},
        {"Page Up by a whole page keeps the row (line 13)", pgUp, 11, 3},
        {"", pgDn, 21, 3},
        {"the last page is short", pgDn, 31, 3},
        {"", down, 31, 4},
        {"", down, 31, 5},
        {"Down on the last line does nothing", down, 31, 5},
        {"Page Down on the last page does nothing", pgDn, 31, 5},
        {"", up, 31, 4},
        {"", up, 31, 3},
        {"", up, 31, 2},
        {"", up, 31, 1},
        {"Up on the top row scrolls by one line", up, 30, 1},
    };
    moves.insert(moves.end(), more.begin(), more.end());
    // Each key wait checks what the key before did, then presses the next key.
    std::vector<Step> steps = {{Expect(1, 1), moves[0].key}};
    for (size_t i = 0; i < moves.size(); ++i) {
        auto check = Expect(moves[i].top, moves[i].v);
        const std::string what = std::string(moves[i].what) + " (move " + std::to_string(i) + ")";
        const platform::InputEvent next =
            i + 1 < moves.size() ? moves[i + 1].key : Key(screen::kKeyEnter);
        steps.push_back({[check, what] {
                             SCOPED_TRACE(what);
                             check();
                         },
                         next});
    }
    steps.back().check = [&, check = steps.back().check] {
        check();
        EXPECT_EQ(Row(6), Padded("035  Carrer 35", kColumns));
        for (int16_t r = 7; r <= kRows; ++r)
            EXPECT_EQ(Row(r), std::string(kColumns, ' '));
        EXPECT_EQ(PropertyCode(), "0035"); // the buffer holds the last record fetched
    };
    EXPECT_EQ(Run(1, steps), 0);
    EXPECT_EQ(PropertyCode(), "0030"); // Enter read the highlighted line's record back
    ExpectClosed();
}

TEST_F(BrowseTest, HeadingShowsWhenLinesReachBeyondTheWindow) {
    // A window 20 columns wide that the lines stick out of.
    std::vector<std::string> properties;
    for (int i = 1; i <= 3; ++i)
        properties.push_back(PropertyBytes(i, "Carrer de la Font Vella, " + std::to_string(i)));
    OpenFiles(properties, {});
    forms::FormDefinition.browses[1].right = kLeft + 21;
    const std::string line = "001  Carrer de la Font Vella, 1"; // 31 characters: widest 11
    auto heading = [] { return platform::RowText(kTop).substr(kLeft - 1, 22); };
    auto row1 = [] { return platform::RowText(kTop + 1).substr(kLeft, 20); };
    const std::string frame(20, '\xCD');
    const struct {
        const char* what;
        screen::KeyCode key;
        std::string heading, row;
    } cases[] = {
        {"drawn before any line: closed", 0,
         "\xC9Num Adre\xE7"
         "a" +
             frame.substr(10) + "\xBB",
         line.substr(0, 20)},
        {"Left at the first column: nothing", screen::kKeyLeft,
         "\xC9Num Adre\xE7"
         "a" +
             frame.substr(10) + "\xBB",
         line.substr(0, 20)},
        {"Right: more on both sides", screen::kKeyRight,
         "\x11\xE7"
         "a" +
             frame.substr(2) + "\x10",
         line.substr(8, 20)},
        {"Right again: the ends of the lines", screen::kKeyRight, "\x11" + frame + "\xBB",
         Padded(line.substr(16), 20)},
        {"Right refused", screen::kKeyRight, "\x11" + frame + "\xBB", Padded(line.substr(16), 20)},
        {"Left", screen::kKeyLeft,
         "\x11\xE7"
         "a" +
             frame.substr(2) + "\x10",
         line.substr(8, 20)},
        {"Left back to the start: more on the right", screen::kKeyLeft,
         "\xC9Num Adre\xE7"
         "a" +
             frame.substr(10) + "\x10",
         line.substr(0, 20)},
    };
    std::vector<Step> steps;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        steps.push_back({[&c, heading, row1] {
                             SCOPED_TRACE(c.what);
                             EXPECT_EQ(heading(), c.heading);
                             EXPECT_EQ(row1(), c.row);
                         },
                         Key(i + 1 < std::size(cases) ? cases[i + 1].key : screen::kKeyEsc)});
    }
    EXPECT_EQ(Run(1, steps), -1);
    EXPECT_EQ(screen::Windows.depth, 0);
}

TEST_F(BrowseTest, FetchesOnlyAsFarAsShownAndEscStopsAFetch) {
    OpenProperties(35);
    const int32_t p20 = PositionOf(kPropertyFile, "0020");
    const int16_t result =
        Run(1, {{[&] {
                     EXPECT_EQ(ListLines().size(), 10u);
                     platform::InjectInput(Key(screen::kKeyPgDn));
                 },
                 Key('x')}, // typed while the lines are fetched: dropped (it would end the list)
                {[&] {
                     EXPECT_EQ(ListLines().size(), 20u);
                     Expect(11, 1)();
                     platform::InjectInput(Key(screen::kKeyPgDn));
                 },
                 Key(screen::kKeyEsc)}, // Esc while the next page is fetched: fetching stops
                {[&] {
                     EXPECT_EQ(ListLines().size(), 21u);
                     Expect(21, 1)();
                     for (int16_t r = 2; r <= kRows; ++r)
                         EXPECT_EQ(Row(r), std::string(kColumns, ' '));
                 },
                 Key(screen::kKeyPgDn)}, // nothing more: no next page
                {Expect(21, 1), Key(screen::kKeyUp)},
                {[&] {
                     Expect(20, 1)();
                     EXPECT_EQ(RowNumber(2), 21);
                     EXPECT_EQ(ListLines().size(), 21u); // moving back reads the list file
                     EXPECT_EQ(ListLines()[19].recordPosition, p20);
                 },
                 Key(screen::kKeyEnter)}});
    EXPECT_EQ(result, 0);
    EXPECT_EQ(PropertyCode(), "0020");
    ExpectClosed();
}

TEST_F(BrowseTest, FlatsListKeepsToOneProperty) {
    OpenFiles({PropertyBytes(3, "Pl. del Sol, 1"), PropertyBytes(12, "C. Major, 3"),
               PropertyBytes(40, "Av. Diagonal, 100")},
              {FlatBytes(12, 2, "Puig, Anna", "1r 1a", "20240315", 12),
               FlatBytes(12, 1, "Vila, Joan", "BAIXOS", "20230101", 24),
               FlatBytes(3, 7, "Soler, Pere", "2n 2a", "", 0),
               FlatBytes(40, 1, "Roca, Marta", "1r", "", 0),
               FlatBytes(12, 3, "Pons, Jordi", "2n", "", 0)});
    const std::string vila = "001  " + Padded("Vila, Joan", 30) + "  BAIXOS";
    const std::string puig = "002  " + Padded("Puig, Anna", 30) + "  1r 1a";
    const std::string pons = "003  " + Padded("Pons, Jordi", 30) + "  2n";
    const struct {
        const char* what;
        int16_t browse;
        const char *first, *last;
        std::vector<std::string> lines;
        std::string picked; // after Down and Enter; empty: nothing to pick
    } cases[] = {
        {"from the first property field", 2, "12", "40", {vila, puig, pons}, "00120002"},
        {"from the last property field",
         3,
         "1",
         "3",
         {"007  " + Padded("Soler, Pere", 30) + "  2n 2a"},
         "00030007"},
        // Property 13 has no flats: the flat of property 40 found after it gives no line.
        {"a property without flats", 2, "13", "999", {}, ""},
        {"past the last flat", 2, "41", "999", {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        forms::SetFieldValue(forms::Field(1, 2), c.first);
        forms::SetFieldValue(forms::Field(1, 4), c.last);
        const int16_t result = Run(
            c.browse, {{[&] {
                            for (int16_t r = 1; r <= kRows; ++r)
                                EXPECT_EQ(Row(r), Padded(r <= static_cast<int16_t>(c.lines.size())
                                                             ? c.lines[static_cast<size_t>(r - 1)]
                                                             : "",
                                                         kColumns))
                                    << "row " << r;
                        },
                        Key(screen::kKeyDown)},
                       {nullptr, Key(screen::kKeyEnter)}});
        if (c.picked.empty()) {
            EXPECT_NE(result, 0); // nothing to read
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(FlatCode(), c.picked);
        }
        ExpectClosed();
    }
}

TEST_F(BrowseTest, NestedListStoresNothingAndCountsAsCancelled) {
    OpenFiles({PropertyBytes(3, "Pl. del Sol, 1"), PropertyBytes(12, "C. Major, 3")},
              {FlatBytes(12, 1, "Vila, Joan", "BAIXOS", "", 0),
               FlatBytes(12, 2, "Puig, Anna", "1r 1a", "", 0)});
    forms::FormDefinition.browses[1].f4Browse = 2;
    forms::FormDefinition.browses[2].top = kTop + 2; // the inner list over the outer one
    int16_t status = 0;
    data::SetLockMode(kPropertyFile, "A", status);
    data::SetLockMode(kFlatFile, "B", status);
    const std::vector<std::string> before = {forms::Field(1, 2).value, forms::Field(1, 3).value,
                                             forms::Field(1, 4).value, forms::Field(1, 5).value};
    const int16_t result = Run(1, {{[&] {
                                        EXPECT_EQ(LockMode(kPropertyFile), 0);
                                        EXPECT_EQ(Row(2).substr(0, 3), "012");
                                    },
                                    Key(screen::kKeyF4)},
                                   {[&] {
                                        EXPECT_EQ(screen::Windows.depth, 2);
                                        EXPECT_EQ(LockMode(kFlatFile), 0);
                                        EXPECT_EQ(Row(3).substr(0, 15), "001  Vila, Joan");
                                    },
                                    Key(screen::kKeyDown)},
                                   {nullptr, Key(screen::kKeyEnter)}});
    EXPECT_EQ(result, -1);
    EXPECT_EQ(FlatCode(), "00120002"); // the inner pick was read ...
    EXPECT_EQ((std::vector<std::string>{forms::Field(1, 2).value, forms::Field(1, 3).value,
                                        forms::Field(1, 4).value, forms::Field(1, 5).value}),
              before); // ... and stored nowhere
    EXPECT_EQ(LockMode(kPropertyFile), 1);
    EXPECT_EQ(LockMode(kFlatFile), 2);
    ExpectClosed();
}

TEST_F(BrowseTest, FilterFormRunsFirstAndEscOnItCancels) {
    OpenProperties(2);
    PutForm(4, {MakeField(20, 1, "Filtre: ", 5)});
    forms::FormDefinition.browses[1].filterForm = 4;
    Queue({Key(screen::kKeyEsc)});
    EXPECT_EQ(forms::RunBrowse(1), -1);
    EXPECT_EQ(screen::Windows.depth, 0);
    EXPECT_FALSE(platform::FileExists(ListPath()));
    EXPECT_EQ(LockMode(kPropertyFile), 0);

    Queue({Key(screen::kKeyEnter)}); // leaves the filter form; then the list
    EXPECT_EQ(Run(1, {{[&] { EXPECT_EQ(RowNumber(1), 1); }, Key(screen::kKeyEnter)}}), 0);
    EXPECT_EQ(PropertyCode(), "0001");
}

TEST_F(BrowseTest, ReadsWithoutLocksWhileAnotherProgramHoldsARecord) {
    OpenFiles({PropertyBytes(3, "Pl. del Sol, 1"), PropertyBytes(12, "C. Major, 3"),
               PropertyBytes(40, "Av. Diagonal, 100")},
              {});
    const pid_t holder = testsupport::HoldLock(
        {"lock", inst.Root() + "DADES/FinquesV.dat", "--key", "0:hex:808C", "--hold", "5"});
    ASSERT_GT(holder, 0);
    int16_t status = 0;
    data::SetLockMode(kPropertyFile, "A", status); // the form's reads wait for locks
    const auto start = std::chrono::steady_clock::now();
    const int16_t result = Run(1, {{[&] {
                                        EXPECT_EQ(LockMode(kPropertyFile), 0);
                                        EXPECT_EQ(Row(2).substr(0, 16), "012  C. Major, 3");
                                    },
                                    Key(screen::kKeyDown)},
                                   {nullptr, Key(screen::kKeyEnter)}});
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(PropertyCode(), "0012"); // the locked record, read by its position
    EXPECT_LT(took, 1.0);              // not held up by the lock
    EXPECT_EQ(LockMode(kPropertyFile), 1);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    ExpectClosed();
}

TEST_F(BrowseTest, WorksWhenTheListFileCannotBeWritten) {
    OpenProperties(15);
    app::SessionSettings.workDir = inst.Root() + "missing/";
    const int16_t result = Run(1, {{nullptr, Key(screen::kKeyPgDn)},
                                   {[&] { Expect(11, 1)(); }, Key(screen::kKeyPgUp)},
                                   {[&] { Expect(1, 1)(); }, Key(screen::kKeyDown)},
                                   {nullptr, Key(screen::kKeyEnter)}});
    EXPECT_EQ(result, 0);
    EXPECT_EQ(PropertyCode(), "0002");
    EXPECT_FALSE(platform::DirectoryExists(app::SessionSettings.workDir));
}

TEST_F(BrowseTest, ListHooks) {
    OpenFiles({PropertyBytes(345, "Rambla Nova, 7")},
              {FlatBytes(12, 7, "Puig, Anna", "1r 1a", "", 0),
               FlatBytes(1345, 12, "Vila, Joan", "BAIXOS", "", 0)});
    int16_t status = -1;
    data::GetByKey(kFlatFile, 0, text::PackDigits("00120007"), 0, status);
    ASSERT_EQ(status, 0);
    const std::string flatLine = "007  " + Padded("Puig, Anna", 30) + "  " + Padded("1r 1a", 10);
    EXPECT_EQ(forms::BrowseLineText(2), flatLine);
    EXPECT_EQ(forms::BrowseLineText(3), flatLine);
    EXPECT_EQ(forms::BrowseLineText(4), "");

    // A pick stores the last three digits of the flat number into the field and shows it.
    forms::ApplyBrowsePick(2, 1, 3);
    EXPECT_EQ(forms::Field(1, 3).value, "007");
    EXPECT_EQ(TextAt(18, 25, 3), "007");
    // No field to store into (a list opened from a list), or a list of no report file.
    for (auto [browse, form, field] : std::initializer_list<std::tuple<int16_t, int16_t, int16_t>>{
             {3, 0, 0}, {2, 1, 0}, {4, 1, 5}}) {
        forms::ApplyBrowsePick(browse, form, field);
        EXPECT_EQ(forms::Field(1, 3).value, "007");
        EXPECT_EQ(forms::Field(1, 5).value, "999");
    }

    data::GetByKey(kPropertyFile, 0, "", 1, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(forms::BrowseLineText(1), "345  " + Padded("Rambla Nova, 7", 30));
    forms::ApplyBrowsePick(1, 1, 4);
    EXPECT_EQ(forms::Field(1, 4).value, "345");

    const struct {
        int16_t browse;
        const char *first, *last;
        std::string key;
    } starts[] = {
        {1, "12", "40", ""},
        {2, "12", "40", text::PackDigits("0012")},
        {2, "7", "40", text::PackDigits("0007")},
        {3, "12", "40", text::PackDigits("0040")},
        {9, "12", "40", ""},
    };
    for (const auto& s : starts) {
        forms::SetFieldValue(forms::Field(1, 2), s.first);
        forms::SetFieldValue(forms::Field(1, 4), s.last);
        std::string key = "x", prefix = "y";
        EXPECT_EQ(forms::BrowseStartKey(s.browse, key, prefix), 0);
        EXPECT_EQ(key, s.key) << "browse " << s.browse << " from " << s.first;
        EXPECT_EQ(prefix, s.key);
    }

    // With the files closed there is no record: blanks, never a read outside a buffer.
    data::CloseAllDataFiles(status);
    EXPECT_EQ(forms::BrowseLineText(1).size(), 35u);
}

} // namespace
