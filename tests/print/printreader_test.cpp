// Reading print files back and placing their text items on pages.
#include "print/printdevices.h"
#include "print/printlayout.h"
#include "print/printreader.h"

#include <gtest/gtest.h>

namespace {

print::PrintDocument Parsed(const std::string& bytes) {
    print::PrintDocument document;
    int32_t badLine = -1;
    EXPECT_EQ(print::ParsePrintFile(bytes, document, badLine), print::kReadOk) << bytes;
    EXPECT_EQ(badLine, 0);
    return document;
}

std::string Rendered(const std::string& bytes) {
    return print::RenderText(print::LayOutPages(Parsed(bytes)));
}

TEST(PrintReader, MalformedFilesNameTheFirstBadLine) {
    const struct {
        const char* bytes;
        int32_t badLine;
    } cases[] = {
        {"", 1},             // no device line at all
        {"PAGE 66 \r\n", 1}, // device line missing
        {"device\r\n", 1},   // written in capitals only
        {"DEVICE\r\nPAGE 66 \r\n 1 ,no advance\r\n", 3},
        {"DEVICE\r\nPAGE 66 \r\n 1 ,text, x \r\n", 3},        // advance not a number
        {"DEVICE\r\n 1x ,text, 0 \r\n", 2},                   // column not a number
        {"DEVICE\r\n ,text, 0 \r\n", 2},                      // column empty
        {"DEVICE\r\nPAGE\r\n", 2},                            // page line without its length
        {"DEVICE\r\nPAGE 66 \r\n\r\n 40000 ,big, 0 \r\n", 4}, // beyond 16 bits
        {"DEVICE\r\n 1 ,a, 1 \r\nhello\r\n", 3},              // an unknown line
    };
    for (const auto& c : cases) {
        print::PrintDocument document;
        int32_t badLine = 0;
        EXPECT_EQ(print::ParsePrintFile(c.bytes, document, badLine), print::kReadMalformed)
            << c.bytes;
        EXPECT_EQ(badLine, c.badLine) << c.bytes;
    }
}

TEST(PrintReader, TextItemsKeepCommasAndAdvanceAfterTheLastOne) {
    const auto document = Parsed("DEVICEout.txt\r\nPAGE 66 \r\n 5 ,1,234,50 EUR, 1 \r\n");
    EXPECT_EQ(document.device, "out.txt");
    ASSERT_EQ(document.pages.size(), 1u);
    ASSERT_EQ(document.pages[0].items.size(), 1u);
    EXPECT_EQ(document.pages[0].items[0].text, "1,234,50 EUR");
    EXPECT_EQ(document.pages[0].items[0].column, 5);
}

TEST(PrintReader, AlignmentAppliesToTheNextItemOnly) {
    // Right-aligned ends at the column, centred is centred on it, N and A as D and E; each
    // alignment line holds for one item, the next one is placed from its column again.
    EXPECT_EQ(Rendered("DEVICE\r\nPAGE 66 \r\n"
                       "JUSD\r\n 10 ,abc, 0 \r\n 12 ,left, 1 \r\n"
                       "JUSC\r\n 10 ,abcd, 1 \r\n"
                       "JUSN 5 \\##\\\r\n 10 ,42, 0 \r\nJUSA\r\n 12 ,both, 1 \r\n"
                       "JUSD\r\n 3 ,toolong, 1 \r\n"),
              "       abc left\n"
              "       abcd\n"
              "        42 both\n"
              "toolong\n");
}

TEST(PrintReader, AdvancesPagesAndLineEnds) {
    // Advance 2 leaves an empty line; a page line after text starts the next page; a full
    // page goes on to a new one of the same length; LF alone ends a line too; a negative
    // advance does not move back; a final line without its end still counts.
    EXPECT_EQ(Rendered("DEVICE\nPAGE 3 \n 1 ,one, 2 \n 1 ,two, 1 \n 1 ,three, -1 \n"
                       " 7 ,over, 1 \nPAGE 66 \r\n 2 ,last, 0 "),
              "one\n\ntwo\n\fthree over\n\f last\n");
    const auto document = Parsed("DEVICE\r\nPAGE 3 \r\n 1 ,a, 3 \r\n 1 ,b, 0 \r\n");
    ASSERT_EQ(document.pages.size(), 2u);
    EXPECT_EQ(document.pages[1].length, 3);
}

TEST(PrintReader, PageLinesOnAnEmptyPageOnlySetItsLength) {
    const auto document = Parsed("DEVICE\r\nPAGE 0 \r\nPAGE 12 \r\n 1 ,a, 1 \r\n");
    ASSERT_EQ(document.pages.size(), 1u);
    EXPECT_EQ(document.pages[0].length, 12);
    // Text before any page line gets a page of the usual length.
    const auto implicit = Parsed("DEVICE\r\n 1 ,a, 1 \r\n");
    ASSERT_EQ(implicit.pages.size(), 1u);
    EXPECT_EQ(implicit.pages[0].length, print::kDefaultPageLength);
    // Only the device line: nothing to print.
    EXPECT_TRUE(Parsed("DEVICE\r\n").pages.empty());
}

TEST(PrintReader, PitchAndOtherControlCodes) {
    const auto document = Parsed("DEVICE\r\n*reset\r\nPAGE 66 \r\n*@e\r\n 1 ,small, 1 \r\n"
                                 "*q\r\n*bold\r\n 1 ,normal, 1 \r\n");
    ASSERT_EQ(document.pages.size(), 1u);
    const auto& page = document.pages[0];
    EXPECT_TRUE(page.items[0].condensed);
    EXPECT_FALSE(page.items[1].condensed);
    EXPECT_EQ(page.controls, (std::vector<std::string>{"reset", "bold"}));
}

TEST(PrintReader, OverprintAndControlBytes) {
    // A later item's blanks leave what is under them; control bytes of a foreign writer
    // become blanks; an item left of the margin starts at column 1.
    EXPECT_EQ(Rendered(std::string("DEVICE\r\n 1 ,abcdef, 0 \r\n 2 ,X  Y, 0 \r\n") +
                       " 9 ,t\tu\x7f"
                       "v\xff"
                       "w, 0 \r\n-4 ,n, 1 \r\n"),
              "nXcdYf  t u v w\n");
}

TEST(PrintDevices, ChoosesTheDeviceTheLineNames) {
    auto knowsOffice = [](std::string_view name) { return name == "office"; };
    const struct {
        const char* line;
        print::DeviceKind kind;
        const char* target;
    } cases[] = {
        {"", print::DeviceKind::Screen, ""},
        {"  ", print::DeviceKind::Screen, ""},
        {"con", print::DeviceKind::Screen, ""},
        {"PANTALLA", print::DeviceKind::Screen, ""},
        {" C:\\LLISTATS\\Mar\x87.PDF ", print::DeviceKind::PdfFile, "C:\\LLISTATS\\Mar\x87.PDF"},
        {"/tmp/out.pdf", print::DeviceKind::PdfFile, "/tmp/out.pdf"},
        {"listing.txt", print::DeviceKind::TextFile, "listing.txt"},
        {"LLISTAT", print::DeviceKind::TextFile, "LLISTAT"},
        {"office", print::DeviceKind::Printer, "office"},
        {"lp:hall", print::DeviceKind::Printer, "hall"},
        {"LP: hall ", print::DeviceKind::Printer, "hall"},
        {"lp:", print::DeviceKind::Printer, ""},
        {"LPT1", print::DeviceKind::Printer, ""},
        {"prn", print::DeviceKind::Printer, ""},
        {"office.txt", print::DeviceKind::TextFile, "office.txt"},
    };
    for (const auto& c : cases) {
        const print::Device device = print::ChooseDevice(c.line, knowsOffice);
        EXPECT_EQ(device.kind, c.kind) << c.line;
        EXPECT_EQ(device.target, c.target) << c.line;
    }
}

TEST(PrintDevices, RunProgramCollectsOutputAndStatus) {
    std::string output;
    EXPECT_EQ(print::RunProgram({"sh", "-c", "echo out; echo err >&2; exit 3"}, output), 3);
    EXPECT_EQ(output, "out\nerr\n");
    EXPECT_EQ(print::RunProgram({"no-such-program-zz"}, output), -1);
    EXPECT_NE(output.find("no-such-program-zz"), std::string::npos);
}

} // namespace
