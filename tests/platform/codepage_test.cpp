#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, EveryByteRoundTripsThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(platform::Utf8ToCp850(platform::Cp850ToUtf8(all)), all);
}

TEST(CodePage, LettersAndBoxCharactersMapToTheirUnicode) {
    struct Case {
        uint8_t byte;
        const char* utf8;
    } cases[] = {
        {0x80, "Ç"}, {0xB7, "À"}, {0xE0, "Ó"}, {0x90, "É"}, {0xD4, "È"}, {0xA4, "ñ"},
        {0xC9, "╔"}, {0xCD, "═"}, {0xDA, "┌"}, {0xB3, "│"}, {0xD5, "€"}, {0xFF, "\u00A0"},
    };
    for (const Case& c : cases) {
        std::string one(1, static_cast<char>(c.byte));
        EXPECT_EQ(platform::Cp850ToUtf8(one), c.utf8) << int(c.byte);
        EXPECT_EQ(platform::Utf8ToCp850(c.utf8), one) << c.utf8;
    }
}

TEST(CodePage, ConsoleGlyphsOfControlBytes) {
    EXPECT_EQ(platform::Cp850Glyph(0x10), U'►');
    EXPECT_EQ(platform::Cp850Glyph(0x11), U'◄');
    EXPECT_EQ(platform::Cp850Glyph(0), U' ');
    EXPECT_EQ(platform::UnicodeToCp850(U'◄'), 0x11);
    EXPECT_EQ(platform::Utf8ToCp850("◄►"), "\x11\x10");
}

TEST(CodePage, UnknownCharactersAndBrokenUtf8) {
    EXPECT_EQ(platform::Utf8ToCp850("a\u4e2db"), "a?b");
    // A stray continuation byte or a cut sequence is kept byte for byte.
    EXPECT_EQ(platform::Utf8ToCp850(std::string("\x80x\xC3", 3)), std::string("\x80x\xC3", 3));
}

} // namespace
