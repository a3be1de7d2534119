// Typed dates in the two-digit-year window, the typing form of stored dates, and the display
// styles in the four languages with the user's separator and order settings.
#include "text/dateformat.h"

#include "app/session.h"
#include "platform/system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using text::PackedDate;

std::string Digits(const PackedDate& p) { return text::UnpackDigits(p); }
PackedDate Date(const char* yyyymmdd) { return text::PackDigits(yyyymmdd); }

// A fixed current date, an installation root with an optional Nuvo.ini, Catalan session.
class DateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::SetTodayForTests({2024, 6, 1});
        root_ = fs::temp_directory_path() / ("dateformat_test_" + std::to_string(::getpid()));
        fs::create_directories(root_);
        ::setenv("ARXROOT", (root_.string() + "/").c_str(), 1);
        app::SessionSettings.language = "CAT";
        text::ForgetDateSettings();
    }
    void TearDown() override {
        platform::SetTodayForTests({0, 0, 0});
        text::ForgetDateSettings();
        fs::remove_all(root_);
    }
    void WriteUserSettings(const std::string& lines) {
        std::ofstream(root_ / "Nuvo.ini", std::ios::binary) << "[Usuari]\r\n" << lines;
        text::ForgetDateSettings();
    }
    fs::path root_;
};

struct TypedCase {
    const char* typed;
    const char* packed; // digits of ParseEntryDate
    int check;          // CheckEntryDate
};

TEST_F(DateTest, TypedDatesInTheWindowOf2024) {
    const TypedCase cases[] = {
        {"150324", "20240315", 0},
        {"15.03.24", "20240315", 0},
        {"15/3/24", "20240315", 0},
        {"15-03-2024", "20240315", 0},
        {"15/03/2024", "20240315", 0},
        {" 5/ 3/24", "20240305", 0},  // blanks before a piece's digits are skipped
        {"1503 24", "20240315", 0},   // fixed positions, a blank before the year
        {"1503", "20000315", 0},      // empty year text: two-digit year 00
        {"15031960", "19600315", 0},  // four-digit year taken as it is
        {"01/01/74", "19740101", 0},  // 50 years back is the window's first year
        {"01/01/73", "20730101", 0},  // 49 years ahead is its last
        {"01/01/24", "20240101", 0},
        {"31/02/24", "20240231", -1}, // packed unchanged, refused by the check
        {"29/02/24", "20240229", 0},
        {"29/02/23", "20230229", -1},
        {"10/10/1582", "15821010", -1},
        {"04/10/1582", "15821004", 0},
        {"15/10/1582", "15821015", 0},
        {"00/03/24", "00240300", -1}, // no day: the year is not windowed
        {"15/13/24", "20241315", -1},
        {"000000000015/03/2024", "20240315", 0}, // leading zeros of a long piece
        // Malformed: one or three separators, a letter, nothing at all.
        {"15/3", "00000000", -1},
        {"15/3/24/1", "00000000", -1},
        {"15a0324", "00000000", -1},
        {"", "00000000", -1},
        // A three-digit year reads as a two-digit one a century away and a five-digit year
        // keeps only four digits: the check refuses both.
        {"15/3/202", "21020315", -1},
        {"1/1/20244", "02440101", -1},
        {"15/3/9999", "99990315", 0},
        {"15/3/00000000000000000000002024", "20240315", 0},
        {"9999999999999999999915/3/2024", "20240315", -1}, // only the last two day digits pack
    };
    for (const TypedCase& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(Digits(text::ParseEntryDate(c.typed)), c.packed);
        EXPECT_EQ(text::CheckEntryDate(c.typed), c.check);
    }
}

