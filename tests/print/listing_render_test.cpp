// A listing-shaped print file written with the writer, read back, laid out and rendered as
// text (against a golden file and the columns of the listing) and as a PDF.
#include "listing_fixture.h"
#include "print/printdevices.h"
#include "print/printlayout.h"
#include "print/printreader.h"
#include "print_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <vector>

namespace {

using namespace printtest;

const std::filesystem::path kGolden =
    std::filesystem::path(ORB_SOURCE_DIR) / "tests/print/golden/listing.txt";

// 57 detail lines: 55 on page 1, the 56th starts page 2.
std::vector<print::LaidOutPage> FixturePages(const std::filesystem::path& dir) {
    print::OpenPrintFile(" listing.txt ");
    WriteFixtureListing(57);
    print::ClosePrintFile();
    print::PrintDocument document;
    int32_t badLine = -1;
    EXPECT_EQ(print::ReadPrintFile((dir / "zazirivi.tmp").string(), document, badLine),
              print::kReadOk);
    EXPECT_EQ(document.device, " listing.txt ");
    return print::LayOutPages(document);
}

TEST(ListingRendering, ColumnsAndAlignmentWhereTheListingPutsThem) {
    auto dir = FreshWorkDir("columns");
    const auto pages = FixturePages(dir);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].length, 66);
    EXPECT_EQ(pages[0].width, 135);
    EXPECT_TRUE(pages[0].condensed);

    for (int p = 0; p < 2; ++p) {
        const auto& page = pages[p];
        SCOPED_TRACE("page " + std::to_string(p + 1));
        const std::string& first = print::PageLineText(page, 0);
        EXPECT_EQ(first.substr(0, kCompany.size()), kCompany);
        // Right-aligned: the page number ends at column 85.
        EXPECT_EQ(first.size(), 85u);
        EXPECT_EQ(first.substr(75), "P\xb7GINA   " + std::to_string(p + 1));
        EXPECT_EQ(print::PageLineText(page, 1), "");
        // The title follows the page number's alignment line but is placed from its column.
        const size_t titleColumn = (96 - kTitle.size()) / 2;
        EXPECT_EQ(print::PageLineText(page, 2), std::string(titleColumn - 1, ' ') + kTitle);
        const std::string& headings = print::PageLineText(page, 4);
        EXPECT_EQ(headings.substr(0, 5), "REBUT");
        EXPECT_EQ(headings.substr(12, 6), "ADRE\x80"
                                          "A");
        EXPECT_EQ(headings.substr(47, 7), "DEPART.");
        EXPECT_EQ(headings.substr(63, 7), "TITULAR");
        EXPECT_EQ(headings.substr(99, 9), "CONTRACTE");
        EXPECT_EQ(headings.substr(111, 5), " DUR."); // ends at column 116
        EXPECT_EQ(headings.substr(125), "VENCIMENT");
        EXPECT_EQ(print::PageLineText(page, 5), std::string(135, '-'));
    }

    // Every detail line: the 55 of page 1 from line 6, then the 56th and 57th on page 2.
    for (int i = 0; i < 57; ++i) {
        const FixtureRow row = FixtureRowAt(i);
        const auto& page = pages[i < 55 ? 0 : 1];
        const std::string& line = print::PageLineText(page, 6 + i % 55);
        SCOPED_TRACE("detail " + std::to_string(i));
        std::string expected(135, ' ');
        expected.replace(0, 6, row.receipt);
        expected.replace(12, 30, row.address);
        expected.replace(47, 10, row.flat);
        expected.replace(63, 30, row.holder);
        expected.replace(99, 10, row.start);
        expected.replace(116 - row.months.size(), row.months.size(), row.months);
        expected.replace(125, 10, row.expiry);
        EXPECT_EQ(line, expected);
    }
    EXPECT_EQ(pages[0].lines.back().line, 60);
    EXPECT_EQ(pages[1].lines.back().line, 7);
}

TEST(ListingRendering, TextMatchesGoldenFile) {
    auto dir = FreshWorkDir("golden");
    const std::string text = print::RenderText(FixturePages(dir));
    if (std::getenv("ORB_UPDATE_GOLDEN")) WriteBytes(kGolden, text);
    EXPECT_EQ(text, ReadBytes(kGolden));
    EXPECT_EQ(print::WriteTextFile(FixturePages(dir), (dir / "out.txt").string()), 0);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), text);
}

std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, got);
        ::pclose(pipe);
    }
    return out;
}

// The value of one "Name: value" line of pdfinfo.
std::string InfoField(const std::string& info, const std::string& name) {
    size_t at = info.find("\n" + name + ":");
    if (at == std::string::npos) return "";
    size_t start = info.find_first_not_of(' ', at + name.size() + 2);
    return info.substr(start, info.find('\n', start) - start);
}

// The lines of a text with runs of blanks made one blank, empty lines left out; pages apart.
std::vector<std::vector<std::string>> PagesOfWords(const std::string& text) {
    std::vector<std::vector<std::string>> pages(1);
    std::string line;
    auto flush = [&] {
        std::istringstream words(line);
        std::string word, joined;
        while (words >> word)
            joined += (joined.empty() ? "" : " ") + word;
        if (!joined.empty()) pages.back().push_back(joined);
        line.clear();
    };
    for (char c : text) {
        if (c == '\n') {
            flush();
        } else if (c == '\f') {
            flush();
            pages.emplace_back();
        } else {
            line += c;
        }
    }
    flush();
    while (!pages.empty() && pages.back().empty())
        pages.pop_back();
    return pages;
}

TEST(ListingRendering, PdfHoldsTheSameLinesOnePagePerPage) {
    auto dir = FreshWorkDir("pdf");
    const auto pages = FixturePages(dir);
    const auto pdf = dir / "listing.pdf";
    ASSERT_EQ(print::WritePdf(pages, pdf.string()), 0);

    const std::string info = CommandOutput("pdfinfo '" + pdf.string() + "'");
    EXPECT_EQ(InfoField(info, "Pages"), "2");
    // Wider than 96 columns: A4 across.
    EXPECT_EQ(InfoField(info, "Page size"), "841.89 x 595.28 pts (A4)");

    const std::string extracted =
        CommandOutput("pdftotext -layout -enc UTF-8 '" + pdf.string() + "' -");
    EXPECT_EQ(PagesOfWords(extracted), PagesOfWords(print::RenderText(pages)));
}

TEST(ListingRendering, NarrowPageIsUprightAndUnwritablePdfFails) {
    auto dir = FreshWorkDir("narrow");
    print::OpenPrintFile("x.pdf");
    print::StartPage(20);
    print::PrintText(70, "NARROW", 1);
    print::ClosePrintFile();
    print::PrintDocument document;
    int32_t badLine = 0;
    ASSERT_EQ(print::ReadPrintFile((dir / "zazirivi.tmp").string(), document, badLine), 0);
    const auto pages = print::LayOutPages(document);
    ASSERT_EQ(print::WritePdf(pages, (dir / "narrow.pdf").string()), 0);
    EXPECT_EQ(
        InfoField(CommandOutput("pdfinfo '" + (dir / "narrow.pdf").string() + "'"), "Page size"),
        "595.28 x 841.89 pts (A4)");
    EXPECT_NE(print::WritePdf(pages, (dir / "no/such/dir.pdf").string()), 0);
    EXPECT_NE(print::WriteTextFile(pages, (dir / "no/such/dir.txt").string()), 0);
}

} // namespace
