// The preview's window over the pages: keys, limits and the indicator line.
#include "listing_fixture.h"
#include "print/previewview.h"
#include "print/printreader.h"
#include "print_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace printtest;

// Each test writes its print file in a directory of its own (tests run in parallel).
std::vector<print::LaidOutPage> ListingPages(const std::string& name) {
    auto dir = FreshWorkDir(name);
    print::OpenPrintFile("");
    WriteFixtureListing(57);
    print::ClosePrintFile();
    print::PrintDocument document;
    int32_t badLine = 0;
    EXPECT_EQ(print::ReadPrintFile((dir / "zazirivi.tmp").string(), document, badLine), 0);
    return print::LayOutPages(document);
}

TEST(Preview, KeysMoveTheWindowWithinThePages) {
    const auto pages = ListingPages("preview-keys");
    ASSERT_EQ(pages.size(), 2u);
    struct Step {
        int16_t key;
        size_t page;
        int32_t top, left;
    };
    // Pages of 66 lines and 135 columns: the window reaches line 43 and column 56 at most.
    const Step steps[] = {
        {print::kKeyUp, 0, 0, 0},       {print::kKeyLeft, 0, 0, 0},
        {print::kKeyDown, 0, 1, 0},     {print::kKeyRight, 0, 1, 10},
        {print::kKeyEnd, 0, 42, 10},    {print::kKeyDown, 0, 42, 10},
        {print::kKeyRight, 0, 42, 20},  {print::kKeyRight, 0, 42, 30},
        {print::kKeyRight, 0, 42, 40},  {print::kKeyRight, 0, 42, 50},
        {print::kKeyRight, 0, 42, 55},  {print::kKeyPgDn, 1, 0, 55},
        {print::kKeyPgDn, 1, 0, 55},    {print::kKeyDown, 1, 1, 55},
        {print::kKeyPgUp, 0, 0, 55},    {print::kKeyPgUp, 0, 0, 55},
        {print::kKeyHome, 0, 0, 0},     {print::kKeyCtrlEnd, 1, 0, 0},
        {print::kKeyCtrlHome, 0, 0, 0}, {'x', 0, 0, 0},
    };
    print::PreviewState state;
    int n = 0;
    for (const Step& s : steps) {
        print::PreviewKey(state, pages, s.key);
        SCOPED_TRACE("step " + std::to_string(n++));
        EXPECT_EQ(state.page, s.page);
        EXPECT_EQ(state.top, s.top);
        EXPECT_EQ(state.left, s.left);
        EXPECT_FALSE(state.done);
    }
    print::PreviewKey(state, pages, print::kKeyEsc);
    EXPECT_TRUE(state.done);
}

TEST(Preview, ScreenShowsTheWindowAndTheIndicator) {
    const auto pages = ListingPages("preview-screen");
    print::PreviewState state;
    auto rows = print::PreviewScreen(state, pages, "CAT");
    ASSERT_EQ(rows.size(), 25u);
    for (const auto& row : rows)
        EXPECT_EQ(row.size(), 80u);
    EXPECT_EQ(rows[0].substr(0, kCompany.size()), kCompany);
    EXPECT_EQ(rows[0].substr(75, 5), "P\xb7GIN"); // cut at the window's edge
    EXPECT_EQ(rows[5], std::string(80, '-'));
    EXPECT_EQ(rows[24], " P\x85gina 1/2   L\xa1nia 1-24/66   Columna 1-80/135" +
                            std::string(22, ' ') + "Esc: sortir ");

    print::PreviewKey(state, pages, print::kKeyPgDn);
    for (int i = 0; i < 6; ++i)
        print::PreviewKey(state, pages, print::kKeyRight);
    rows = print::PreviewScreen(state, pages, "SPA");
    // Columns 56..135: the page number of page 2 ends at column 85 (row position 29).
    EXPECT_EQ(rows[0].substr(20, 10), "P\xb7GINA   2");
    // Detail 56 (the first of page 2): start date at column 100, months ending at 116.
    EXPECT_EQ(rows[6].substr(44, 36), "28/03/2023     12         27/03/2024");
    EXPECT_EQ(rows[24].substr(0, 49), " P\xa0gina 2/2   L\xa1nea 1-24/66   Columna 56-135/135 ");
}

TEST(Preview, NoPages) {
    const std::vector<print::LaidOutPage> none;
    print::PreviewState state;
    print::PreviewKey(state, none, print::kKeyPgDn);
    const auto rows = print::PreviewScreen(state, none, "GLG");
    ASSERT_EQ(rows.size(), 25u);
    EXPECT_EQ(rows[0], std::string(80, ' '));
    EXPECT_EQ(rows[24].substr(0, 12), " P\xa0xina 0/0 ");
}

} // namespace
