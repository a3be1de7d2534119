// One-character texts, centring, the text stack, code keys and the two capitals foldings.
#include "text/texthelpers.h"

#include <gtest/gtest.h>

namespace {

TEST(TextHelpers, IsAllOfAndCentreOffset) {
    EXPECT_EQ(text::IsAllOf("", 32), -1);
    EXPECT_EQ(text::IsAllOf("   ", 32), -1);
    EXPECT_EQ(text::IsAllOf(" x ", 32), 0);
    EXPECT_EQ(text::IsAllOf(text::kZeroDate, 128), -1); // byte 0x80, not a negative char
    EXPECT_EQ(text::IsAllOf(text::PackDigits("20240315"), 128), 0);

    EXPECT_EQ(text::CentreOffset("abc", 10), 3);
    EXPECT_EQ(text::CentreOffset("abcd", 10), 3);
    EXPECT_EQ(text::CentreOffset("abcdefghijkl", 10), -1);
    EXPECT_EQ(text::CentreOffset("abcdefgh", 5), -1); // truncated toward zero
    EXPECT_EQ(text::CentreOffset(std::string(100000, 'x'), 0), -32768);
}

TEST(TextHelpers, StackGivesTextsBackNewestFirst) {
    text::TextStack.clear();
    text::PushText("a");
    text::PushText("bc");
    text::PushText("");
    text::PushText(std::string(300, '\xFF')); // a length above 255 uses both length bytes
    EXPECT_EQ(text::PopText(), std::string(300, '\xFF'));
    EXPECT_EQ(text::PopText(), "");
    EXPECT_EQ(text::PopText(), "bc");
    EXPECT_EQ(text::PopText(), "a");
    EXPECT_EQ(text::PopText(), "");
    EXPECT_TRUE(text::TextStack.empty());
    // A stack spoilt from outside never reads before its start.
    text::TextStack = std::string("ab\xFF\xFF", 4);
    EXPECT_EQ(text::PopText(), "ab");
    EXPECT_TRUE(text::TextStack.empty());
}

TEST(TextHelpers, PackCodeKey) {
    struct {
        const char* code;
        const char* digits;
    } cases[] = {
        {"12.7", "00120007"},     {"123456", "123456"},   {"1234.567890", "0012347890"},
        {"12..3", "001200000003"}, {"12.", "0012"},        {"5", "0005"},
        {"", ""},                  {"   ", ""},            {" 12 .  7 ", "00120007"},
        {"1234567", "4567"},       {"12345.67890", "0123457890"}, {"1.2.3", "000100020003"},
        {"99999999999999999999999.1", "99990001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const text::PackedDigits key = text::PackCodeKey(c.code);
        EXPECT_EQ(text::UnpackDigits(key), c.digits);
        EXPECT_EQ(key.size(), std::string(c.digits).size() / 2);
    }
    // Keys of equal shape sort as their numbers do.
    EXPECT_LT(text::PackCodeKey("2.7"), text::PackCodeKey("12.1"));
}

class Folding : public ::testing::Test {
  protected:
    void TearDown() override { text::searchFolding = 0; }
};

TEST_F(Folding, NormalModeKeepsAccents) {
    EXPECT_EQ(text::FoldCapitals("mar\x87 del 2024"), "MAR\x80 DEL 2024");
    EXPECT_EQ(text::FoldCapitals("l'\x85rea"), "L'\xB7REA");
    EXPECT_EQ(text::FoldCapitals("\x98\x9B\xE1\xE7"), "\x98\x9B\xE1\xE7"); // ÿ ø ß þ stay
    EXPECT_EQ(text::FoldCapitals("a[b"), "A[B");
}

TEST_F(Folding, SearchModeGivesPlainCapitals) {
    text::searchFolding = -1;
    EXPECT_EQ(text::FoldCapitals("mar\x87"), "MARC");
    EXPECT_EQ(text::FoldCapitals("\xA5" "and\xA3"), "NANDU");
    EXPECT_EQ(text::FoldCapitals("a[b"), "A B");
    EXPECT_EQ(text::FoldCapitals("@_{~\x9C\xA8\xAB\xE6\xC4"), "         "); // @ _ { ~ £ ¿ ½ µ ─
    EXPECT_EQ(text::FoldCapitals("12, ?"), "12, ?");
}

TEST_F(Folding, TablesAgreeOverEveryCode) {
    for (int c = 0; c < 256; ++c) {
        SCOPED_TRACE(c);
        const std::string in(1, static_cast<char>(c));
        text::searchFolding = 0;
        const std::string normal = text::FoldCapitals(in);
        const std::string normalTwice = text::FoldCapitals(normal);
        text::searchFolding = -1;
        const std::string search = text::FoldCapitals(in);
        const std::string searchOfNormal = text::FoldCapitals(normal);
        if (c < 64 || c > 237) {
            EXPECT_EQ(normal, in);
            EXPECT_EQ(search, in);
            continue;
        }
        EXPECT_EQ(normalTwice, normal);   // a capital is its own capital
        EXPECT_EQ(searchOfNormal, search); // a letter and its capital are searched alike
        EXPECT_TRUE(search == " " || (search[0] >= 'A' && search[0] <= 'Z'));
    }
}

} // namespace
