#include "app/session.h"

#include "app/run.h"
#include "platform/system.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

namespace {

using app::SessionSettings;
using testsupport::ScopedEnv;
using testsupport::TempDir;

// Every environment variable the session reads, cleared for the test and restored after it.
class SessionTest : public ::testing::Test {
  protected:
    ScopedEnv root{"ARXROOT", nullptr}, exe{"ARXEXE", nullptr}, tmp{"ARXTMP", nullptr},
        arxterm{"ARXTERM", nullptr}, term{"TERM", nullptr}, agent{"HTTP_USER_AGENT", nullptr},
        accept{"HTTP_ACCEPT", nullptr}, windir{"WINDIR", nullptr}, sysroot{"SYSTEMROOT", nullptr};
    TempDir dir;
    void SetUp() override { SessionSettings = {}; }
};

TEST_F(SessionTest, ReadsEverySettingFromTheSessionFiles) {
    const std::string work = dir.Path() + "tmp";
    dir.Write("tmp/Sessio.ini", "[Menu]\r\nTitol=Venciments\r\nNomMenu=ORBI\r\n[Terminal]\r\nDir=" +
                                    dir.Path() + "term\r\n");
    dir.Write("tmp/NuvoTerm.ini", "[Pantalla]\r\nSeleccio=2\r\nCol2=14011500070307030401\r\n"
                                  "[Sistema]\r\nData=20240315\r\nSortida=LPT1\r\nIdioma=SPA\r\n");
    ScopedEnv r("ARXROOT", "/inst/"), e("ARXEXE", "/inst/prog/"), t("ARXTMP", work.c_str());
    app::LoadSession();
    EXPECT_EQ(SessionSettings.rootDir, "/inst/");
    EXPECT_EQ(SessionSettings.programDir, "/inst/prog/");
    EXPECT_EQ(SessionSettings.workDir, work + "\\");
    EXPECT_EQ(SessionSettings.terminalDir, dir.Path() + "term\\");
    EXPECT_EQ(SessionSettings.title, " Venciments ");
    EXPECT_EQ(SessionSettings.menuName, "ORBI");
    EXPECT_EQ(SessionSettings.colours[0].foreground, 14);
    EXPECT_EQ(SessionSettings.colours[0].background, 1);
    EXPECT_EQ(SessionSettings.colours[1].foreground, 15);
    EXPECT_EQ(SessionSettings.colours[4].background, 1);
    EXPECT_EQ(SessionSettings.workingDate, std::string("\x94\x98\x83\x8F"));
    EXPECT_EQ(SessionSettings.outputDevice, "LPT1");
    EXPECT_EQ(SessionSettings.language, "SPA");
    EXPECT_EQ(SessionSettings.outputMode, "DOS");
}

TEST_F(SessionTest, WithoutArxtmpTheTerminalDirectoryHoldsTheTerminalFile) {
    dir.Write("term/NuvoTerm.ini", "[Sistema]\r\nIdioma=OCI\r\n");
    const std::string termDir = dir.Path() + "term"; // no final separator: one is added
    ScopedEnv t("ARXTERM", termDir.c_str());
    app::LoadSession();
    EXPECT_EQ(SessionSettings.terminalDir, termDir + "\\");
    EXPECT_EQ(SessionSettings.workDir, termDir + "\\");
    EXPECT_EQ(SessionSettings.language, "OCI");
    EXPECT_EQ(SessionSettings.title, "  ");
    EXPECT_EQ(SessionSettings.workingDate, "");
}

TEST_F(SessionTest, UnixTerminalTypeNeverBecomesADirectory) {
    ScopedEnv t("TERM", "xterm-256color");
    app::LoadSession();
    EXPECT_EQ(SessionSettings.terminalDir, "");
    EXPECT_EQ(SessionSettings.workDir, "");
}

TEST_F(SessionTest, TermNamingAnExistingDirectoryIsTheTerminalDirectory) {
    const std::string termDir = dir.Path() + "t1/";
    dir.Write("t1/NuvoTerm.ini", "");
    ScopedEnv t("TERM", termDir.c_str());
    app::LoadSession();
    EXPECT_EQ(SessionSettings.terminalDir, termDir); // a final "/" counts as the separator
}

TEST(SessionRules, BackslashRule) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {{"", ""}, {"C:", "C:"}, {"C:\\t", "C:\\t\\"}, {"x\\", "x\\"}, {"/tmp/a/", "/tmp/a/"},
                 {"/tmp/a", "/tmp/a\\"}};
    for (const auto& c : cases) EXPECT_EQ(app::WithSeparator(c.in), c.out) << c.in;
}

