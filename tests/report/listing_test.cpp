// The contract expiry listing against a small installation: the exact bytes of zazirivi.tmp for
// the selection rules, the page break, the receipt numbers, the address kinds and the header
// languages; failed reads, and bad records that must neither crash nor loop.
#include "report/listing.h"

#include "app/session.h"
#include "data/datafiles.h"
#include "platform/console.h"
#include "print/printfile.h"
#include "recman/btrcall.h"
#include "screen/colours.h"
#include "screen/windows.h"
#include "support/installation.h"
#include "support/records.h"
#include "text/calendar.h"
#include "text/dateformat.h"
#include "text/numberformat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

using testsupport::FlatBytes;
using testsupport::PropertyBytes;

const std::string kCompany = "FINQUES ROCA I FILLS, S.L.";
const std::string kDevice = "DEVICELPT1";
const std::string kRule = std::string(135, '-');

// The expected file: every line followed by CR LF.
std::string Lines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines)
        out += line + "\r\n";
    return out;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

std::string Pad(std::string text, size_t width) {
    text.resize(width, ' ');
    return text;
}

// The header texts of one language, as they appear in the file.
struct Headings {
    std::string page, titleLine, receipt, address, flat, holder, start, months, expiry;
};

// Catalan headings; titleLine is the whole text item of the title, column included.
const Headings kCatalan = {"P\xB7GINA",
                           " 21 ,RELACI\xE0 DE CONTRACTES QUE VENCEN DURANT MAR\x80 DEL 2025, 2 ",
                           "REBUT",
                           "ADRE\x80"
                           "A",
                           "DEPART.",
                           "TITULAR",
                           "CONTRACTE",
                           "DUR.",
                           "VENCIMENT"};

// pageText: the page number as the header shows it, four characters ("   1").
std::vector<std::string> Header(const std::string& pageText, const Headings& h = kCatalan) {
    return {"PAGE 66 ",
            "*@e",
            " 1 ," + kCompany + ", 0 ",
            "JUSD",
            " 85 ," + h.page + pageText + ", 2 ",
            h.titleLine,
            "*q",
            " 1 ," + h.receipt + ", 0 ",
            " 13 ," + h.address + ", 0 ",
            " 48 ," + h.flat + ", 0 ",
            " 64 ," + h.holder + ", 0 ",
            " 100 ," + h.start + ", 0 ",
            "JUSD",
            " 116 ," + h.months + ", 0 ",
            "JUSE",
            " 126 ," + h.expiry + ", 1 ",
            " 1 ," + kRule + ", 1 "};
}

// One contract line; the texts are padded to their field widths, dates and months are given
// exactly as printed.
std::vector<std::string> Detail(const std::string& receipt, const std::string& address,
                                const std::string& flat, const std::string& holder,
                                const std::string& start, const std::string& months,
                                const std::string& expiry) {
    // clang-format off
    return {" 1 ," + receipt + ", 0 ",
            " 13 ," + Pad(address, 30) + ", 0 ",
            " 48 ," + Pad(flat, 10) + ", 0 ",
            " 64 ," + Pad(holder, 30) + ", 0 ",
            " 100 ," + start + ", 0 ",
            "JUSD",
            " 116 ," + months + ", 0 ",
            "JUSE",
            " 126 ," + expiry + ", 1 "};
    // clang-format on
}

std::string Packed(const std::string& digits) {
    return text::PackDigits(digits);
}

void NoKeyWait() {}
std::string shownMessage;
int keyWaits = 0;
void CaptureMessageAndGoOn() {
    ++keyWaits;
    for (int16_t row = 9; row <= 15; ++row)
        shownMessage += platform::RowText(row) + "\n";
}

class ListingTest : public ::testing::Test {
  protected:
    void SetUp() override { UseLanguage("CAT"); }

    void TearDown() override {
        report::CloseReportFiles();
        platform::ResetConsoleForTests();
        report::SetReadFailureKeyWaitForTests(nullptr);
    }

