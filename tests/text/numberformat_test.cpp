// Numeric pictures: digit positions, fills, signs, rounding, overflow and the user's decimal and
// thousands characters; the check of typed numbers.
#include "text/numberformat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>

namespace {

namespace fs = std::filesystem;

// An installation root with an optional Nuvo.ini; the number settings are read afresh.
class NumberTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("numberformat_test_" + std::to_string(::getpid()));
        fs::create_directories(root_);
        ::setenv("ARXROOT", (root_.string() + "/").c_str(), 1);
        text::ForgetNumberSettings();
    }
    void TearDown() override {
        text::ForgetNumberSettings();
        fs::remove_all(root_);
    }
    void WriteUserSettings(const std::string& lines) {
        std::ofstream(root_ / "Nuvo.ini", std::ios::binary) << "[Usuari]\r\n" << lines;
        text::ForgetNumberSettings();
    }
    fs::path root_;
};

struct PictureCase {
    const char* picture;
    double value;
    const char* result;
};

// With the default characters: decimal "'" and thousands ".".
TEST_F(NumberTest, PictureTable) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const PictureCase cases[] = {
        {"ZZ9.99", 3.14159, "  3'14"},
        {"ZZ9.99", -3.14, " -3'14"},
        {"ZZ9.99-", -3.14, "  3'14-"},
        {"ZZ9.99-", 3.14, "  3'14 "},
        {"+ZZ9.99", -3.14, "-  3'14"},
        {"+ZZ9.99", 3.14, "+  3'14"},
        {"Z,ZZZ,ZZ9.99", 1234567.891, "1.234.567'89"},
        {"Z,ZZZ,ZZ9.99", 0, "        0'00"},
        {"9,999", 34, "0.034"},
        {"*,**9", 34, "***34"},
        {"*,***,**9.99", 1234.5, "****1.234'50"},
        {"99.ZZ", 1.5, "01'5 "},
        {"99.ZZ", 1, "01   "},
        {"ZZ.ZZ", 0, "     "},
        {"ZZ.99", 0, "  '00"},
        {"9.99", 0.05, "0'05"},
        {"**.**", 0.05, "**'05"},
        {"ZZ9", -5, " -5"},
        {"999", -12, "-12"},
        {"999", -5, "0-5"},
        {"ZZ9.99", -0.5, "  -'50"},
        {"ZZ9.99", -0.001, "  -'00"},
        {"ZZ9", 0.5, "  0"},
        {"ZZ9", 1.5, "  2"},
        {"ZZ9", 2.5, "  2"},
        {"ZZ9.99", 0.135, "  0'14"}, // 0.135 x 100 lies just above 13.5 as a double
        {"ZZ9.99", 0.125, "  0'12"},
        {"999", 12345, "!!!"},
        {"ZZ", -12, "!!"},
        {"9.9", 12.3, "12'"},
        {"ZZZ9", 12345, "!!!!"},
        {"ZZ9.9", 1234.5, "1234'"}, // plain form cut to the picture
        {"ZZZ99", -12345, "!!!!!"},
        {"ZZ9%", 45, " 45%"},
        {"99/99", 1234, "12/34"},
        {"-Z,ZZZ,ZZ9.99", -1234.5, "-    1.234'50"},
        {"ZZZ9", 2024, "2024"},
        // A negative amount never loses its minus: "$99" has no place for it.
        {"$99", -12, "-12"},
        {"$99", 12, "$12"},
        {"$9", -12, "!!"},
        // Values that are no finite number, or too large for their decimals.
        {"ZZ9.99", nan, "!!!!!!"},
        {"ZZ9.99", inf, "!!!!!!"},
        {"ZZ9.99", -inf, "!!!!!!"},
        {"ZZ9", 1e300, "!!!"},
        {"ZZ9.99", -0.0, "  0'00"},
        {"", 5, ""},
        {"", 0, ""},
        {",,,", 7, "  7"},
        {"---", -7, " -7"},
    };
    for (const PictureCase& c : cases) {
        SCOPED_TRACE(std::string(c.picture) + " " + std::to_string(c.value));
        EXPECT_EQ(text::FormatNumber(c.picture, c.value), c.result);
    }
}

TEST_F(NumberTest, ResultKeepsThePictureLength) {
    const std::string longPicture(1000, '9');
    const std::string decimals = "9." + std::string(400, '9');
    for (const std::string& picture : {longPicture, decimals, std::string(1000, ','),
                                       std::string(50, '+'), std::string(50, '-'), std::string("....")})
        for (double v : {0.0, -1.0, 1e300, -1e-300, 123.456})
            EXPECT_EQ(text::FormatNumber(picture, v).size(), picture.size()) << picture << " " << v;
    EXPECT_EQ(text::FormatNumber(longPicture, 42).substr(996), "0042");
}

TEST_F(NumberTest, UserDecimalAndThousandsCharacters) {
    WriteUserSettings("DecCaracter=,\r\nMilCaracter= \r\n");
    // A blank thousands character is a blank setting: the default "." stays.
    EXPECT_EQ(text::FormatNumber("Z,ZZZ,ZZ9.99", 1234567.891), "1.234.567,89");
    WriteUserSettings("DecCaracter=.\r\nMilCaracter=,\r\n");
    EXPECT_EQ(text::FormatNumber("Z,ZZZ,ZZ9.99", 1234567.891), "1,234,567.89");
    EXPECT_EQ(text::FormatNumber("9.9", 12.3), "12.");
}

TEST_F(NumberTest, SettingsAreReadOnce) {
    WriteUserSettings("DecCaracter=,\r\n");
    EXPECT_EQ(text::FormatNumber("9.9", 1.5), "1,5");
    std::ofstream(root_ / "Nuvo.ini", std::ios::binary) << "[Usuari]\r\nDecCaracter=:\r\n";
    EXPECT_EQ(text::FormatNumber("9.9", 1.5), "1,5");
    text::ForgetNumberSettings();
    EXPECT_EQ(text::FormatNumber("9.9", 1.5), "1:5");
}

TEST(CheckNumberEntry, TypedNumbers) {
    struct {
        const char* typed;
        const char* picture;
        int result;
    } cases[] = {
        {"12 34", "", 0},  {" 7", "", 0},         {"", "", 0},
        {"-5", "", -1},    {"1.5", "", -1},       {"12a", "", -1},
        {"-12.50", "-ZZ9.99", 0}, {"+1", "+ZZ9", 0}, {" - 1 . 5", "-ZZ9.99", 0},
        {"1-2", "-ZZ9.99", -1},   // a sign after a digit
        {"1.2.3", "-ZZ9.99", -1}, // a second point
        {"x-1", "-ZZ9.99", -1},   // the letter
        {".-5", "-ZZ9.99", -1},   // a sign after the point
        {"--5", "-ZZ9.99", -1},   // a second sign
        {"a5", "ZZ9", -1},        // a refused character is not undone by later ones
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::CheckNumberEntry(c.typed, c.picture), c.result) << c.typed << " / " << c.picture;
}

} // namespace