TEST_F(DateTest, TwoDigitYearFollowsTheCurrentYear) {
    struct {
        int now;
        const char* packed;
    } cases[] = {{1975, "20240315"}, {2074, "20240315"}, {1974, "19240315"}, {2075, "21240315"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.now);
        platform::SetTodayForTests({c.now, 1, 1});
        EXPECT_EQ(Digits(text::ParseEntryDate("150324")), c.packed);
        EXPECT_EQ(Digits(text::ParseEntryDate("15/03/2024")), "20240315");
        EXPECT_EQ(text::CheckEntryDate("150324"), 0);
    }
    // 29 February of a two-digit year is checked in the year it is read as.
    platform::SetTodayForTests({2024, 1, 1});
    EXPECT_EQ(text::CheckEntryDate("290200"), 0); // 2000 is a leap year
    platform::SetTodayForTests({1940, 1, 1});
    EXPECT_EQ(text::CheckEntryDate("290200"), -1); // 1900 is not
    platform::SetTodayForTests({2060, 1, 1});
    EXPECT_EQ(text::CheckEntryDate("290200"), -1); // nor is 2100
}

TEST_F(DateTest, EntryTextOfStoredDates) {
    EXPECT_EQ(text::DateToEntryText(text::kZeroDate), "");
    EXPECT_EQ(text::DateToEntryText(Date("20240305")), "050324");
    EXPECT_EQ(text::DateToEntryText(Date("19600315")), "15031960");
    EXPECT_EQ(text::DateToEntryText(Date("19740315")), "150374");
    EXPECT_EQ(text::DateToEntryText(Date("19730315")), "15031973");
    EXPECT_EQ(text::DateToEntryText(Date("20730315")), "150373");
    EXPECT_EQ(text::DateToEntryText(Date("20740315")), "15032074");
    EXPECT_EQ(text::DateToEntryText(Date("05000101")), "01010500");
    // An empty or one-byte working date has no day or month to show.
    EXPECT_EQ(text::DateToEntryText(""), "");
    EXPECT_EQ(text::DateToEntryText("\x94"), "");
    // Four blanks (a record field never filled) read as day and month 32.
    EXPECT_EQ(text::DateToEntryText("    "), "32323232");
}

TEST_F(DateTest, EntryTextReadsBackAsTheSameDateInEveryYear) {
    for (int year = 1; year <= 9999; year += 7) {
        const PackedDate d = text::MakeDate(year, 2, 28);
        const std::string typed = text::DateToEntryText(d);
        ASSERT_EQ(text::ParseEntryDate(typed), d) << typed;
        ASSERT_EQ(text::CheckEntryDate(typed), 0) << typed;
    }
}