    void UseLanguage(const std::string& language) {
        inst = std::make_unique<testsupport::Installation>(language);
        root = std::make_unique<testsupport::ScopedEnv>("ARXROOT", inst->Root().c_str());
        text::ForgetDateSettings();
        text::ForgetNumberSettings();
        platform::ResetConsoleForTests();
        screen::ResetColoursForTests();
        screen::ResetWindowsForTests();
        app::SessionSettings.colours = app::ParseColourText(app::kDefaultColourText);
        app::SessionSettings.outputMode = "DOS";
        app::SessionSettings.outputDevice = "LPT1";
        inst->dir.Write("root/Nuvo.ini",
                        "[Usuari]\r\nDatCaracter=/\r\n[Empresa]\r\nNom=" + kCompany + "\r\n");
        report::ListingDate = Packed("20250301");
        report::FromFlatKey = Packed("00000000");
        report::ToFlatKey = Packed("99999999");
        report::SetReadFailureKeyWaitForTests(NoKeyWait);
    }

    void Files(const std::vector<std::string>& properties, const std::vector<std::string>& flats) {
        ASSERT_TRUE(inst->CreateFile("DADES/FinquesV", "FinquesV", properties));
        ASSERT_TRUE(inst->CreateFile("DADES/DepartaV", "DepartaV", flats));
    }

    // Opens the files, writes one listing as the print run does, and returns the print file.
    std::string Listing() {
        report::OpenReportFiles();
        std::string bytes = ListingWithOpenFiles();
        report::CloseReportFiles();
        return bytes;
    }

    std::string ListingWithOpenFiles() {
        print::OpenPrintFile(app::SessionSettings.outputDevice);
        report::PrintExpiryListing();
        print::ClosePrintFile();
        return testsupport::ReadFile(inst->Work() + "zazirivi.tmp");
    }

    std::unique_ptr<testsupport::Installation> inst;
    std::unique_ptr<testsupport::ScopedEnv> root;
};

// ---- Selection and the line layout ----

TEST_F(ListingTest, NothingSelectedLeavesOnlyTheDeviceLine) {
    Files({PropertyBytes(1, "C. Major, 1")},
          {FlatBytes(1, 1, "Puig Soler, Anna", "1r 1a", "20250415", 12), // expires April 2026
           FlatBytes(1, 2, "Vila, Pere", "1r 2a", "", 12)});
    EXPECT_EQ(Listing(), Lines({kDevice}));
}

TEST_F(ListingTest, ContractsExpiringInTheMonthOrEarlierInFlatOrder) {
    Files({PropertyBytes(1, "C. Major, 1")},
          {
              FlatBytes(1, 1, "Puig Soler, Anna", "1r 1a", "20240315", 12), // 14/3/2025: this month
              FlatBytes(1, 2, "Vila Roca, Pere", "1r 2a", "20240131", 1),   // 28/2/2024: earlier
              FlatBytes(1, 3, "Mas Prat, Laia", "2n 1a", "20250402", 1),    // 1/5/2025: later
              FlatBytes(1, 4, "Serra, Joan", "2n 2a", "20200101", 0),       // no duration
              FlatBytes(1, 5, "Font, Marc", "3r 1a", "20200101", -3),       // negative duration
              FlatBytes(1, 6, "Roig, Neus", "3r 2a", "", 12),               // no contract
              FlatBytes(1, 7, "Bosch, Carme", "BAIXOS", "20250301", 1),     // 31/3/2025: last day
              FlatBytes(1, 8, "Costa, Oriol", "LOCAL 1", "20250401", 1),    // 30/4/2025
          });
    std::vector<std::string> expected = {kDevice};
    Append(expected, Header("   1"));
    Append(expected, Detail("001001", "C. Major, 1", "1r 1a", "Puig Soler, Anna", "15/3/2024 ",
                            "  12", "14/3/2025 "));
    Append(expected, Detail("001002", "C. Major, 1", "1r 2a", "Vila Roca, Pere", "31/1/2024 ",
                            "   1", "28/2/2024 "));
    Append(expected, Detail("001007", "C. Major, 1", "BAIXOS", "Bosch, Carme", "1/3/2025  ", "   1",
                            "31/3/2025 "));
    EXPECT_EQ(Listing(), Lines(expected));
}

