// The language file's field syntax and the translation of texts through it.
#include "app/translate.h"

#include "app/session.h"
#include "platform/system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// FindTranslation over a language file held in memory.
std::string Find(const std::string& file, const std::string& text, const char* language) {
    std::FILE* f = ::fmemopen(const_cast<char*>(file.data()), file.size(), "rb");
    if (file.empty()) f = std::tmpfile();
    std::string result = app::FindTranslation(f, text, language);
    std::fclose(f);
    return result;
}

TEST(LanguageFile, FieldSyntax) {
    struct {
        const char* name;
        std::string file;
        std::string text;
        const char* language;
        std::string expected;
    } cases[] = {
        {"fourth field is Spanish", "VENCIMENT,venc gal,venc oci,vencimiento\r\n", "VENCIMENT", "SPA", "vencimiento"},
        {"second field is Galician", "VENCIMENT,venc gal,venc oci,vencimiento\r\n", "VENCIMENT", "GLG", "venc gal"},
        {"third field is Occitan", "VENCIMENT,venc gal,venc oci,vencimiento\r\n", "VENCIMENT", "OCI", "venc oci"},
        {"other language keeps the text", "VENCIMENT,g,o,s\r\n", "VENCIMENT", "XYZ", "VENCIMENT"},
        {"later entry", "A,ga,oa,sa\r\nB,gb,ob,sb\r\n", "B", "SPA", "sb"},
        {"entries need no lines of their own", "A,ga,oa,sa,B,gb,ob,sb", "B", "SPA", "sb"},
        {"line ends separate fields", "B\r\ngb\r\nob\r\nsb\r\n", "B", "SPA", "sb"},
        {"first match wins", "B,g1,o1,s1\r\nB,g2,o2,s2\r\n", "B", "SPA", "s1"},
        {"no entry", "A,ga,oa,sa\r\n", "B", "SPA", "B"},
        {"accent counts", "PAGINA,g,o,s\r\np\x85gina,g,o,s\r\n", "P\xB7GINA", "SPA", "P\xB7GINA"},
        {"quoted field holds commas and line ends", "\"A, B\r\nC\",g,o,\"s, t\r\nu\"\r\n", "A, B\r\nC", "SPA", "s, t\r\nu"},
        {"quoted key keeps its blank", "\"DURANT \",g,o,s\r\n", "DURANT ", "SPA", "s"},
        {"unquoted key keeps its trailing blank", "DURANT ,g,o,s\r\n", "DURANT ", "SPA", "s"},
        {"so it does not match without it", "DURANT ,g,o,s\r\n", "DURANT", "SPA", "DURANT"},
        {"blanks before a field are skipped", "   A,   g,  o,    s\r\n", "A", "SPA", "s"},
        {"tabs and line feeds are dropped", "A\tB\nC,g,o,s\t\r\n", "ABC", "SPA", "s"},
        {"blanks and tabs after a quote are skipped", "\"A\"  \t ,g,o,\"s\"\t\r\n", "A", "SPA", "s"},
        {"byte after a quote starts the next field", "\"A\"x,g,o,s\r\n", "A", "SPA", "o"},
        {"empty translation", "A,g,o,\r\n", "A", "SPA", ""},
        {"missing fields at the end are empty", "A,g", "A", "SPA", ""},
        {"missing fields at the end are empty (Galician)", "A,g", "A", "GLG", "g"},
        {"a key alone at the end is ignored", "A\r\n", "A", "SPA", "A"},
        {"byte 26 ends the file", "A,g,o,s\r\n\x1A" "B,g,o,s\r\n", "B", "SPA", "B"},
        {"byte 26 inside a quoted field", "A,g,o,\"s\x1A\"\r\nB,g,o,s\r\n", "A", "SPA", "s"},
        {"unterminated quote runs to the end", "A,g,o,\"s, B,g,o,s", "A", "SPA", "s, B,g,o,s"},
        {"CR without LF", "A,g,o,s\rB,gb,ob,sb\r", "B", "SPA", "sb"},
        {"empty file", "", "A", "SPA", "A"},
        {"empty text matches an empty key", ",g,o,s\r\n", "", "SPA", "s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Find(c.file, c.text, c.language), c.expected);
    }
}

TEST(LanguageFile, LongFieldsOfOtherEntriesCostNoMatch) {
    // An entry whose key is a long prefix-sharing text does not match a shorter text.
    std::string file = "\"" + std::string(1 << 20, 'A') + "\",g,o,s\r\nA,ga,oa,sa\r\n";
    EXPECT_EQ(Find(file, "A", "SPA"), "sa");
    EXPECT_EQ(Find(file, std::string(1 << 20, 'A'), "SPA"), "s");
}

// An installation root with a LOCALE directory; the session set for ORBICADE.
class TranslateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("translate_test_" + std::to_string(::getpid()));
        fs::create_directories(root_ / "LOCALE");
        app::SessionSettings.rootDir = root_.string() + "\\";
        app::SessionSettings.programName = "ORBICADE";
        file_ = root_ / "LOCALE" / "ORBICADE.LNG";
    }
    void TearDown() override {
        app::SessionSettings = app::SessionRecord{};
        fs::remove_all(root_);
    }
    void WriteLanguageFile(const std::string& content) {
        std::ofstream(file_, std::ios::binary) << content;
    }
    fs::path root_, file_;
};

