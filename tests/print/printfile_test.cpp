// The print file writer: the exact bytes of every line kind and the page state.
#include "print/printfile.h"
#include "print_test_support.h"

#include <gtest/gtest.h>

namespace {

using printtest::FreshWorkDir;
using printtest::ReadBytes;

TEST(PrintFileWriter, WritesEveryLineKindWithCrLf) {
    auto dir = FreshWorkDir("kinds");
    ASSERT_EQ(print::OpenPrintFile("LPT1"), 0);
    print::StartPage(66);
    print::PrintControl("@e");
    print::PrintText(13,
                     "ADRE\x80"
                     "A",
                     0); // ADREÇA in code page 850
    print::SetAlignment("D");
    print::PrintText(116, "  12", 1);
    print::PrintText(-5, "", -3);
    print::ClosePrintFile();
    EXPECT_EQ(ReadBytes(dir / "zazirivi.tmp"), "DEVICELPT1\r\n"
                                               "PAGE 66 \r\n"
                                               "*@e\r\n"
                                               " 13 ,ADRE\x80"
                                               "A, 0 \r\n"
                                               "JUSD\r\n"
                                               " 116 ,  12, 1 \r\n"
                                               "-5 ,,-3 \r\n");
}

TEST(PrintFileWriter, BlanksControlCharactersAndKeepsCommas) {
    auto dir = FreshWorkDir("blanks");
    print::OpenPrintFile("");
    print::StartPage(66);
    const std::string text = std::string("a\tb\rc\nd") + '\0' +
                             "e\x7f"
                             "f\xff"
                             "g,h,\x80";
    print::PrintText(1, text, 0);
    print::ClosePrintFile();
    EXPECT_EQ(text[1], '\t'); // the caller's text stays as it was
    EXPECT_EQ(ReadBytes(dir / "zazirivi.tmp"),
              std::string("DEVICE\r\nPAGE 66 \r\n") + " 1 ,a b c d e f g,h,\x80, 0 \r\n");
}

TEST(PrintFileWriter, NormalisesAlignmentCodes) {
    const struct {
        const char* given;
        const char* written;
    } cases[] = {
        {"r", "D"},
        {" right", "D"},
        {"D", "D"},
        {"B", "A"},
        {"a", "A"},
        {"x", "E"},
        {"", "E"},
        {"   ", "E"},
        {"centre ", "C"},
        {"N5", "N 5 "},
        {"n-7.9", "N 7 "},
        {"N", "N 0 "},
        {" N12 \\###,##\\ rest", "N 12 \\###,##\\"},
        {"N3 \\##", "N 3 \\##"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(print::NormalisedAlignment(c.given), c.written) << "code \"" << c.given << '"';

    auto dir = FreshWorkDir("alignment");
    print::OpenPrintFile("X");
    print::SetAlignment(" right");
    print::SetAlignment("");
    print::ClosePrintFile();
    EXPECT_EQ(ReadBytes(dir / "zazirivi.tmp"), "DEVICEX\r\nJUSD\r\nJUSE\r\n");
}

TEST(PrintFileWriter, PrintNumbers) {
    EXPECT_EQ(print::PrintNumber(1), " 1 ");
    EXPECT_EQ(print::PrintNumber(0), " 0 ");
    EXPECT_EQ(print::PrintNumber(-32768), "-32768 ");
    EXPECT_EQ(print::PrintNumber(32767), " 32767 ");
}

// A full page starts a new one of the same length before the text; the state survives the
// closing of the file and the next listing starts from an emptied file.
TEST(PrintFileWriter, PageStateLastsForTheRun) {
    auto dir = FreshWorkDir("pages");
    print::OpenPrintFile("A");
    print::PrintText(1, "x", 0); // 0 >= 0 at program start: a page line with length 0
    EXPECT_EQ(print::CurrentPrintFile.lineCount, 0);
    print::StartPage(3);
    print::PrintText(1, "one", 1);
    print::PrintText(1, "same", 0);
    print::PrintText(1, "three", 2);
    EXPECT_EQ(print::CurrentPrintFile.lineCount, 3);
    print::PrintText(1, "next", 1);
    print::ClosePrintFile();
    EXPECT_EQ(ReadBytes(dir / "zazirivi.tmp"),
              "DEVICEA\r\nPAGE 0 \r\n 1 ,x, 0 \r\nPAGE 3 \r\n 1 ,one, 1 \r\n 1 ,same, 0 \r\n"
              " 1 ,three, 2 \r\nPAGE 3 \r\n 1 ,next, 1 \r\n");
    EXPECT_EQ(print::CurrentPrintFile.pageLength, 3);
    EXPECT_EQ(print::CurrentPrintFile.lineCount, 1);

    print::OpenPrintFile("B");
    print::PrintText(1, "b", 2); // 1 < 3: no page line; the count goes on from the last file
    print::PrintText(1, "c", 0);
    print::ClosePrintFile();
    EXPECT_EQ(ReadBytes(dir / "zazirivi.tmp"), "DEVICEB\r\n 1 ,b, 2 \r\nPAGE 3 \r\n 1 ,c, 0 \r\n");
}

TEST(PrintFileWriter, UnwritableFileIsReportedAndWritesDoNothing) {
    auto dir = FreshWorkDir("unwritable");
    app::SessionSettings.workDir = (dir / "missing").string() + "/";
    EXPECT_NE(print::OpenPrintFile("A"), 0);
    print::StartPage(66);
    print::PrintText(1, "lost", 1);
    print::ClosePrintFile();
    EXPECT_EQ(print::CurrentPrintFile.lineCount, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

} // namespace