// The day of the listing date does not count, and each month selects what expired up to its end.
TEST_F(ListingTest, ListingMonthDecidesBySelectedMonthOnly) {
    Files({PropertyBytes(1, "C. Major, 1")},
          {FlatBytes(1, 1, "A", "1", "20240315", 12),  // 14/3/2025
           FlatBytes(1, 2, "B", "2", "20240131", 1),   // 28/2/2024
           FlatBytes(1, 3, "C", "3", "20240301", 1)}); // 31/3/2024
    const struct {
        const char* listingDate;
        std::vector<std::string> receipts;
    } cases[] = {
        {"20240131", {}},
        {"20240201", {"001002"}},
        {"20240331", {"001002", "001003"}},
        {"20250200", {"001002", "001003"}},
        {"20250301", {"001001", "001002", "001003"}},
        {"20990101", {"001001", "001002", "001003"}},
    };
    report::OpenReportFiles();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.listingDate);
        report::ListingDate = Packed(c.listingDate);
        const std::string file = ListingWithOpenFiles();
        std::vector<std::string> receipts;
        const std::regex receipt("\r\n 1 ,([0-9]{6}), 0 \r\n");
        for (auto it = std::sregex_iterator(file.begin(), file.end(), receipt);
             it != std::sregex_iterator(); ++it)
            receipts.push_back((*it)[1]);
        EXPECT_EQ(receipts, c.receipts);
    }
}

// The range cuts inside a property; flats whose property has no record are never visited;
// "P" prints the flat's own address, anything else the property's; receipts show three digits
// of each number.
TEST_F(ListingTest, RangeAddressesAndReceipts) {
    Files({PropertyBytes(345, "C. Major, 12"), PropertyBytes(1345, "Av. Diagonal, 400", 'P'),
           PropertyBytes(1346, "Pl. del Sol, 3", 'p')},
          {
              FlatBytes(345, 11, "Abans, Rang", "1r 1a", "20240101", 12), // before the range
              FlatBytes(345, 12, "Puig, Anna", "1r 2a", "20240101", 12),
              FlatBytes(1000, 1, "Sense, Finca", "1r 1a", "20240101", 12), // no property 1000
              FlatBytes(1345, 12, "Vila, Pere", "LOCAL 1", "20240101", 12, "C. Nou, 7"),
              FlatBytes(1346, 1, "Mas, Laia", "BAIXOS", "20240101", 12, "C. Nou, 9"),
              FlatBytes(1346, 2, "Despres, Rang", "1r 1a", "20240101", 12), // after the range
              FlatBytes(2000, 1, "Fora, Rang", "1r 1a", "20240101", 12),
          });
    report::FromFlatKey = Packed("03450012");
    report::ToFlatKey = Packed("13460001");
    std::vector<std::string> expected = {kDevice};
    Append(expected, Header("   1"));
    Append(expected, Detail("345012", "C. Major, 12", "1r 2a", "Puig, Anna", "1/1/2024  ", "  12",
                            "31/12/2024"));
    Append(expected, Detail("345012", "C. Nou, 7", "LOCAL 1", "Vila, Pere", "1/1/2024  ", "  12",
                            "31/12/2024"));
    Append(expected, Detail("346001", "Pl. del Sol, 3", "BAIXOS", "Mas, Laia", "1/1/2024  ", "  12",
                            "31/12/2024"));
    EXPECT_EQ(Listing(), Lines(expected));
}

// 55 contract lines fill a page; the 56th starts page 2. A second listing of the same run
// starts again at page 1 in an emptied file.
TEST_F(ListingTest, FiftySixthLineStartsPageTwo) {
    std::vector<std::string> flats;
    for (int i = 1; i <= 56; ++i)
        flats.push_back(FlatBytes(7, i, "Titular " + std::to_string(i), std::to_string(i) + "a",
                                  "20241105", 3));
    Files({PropertyBytes(7, "C. de Balmes, 70")}, flats);
    std::vector<std::string> expected = {kDevice};
    Append(expected, Header("   1"));
    for (int i = 1; i <= 56; ++i) {
        if (i == 56) Append(expected, Header("   2"));
        char receipt[8];
        std::snprintf(receipt, sizeof receipt, "007%03d", i);
        Append(expected,
               Detail(receipt, "C. de Balmes, 70", std::to_string(i) + "a",
                      "Titular " + std::to_string(i), "5/11/2024 ", "   3", "4/2/2025  "));
    }
    report::OpenReportFiles();
    EXPECT_EQ(ListingWithOpenFiles(), Lines(expected));
    EXPECT_EQ(ListingWithOpenFiles(), Lines(expected));
}