TEST_F(DateTest, LongFormInTheFourLanguages) {
    struct {
        const char* language;
        const char* march;
        const char* april;
        const char* monthYear;
    } cases[] = {
        {"CAT", "15 de mar\x87 del 2024", "15 d'abril del 2024", "mar\x87 del 2024"},
        {"SPA", "15 de marzo de 2024", "15 de abril de 2024", "marzo de 2024"},
        {"GLG", "15 de mar\x87o do 2024", "15 de abril do 2024", "mar\x87o do 2024"},
        {"OCI", "15 de mar\x87 deth 2024", "15 d'abriu deth 2024", "mar\x87 deth 2024"},
        {"XYZ", "15 de mar\x87 del 2024", "15 d'abril del 2024", "mar\x87 del 2024"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        app::SessionSettings.language = c.language;
        EXPECT_EQ(text::FormatDate(Date("20240315"), 2, "dma"), c.march);
        EXPECT_EQ(text::FormatDate(Date("20240415"), 2, "dma"), c.april);
        EXPECT_EQ(text::FormatDate(Date("20240315"), 2, "ma"), c.monthYear);
        EXPECT_EQ(text::FormatDate(Date("20240315"), 7, "DMA"), c.march); // any style above 2
    }
}

TEST_F(DateTest, MonthNamesOfEveryLanguage) {
    const char* names[4][12] = {
        {"gener", "febrer", "mar\x87", "abril", "maig", "juny", "juliol", "agost", "setembre",
         "octubre", "novembre", "desembre"},
        {"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto", "septiembre",
         "octubre", "noviembre", "diciembre"},
        {"janeiro", "fevereiro", "mar\x87o", "abril", "maio", "junho", "julho", "agosto",
         "setembro", "outubro", "novembro", "dezembro"},
        {"g\x8Ar", "hereu\x8Ar", "mar\x87", "abriu", "mai", "junh", "junhsega", "agost", "seteme",
         "octobre", "noveme", "deseme"},
    };
    const char* languages[4] = {"CAT", "SPA", "GLG", "OCI"};
    for (int l = 0; l < 4; ++l) {
        app::SessionSettings.language = languages[l];
        for (int m = 1; m <= 12; ++m) {
            SCOPED_TRACE(std::string(languages[l]) + " " + std::to_string(m));
            const PackedDate d = text::MakeDate(2024, m, 1);
            EXPECT_EQ(text::FormatDate(d, 2, "m"), names[l][m - 1]);
            EXPECT_EQ(text::FormatDate(d, 1, "m"), std::string(names[l][m - 1]).substr(0, 3));
        }
    }
}

TEST_F(DateTest, ShortStylesAndTheirWidths) {
    const PackedDate d = Date("20240315");
    EXPECT_EQ(text::FormatDate(d, 0, "dma"), "15/3/2024 ");
    EXPECT_EQ(text::FormatDate(d, 1, "dma"), "15/mar/2024");
    EXPECT_EQ(text::FormatDate(d, 0, "ma"), "3/2024 ");
    EXPECT_EQ(text::FormatDate(d, -1, "dma"), "2024-03-15");
    EXPECT_EQ(text::FormatDate(d, -1, ""), "2024-03-15");
    app::SessionSettings.language = "OCI";
    EXPECT_EQ(text::FormatDate(Date("20240115"), 1, "dma"), "15/g\x8Ar/2024");
    app::SessionSettings.language = "SPA";
    EXPECT_EQ(text::FormatDate(Date("20240915"), 1, "dma"), "15/sep/2024");
    // Other negative styles show numbers as style 0 in a width of their own.
    EXPECT_EQ(text::FormatDate(d, -2, "dma"), "15/3/202");
}

TEST_F(DateTest, ZeroAndShortDates) {
    for (const PackedDate& d : {text::kZeroDate, PackedDate(), PackedDate("\x94")}) {
        EXPECT_EQ(text::FormatDate(d, 0, "dma"), std::string(10, ' '));
        EXPECT_EQ(text::FormatDate(d, 1, "dma"), std::string(11, ' '));
        EXPECT_EQ(text::FormatDate(d, 2, "dma"), "");
    }
    EXPECT_EQ(text::FormatDate(text::kZeroDate, -1, "dma"), "0000-00-00");
    EXPECT_EQ(text::FormatDate("", -1, "dma"), "");
}

TEST_F(DateTest, UserSeparatorAndOrder) {
    WriteUserSettings("DatCaracter=-\r\nDatOrdre=AMD\r\n");
    const PackedDate d = Date("20240305");
    EXPECT_EQ(text::FormatDate(d, 0, "dma"), "2024-3-5  ");
    EXPECT_EQ(text::FormatDate(d, 2, "dma"), "2024 de mar\x87 del 5");
    EXPECT_EQ(text::FormatDate(d, -1, "dma"), "2024-03-05");

    // Only capital letters take effect.
    WriteUserSettings("DatOrdre=dma\r\n");
    EXPECT_EQ(text::FormatDate(d, 0, "dma"), std::string(10, ' '));
    EXPECT_EQ(text::FormatDate(d, 1, "dma"), std::string(11, ' '));
    EXPECT_EQ(text::FormatDate(d, 2, "dma"), "");
    EXPECT_EQ(text::FormatDate(d, -1, "dma"), "2024-03-05");

    // Blank values fall back to "/" and DMA.
    WriteUserSettings("DatCaracter=  \r\nDatOrdre=   \r\n");
    EXPECT_EQ(text::FormatDate(d, 0, "dma"), "5/3/2024  ");
}

TEST_F(DateTest, SettingsAreReadOnce) {
    WriteUserSettings("DatCaracter=.\r\n");
    EXPECT_EQ(text::FormatDate(Date("20240305"), 0, "dma"), "5.3.2024  ");
    std::ofstream(root_ / "Nuvo.ini", std::ios::binary) << "[Usuari]\r\nDatCaracter=-\r\n";
    EXPECT_EQ(text::FormatDate(Date("20240305"), 0, "dma"), "5.3.2024  ");
    text::ForgetDateSettings();
    EXPECT_EQ(text::FormatDate(Date("20240305"), 0, "dma"), "5-3-2024  ");
}

} // namespace
