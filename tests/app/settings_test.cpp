#include "app/settings.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

namespace {

using app::ReadSetting;
using testsupport::TempDir;

struct Case {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    std::string expected;
};

class ReadSettingCases : public ::testing::TestWithParam<Case> {};

TEST_P(ReadSettingCases, FindsTheValue) {
    TempDir dir;
    const Case& c = GetParam();
    EXPECT_EQ(ReadSetting(dir.Write("s.ini", c.file), c.section, c.key), c.expected);
}

const Case kCases[] = {
    {"plain", "[Sistema]\r\nIdioma=SPA\r\n", "Sistema", "Idioma", "SPA"},
    {"blanks_round_equals_stay_in_value", "[Sistema]\r\nIdioma = SPA\r\n", "Sistema", "Idioma", " SPA"},
    {"comment_after_value_keeps_blank", "[Sistema]\r\nIdioma=SPA ; comment\r\n", "Sistema", "Idioma", "SPA "},
    {"quoted", "[S]\r\nk=\"a;b\"\r\n", "S", "k", "\"a"},
    {"quotes_removed", "[S]\r\nk=\" x \"\r\n", "S", "k", " x "},
    {"one_quote_stays", "[S]\r\nk=\"\r\n", "S", "k", "\""},
    {"two_quotes_empty", "[S]\r\nk=\"\"\r\n", "S", "k", ""},
    {"opening_quote_only", "[S]\r\nk=\"abc\r\n", "S", "k", "\"abc"},
    {"further_equals_in_value", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
    {"header_with_blanks_and_case", "[ pantalla ]\r\nSeleccio=2\r\n", "Pantalla", "SELECCIO", "2"},
    {"header_without_bracket", "[Pantalla\r\nSeleccio=2\r\n", "Pantalla", "Seleccio", "2"},
    {"requested_names_trimmed", "[Pantalla]\r\nSeleccio=2\r\n", " Pantalla ", " Seleccio ", "2"},
    {"only_first_section_searched", "[Sistema]\r\na=1\r\n[Altre]\r\n[Sistema]\r\nb=2\r\n", "Sistema", "b", ""},
    {"first_key_wins", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "1"},
    {"indented_key_found", "[S]\r\n    k=1\r\n", "S", "k", "1"},
    {"tab_before_key_not_found", "[S]\r\n\tk=1\r\n", "S", "k", ""},
    {"key_before_first_header", "k=1\r\n[S]\r\n", "S", "k", ""},
    {"lf_alone_is_one_line", "[S]\nk=1\n", "S", "k", ""},
    {"lf_alone_is_part_of_value", "[S]\r\nk=1\nx\r\n", "S", "k", "1\nx"},
    {"cr_alone_ends_line", "[S]\rk=1\r", "S", "k", "1"},
    {"last_line_without_end", "[S]\r\nk=last", "S", "k", "last"},
    {"byte_26_ends_file", std::string("[S]\r\nk=1\x1a\r\nj=2\r\n"), "S", "j", ""},
    {"value_before_byte_26", std::string("[S]\r\nk=12\x1a" "3"), "S", "k", "12"},
    {"missing_section", "[S]\r\nk=1\r\n", "T", "k", ""},
    {"missing_key", "[S]\r\nk=1\r\n", "S", "j", ""},
    {"key_with_trailing_blank", "[S]\r\nk =1\r\n", "S", "k", "1"},
    {"comment_line_and_blank_lines", "; top\r\n\r\n   \r\n[S] ; c\r\n;k=0\r\nk=1\r\n", "S", "k", "1"},
    {"next_header_ends_section", "[S]\r\n[T]\r\nk=1\r\n", "S", "k", ""},
    {"nul_bytes_are_ordinary", std::string("[S]\r\nk=a\0b\r\n", 12), "S", "k", std::string("a\0b", 3)},
};

INSTANTIATE_TEST_SUITE_P(Lines, ReadSettingCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadSetting, MissingFileGivesEmptyText) {
    TempDir dir;
    EXPECT_EQ(ReadSetting(dir.Path() + "absent.ini", "S", "k"), "");
    EXPECT_EQ(ReadSetting(dir.Path(), "S", "k"), ""); // a directory
}

TEST(ReadSetting, HugeLinesAreReadOnce) {
    TempDir dir;
    // A 64 MB comment line and a 16 MB value without any line end.
    std::string file = "[S]\r\n;" + std::string(64 << 20, 'x') + "\r\nk=" + std::string(16 << 20, 'v');
    std::string value = ReadSetting(dir.Write("big.ini", file), "S", "k");
    EXPECT_EQ(value.size(), size_t(16 << 20));
}

TEST(ReadSetting, BackslashPathsFindTheFile) {
    TempDir dir;
    dir.Write("Sub/Nuvo.ini", "[Usuari]\r\nIdioma=GLG\r\n");
    EXPECT_EQ(ReadSetting(dir.Path() + "sub\\NUVO.INI", "Usuari", "Idioma"), "GLG");
}

} // namespace