// ---- Header languages ----

TEST_F(ListingTest, HeadersInTheSessionLanguageThroughTheLanguageFile) {
    // Entries: Catalan key, then Galician, Occitan and Spanish. "DUR." has no entry.
    const std::string languageFile =
        "P\xB7GINA,P\xB5XINA,PAGINA,P\xB5GINA\r\n"
        "\"RELACI\xE0 DE CONTRACTES QUE VENCEN DURANT \",\"CONTRATOS QUE VENCEN NO MES DE \","
        "\"CONTRACTES QUE VENCEN EN \",\"RELACI\xE0N DE CONTRATOS QUE VENCEN DURANTE \"\r\n"
        "REBUT,RECIBO,RECEPUT,RECIBO\r\n"
        "ADRE\x80"
        "A,ENDEREZO,ADRE\x80"
        "A,DIRECCI\xE0N\r\n"
        "DEPART.,PISO,APART.,PISO\r\n"
        "TITULAR,TITULAR,TITOLAR,TITULAR\r\n"
        "CONTRACTE,CONTRATO,CONTRACTE,CONTRATO\r\n"
        "VENCIMENT,VENCEMENTO,VENCIMENT,VENCIMIENTO\r\n";
    const struct {
        const char* language;
        Headings headings;
    } cases[] = {
        {"SPA",
         {"P\xB5GINA", " 21 ,RELACI\xE0N DE CONTRATOS QUE VENCEN DURANTE MARZO DE 2025, 2 ",
          "RECIBO", "DIRECCI\xE0N", "PISO", "TITULAR", "CONTRATO", "DUR.", "VENCIMIENTO"}},
        {"GLG",
         {"P\xB5XINA", " 26 ,CONTRATOS QUE VENCEN NO MES DE MAR\x80O DO 2025, 2 ", "RECIBO",
          "ENDEREZO", "PISO", "TITULAR", "CONTRATO", "DUR.", "VENCEMENTO"}},
        {"OCI",
         {"PAGINA", " 28 ,CONTRACTES QUE VENCEN EN MAR\x80 DETH 2025, 2 ", "RECEPUT",
          "ADRE\x80"
          "A",
          "APART.", "TITOLAR", "CONTRACTE", "DUR.", "VENCIMENT"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        UseLanguage(c.language);
        inst->dir.Write("root/LOCALE/ORBICADE.LNG", languageFile);
        Files({PropertyBytes(1, "C. Major, 1")},
              {FlatBytes(1, 1, "Puig, Anna", "1r 1a", "20240315", 12)});
        std::vector<std::string> expected = {kDevice};
        Append(expected, Header("   1", c.headings));
        Append(expected, Detail("001001", "C. Major, 1", "1r 1a", "Puig, Anna", "15/3/2024 ",
                                "  12", "14/3/2025 "));
        EXPECT_EQ(Listing(), Lines(expected));
    }
    // Without an entry (an empty language file) every text stays Catalan; the month name
    // follows the session language.
    UseLanguage("SPA");
    Files({PropertyBytes(1, "C. Major, 1")},
          {FlatBytes(1, 1, "Puig, Anna", "1r 1a", "20240315", 12)});
    Headings untranslated = kCatalan;
    untranslated.titleLine = " 21 ,RELACI\xE0 DE CONTRACTES QUE VENCEN DURANT MARZO DE 2025, 2 ";
    std::vector<std::string> expected = {kDevice};
    Append(expected, Header("   1", untranslated));
    Append(expected, Detail("001001", "C. Major, 1", "1r 1a", "Puig, Anna", "15/3/2024 ", "  12",
                            "14/3/2025 "));
    EXPECT_EQ(Listing(), Lines(expected));
}

// ---- Failed reads ----

// A read that fails for any reason but the end of the file or a missing key ends the listing
// with the record manager's message and a key press; the message box is removed afterwards.
TEST_F(ListingTest, FailedReadEndsTheListingWithTheMessage) {
    const struct {
        int16_t fileNumber;
        const char* fileName;
    } cases[] = {{506, "DADES\\FinquesV"}, {507, "DADES\\DepartaV"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName);
        UseLanguage("CAT");
        Files({PropertyBytes(1, "C. Major, 1")},
              {FlatBytes(1, 1, "Puig, Anna", "1r 1a", "20240315", 12)});
        report::OpenReportFiles();
        // The record manager loses the file behind the layer's back.
        const int slot = data::FindSlot(c.fileNumber);
        ASSERT_NE(slot, 0);
        char none[1] = {0};
        int32_t length = 0;
        ASSERT_EQ(recman::BTRCALL(recman::kOpClose, data::DataFileTable[slot].positionBlock.data(),
                                  none, &length, none, 0, 0),
                  0);
        const std::string before = platform::RowText(12);
        shownMessage.clear();
        keyWaits = 0;
        report::SetReadFailureKeyWaitForTests(CaptureMessageAndGoOn);
        EXPECT_EQ(ListingWithOpenFiles(), Lines({kDevice}));
        EXPECT_EQ(keyWaits, 1);
        EXPECT_NE(shownMessage.find("NO ES POT ACCEDIR AL FITXER"), std::string::npos)
            << shownMessage;
        EXPECT_NE(shownMessage.find(c.fileName), std::string::npos) << shownMessage;
        EXPECT_EQ(platform::RowText(12), before);
        report::CloseReportFiles();
    }
}

TEST_F(ListingTest, EndOfFileAndMissingFlatsEndQuietly) {
    // The last property has no flats at all, and the flats run out inside the range.
    Files({PropertyBytes(1, "C. Major, 1"), PropertyBytes(2, "C. Nou, 2"),
           PropertyBytes(9, "C. Sant Pere, 9")},
          {FlatBytes(1, 1, "Puig, Anna", "1r 1a", "20240315", 12)});
    report::SetReadFailureKeyWaitForTests(CaptureMessageAndGoOn);
    keyWaits = 0;
    std::vector<std::string> expected = {kDevice};
    Append(expected, Header("   1"));
    Append(expected, Detail("001001", "C. Major, 1", "1r 1a", "Puig, Anna", "15/3/2024 ", "  12",
                            "14/3/2025 "));
    EXPECT_EQ(Listing(), Lines(expected));
    EXPECT_EQ(keyWaits, 0);
}

// ---- Bad records ----

// A duration too long for its four-character column shows as "!!!!"; expiries past 9999 stop
// at the last day of 9999.
TEST_F(ListingTest, ExtremeDurationsAndTheLastDate) {
    Files({PropertyBytes(1, "C. Major, 1")},
          {FlatBytes(1, 1, "A", "1", "20240315", 32767),
           FlatBytes(1, 2, "B", "2", "20240315", -32767), FlatBytes(1, 3, "C", "3", "99991231", 12),
           FlatBytes(1, 4, "D", "4", "99991231", 32767)});
    report::ListingDate = Packed("99991201");
    std::vector<std::string> expected = {kDevice};
    Headings last = kCatalan;
    last.titleLine = " 19 ,RELACI\xE0 DE CONTRACTES QUE VENCEN DURANT DESEMBRE DEL 9999, 2 ";
    Append(expected, Header("   1", last));
    Append(expected, Detail("001001", "C. Major, 1", "1", "A", "15/3/2024 ", "!!!!", "14/10/4754"));
    Append(expected, Detail("001003", "C. Major, 1", "3", "C", "31/12/9999", "  12", "30/12/9999"));
    Append(expected, Detail("001004", "C. Major, 1", "4", "D", "31/12/9999", "!!!!", "30/12/9999"));
    EXPECT_EQ(Listing(), Lines(expected));
}

// Packed fields holding bytes of any value (below 128, blanks, 255) in codes and dates: the
// listing ends, with one line for each flat it selects and nothing outside the print file.
TEST_F(ListingTest, PackedFieldsOfAnyByteValue) {
    std::vector<std::string> properties = {PropertyBytes(1, "C. Major, 1")};
    std::vector<std::string> flats;
    for (int b = 0; b < 256; ++b) {
        std::string flat = FlatBytes(1, b + 1, "Titular", "1a", "20240315", 1);
        report::FlatRecord* f = reinterpret_cast<report::FlatRecord*>(flat.data());
        const char byte = static_cast<char>(b);
        const std::string starts[] = {std::string(4, byte),
                                      std::string("\x94\x98", 2) + byte + byte};
        std::memcpy(f->contractStart, starts[b % 2].data(), 4);
        flats.push_back(flat);
    }
    for (const char* code : {"\x00\x00", "\x20\x20", "\x7f\x01", "\xff\xff"}) {
        std::string property = PropertyBytes(1, "Codi estrany");
        std::memcpy(property.data(), code, 2);
        properties.push_back(property);
        std::string flat = FlatBytes(1, 1, "Titular", "1a", "20240315", 1);
        std::memcpy(flat.data(), code, 2);
        std::memcpy(flat.data() + 2, code, 2);
        flats.push_back(flat);
    }
    Files(properties, flats);
    report::FromFlatKey = std::string(4, '\0');
    report::ToFlatKey = std::string(4, '\xff');
    report::ListingDate = Packed("99991231");
    const std::string file = Listing();
    ASSERT_EQ(file.substr(0, kDevice.size() + 2), kDevice + "\r\n");
    // Every text item stays one line of the file.
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'),
              std::count(file.begin(), file.end(), '\r'));
    EXPECT_GT(file.size(), 1000u);
}

TEST_F(ListingTest, RecordsShorterThanTheLayout) {
    // Dictionaries of files whose records end early: properties of 20 bytes (code and the
    // first 12 characters of the address), flats of 120 bytes (no contract fields).
    auto shortened = [&](const std::string& name, uint16_t length) {
        std::string spec = testsupport::ReadFile(inst->Root() + "ddf/" + name + ".xdf");
        spec[2] = static_cast<char>(length & 0xFF);
        spec[3] = static_cast<char>(length >> 8);
        inst->dir.Write("root/ddf/" + name + ".xdf", spec);
    };
    shortened("FinquesV", 20);
    Files({PropertyBytes(1, "C. de la Industria, 7").substr(0, 20)},
          {FlatBytes(1, 1, "Puig, Anna", "1r 1a", "20240315", 12)});
    std::vector<std::string> expected = {kDevice};
    Append(expected, Header("   1"));
    Append(expected, Detail("001001", "C. de la Ind", "1r 1a", "Puig, Anna", "15/3/2024 ", "  12",
                            "14/3/2025 "));
    EXPECT_EQ(Listing(), Lines(expected));

    UseLanguage("CAT");
    shortened("DepartaV", 120);
    Files({PropertyBytes(1, "C. Major, 1")},
          {FlatBytes(1, 1, "Puig, Anna", "1r 1a", "20240315", 12).substr(0, 120),
           FlatBytes(1, 2, "Vila, Pere", "1r 2a", "20240315", 12).substr(0, 120)});
    EXPECT_EQ(Listing(), Lines({kDevice}));
}

TEST_F(ListingTest, UnwritableWorkDirectoryWritesNothing) {
    Files({PropertyBytes(1, "C. Major, 1")},
          {FlatBytes(1, 1, "Puig, Anna", "1r 1a", "20240315", 12)});
    // The work directory is a plain file: nothing can be created below it.
    inst->dir.Write("blocked", "x");
    app::SessionSettings.workDir = inst->dir.Path() + "blocked/";
    report::OpenReportFiles();
    EXPECT_NE(print::OpenPrintFile("LPT1"), 0);
    report::PrintExpiryListing();
    print::ClosePrintFile();
    EXPECT_EQ(report::pageNumber, 1); // the listing ran through
    EXPECT_FALSE(std::filesystem::exists(inst->dir.Path() + "blocked/zazirivi.tmp"));
}

} // namespace