TEST(SessionRules, ColourTexts) {
    app::ColourTable def = app::ParseColourText(app::kDefaultColourText);
    const int16_t expected[5][2] = {{15, 0}, {7, 0}, {0, 7}, {0, 7}, {0, 7}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(def[i].foreground, expected[i][0]);
        EXPECT_EQ(def[i].background, expected[i][1]);
    }
    // Four digits fill entry 0 only; a piece that does not start with a digit is 0.
    app::ColourTable shortText = app::ParseColourText("1402");
    EXPECT_EQ(shortText[0].foreground, 14);
    EXPECT_EQ(shortText[0].background, 2);
    EXPECT_EQ(shortText[1].foreground, 0);
    app::ColourTable odd = app::ParseColourText(" 5x7-1");
    EXPECT_EQ(odd[0].foreground, 0);
    EXPECT_EQ(odd[0].background, 0);
    EXPECT_EQ(odd[1].foreground, 0);
}

struct LanguageCase {
    const char* name;
    std::string terminalLine; // in [Sistema] of NuvoTerm.ini
    std::string userLine;     // in [Usuari] of Nuvo.ini
    const char* expected;
};

class SessionLanguage : public SessionTest, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(SessionLanguage, TerminalFirstThenUserFile) {
    const LanguageCase& c = GetParam();
    dir.Write("tmp/NuvoTerm.ini", "[Sistema]\r\n" + c.terminalLine + "\r\n");
    dir.Write("root/Nuvo.ini", "[Usuari]\r\n" + c.userLine + "\r\n");
    const std::string work = dir.Path() + "tmp/", root = dir.Path() + "root/";
    ScopedEnv t("ARXTMP", work.c_str()), r("ARXROOT", root.c_str());
    app::LoadSession();
    EXPECT_EQ(SessionSettings.language, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SessionLanguage,
    ::testing::Values(LanguageCase{"terminal", "Idioma=SPA", "Idioma=GLG", "SPA"},
                      LanguageCase{"blanks_round_equals", "Idioma = SPA", "Idioma=GLG", " SP"},
                      LanguageCase{"small_letters_kept", "Idioma=spa", "Idioma=GLG", "spa"},
                      LanguageCase{"empty_falls_back", "Idioma=", "Idioma=GLG", "GLG"},
                      LanguageCase{"blank_falls_back", "Idioma=   ", "Idioma=GLG", "GLG"},
                      LanguageCase{"missing_falls_back", "", "Idioma=OCIX", "OCI"},
                      LanguageCase{"short_filled", "Idioma=C", "", "C  "},
                      LanguageCase{"nothing_anywhere", "", "", "   "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SessionTest, ColourSelectionMissingUsesCol0AndMissingColourUsesDefault) {
    dir.Write("tmp/NuvoTerm.ini", "[Pantalla]\r\nCol0=01020304050607080910\r\n");
    const std::string work = dir.Path() + "tmp/";
    ScopedEnv t("ARXTMP", work.c_str());
    app::LoadSession();
    EXPECT_EQ(SessionSettings.colours[0].foreground, 1);
    EXPECT_EQ(SessionSettings.colours[4].background, 10);

    dir.Write("tmp/NuvoTerm.ini", "[Pantalla]\r\nSeleccio=3\r\nCol0=01020304050607080910\r\n");
    app::LoadSession();
    EXPECT_EQ(SessionSettings.colours[0].foreground, 15);
    EXPECT_EQ(SessionSettings.colours[2].background, 7);
}

TEST_F(SessionTest, OutputMode) {
    struct {
        const char* agentValue;
        const char* acceptValue;
        const char* windirValue;
        const char* sysrootValue;
        const char* expected;
    } cases[] = {{nullptr, nullptr, nullptr, nullptr, "DOS"}, {nullptr, "text/html", "C:\\W", nullptr, "CGI"},
                 {"agent", nullptr, nullptr, nullptr, "CGI"}, {nullptr, nullptr, nullptr, "C:\\W", "WIN"},
                 {"", "", "", "", "DOS"}};
    for (const auto& c : cases) {
        ScopedEnv a("HTTP_USER_AGENT", c.agentValue), b("HTTP_ACCEPT", c.acceptValue),
            w("WINDIR", c.windirValue), s("SYSTEMROOT", c.sysrootValue);
        app::LoadSession();
        EXPECT_EQ(SessionSettings.outputMode, c.expected);
    }
}

TEST_F(SessionTest, RelativeRootIsMadeAbsoluteFromTheStartingDirectory) {
    SessionSettings.rootDir = "inst\\";
    app::MakeRootAbsolute();
    EXPECT_EQ(SessionSettings.rootDir, platform::CurrentDirectory() + "inst\\");
    SessionSettings.rootDir = "/abs/";
    app::MakeRootAbsolute();
    EXPECT_EQ(SessionSettings.rootDir, "/abs/");
}

} // namespace