TEST_F(TranslateTest, TranslatesForTheSessionLanguage) {
    WriteLanguageFile("\"P\xB7GINA\",\"P\xB5XINA\",\"PAGINA\",\"P\xB5GINA\"\r\n"
                      "\"RELACI\xE0 DE CONTRACTES QUE VENCEN DURANT \",g,o,\"RELACI\xE0N DE CONTRATOS \"\r\n");
    app::SessionSettings.language = "SPA";
    EXPECT_EQ(app::TranslateText("P\xB7GINA"), "P\xB5GINA");
    EXPECT_EQ(app::TranslateText("RELACI\xE0 DE CONTRACTES QUE VENCEN DURANT "), "RELACI\xE0N DE CONTRATOS ");
    app::SessionSettings.language = "GLG";
    EXPECT_EQ(app::TranslateText("P\xB7GINA"), "P\xB5XINA");
    // The file is read again on every call: a change is seen at once.
    WriteLanguageFile("\"P\xB7GINA\",\"FOLLA\",o,s\r\n");
    EXPECT_EQ(app::TranslateText("P\xB7GINA"), "FOLLA");
}

TEST_F(TranslateTest, CatalanNeverTouchesTheFile) {
    app::SessionSettings.language = "CAT";
    EXPECT_EQ(app::TranslateText("VENCIMENT"), "VENCIMENT");
    EXPECT_FALSE(fs::exists(file_));
}

TEST_F(TranslateTest, MissingFileIsCreatedEmptyForOtherLanguages) {
    for (const char* language : {"   ", "XYZ", "SPA"}) {
        SCOPED_TRACE(language);
        fs::remove(file_);
        app::SessionSettings.language = language;
        EXPECT_EQ(app::TranslateText("VENCIMENT"), "VENCIMENT");
        ASSERT_TRUE(fs::exists(file_));
        EXPECT_EQ(fs::file_size(file_), 0u);
    }
    // An existing file is left as it is.
    WriteLanguageFile("A,g,o,s\r\n");
    app::SessionSettings.language = "OCI";
    EXPECT_EQ(app::TranslateText("A"), "o");
    EXPECT_EQ(fs::file_size(file_), 9u);
}

TEST_F(TranslateTest, WithoutLocaleDirectoryTextsStayUnchanged) {
    fs::remove_all(root_ / "LOCALE");
    app::SessionSettings.language = "SPA";
    EXPECT_EQ(app::TranslateText("VENCIMENT"), "VENCIMENT");
    EXPECT_FALSE(fs::exists(root_ / "LOCALE"));
}

} // namespace
