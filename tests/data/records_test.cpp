#include "data/records.h"

#include "data/datafiles.h"
#include "platform/console.h"
#include "screen/windows.h"
#include "support/holdlock.h"
#include "support/installation.h"
#include "support/records.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace data;
using testsupport::FlatBytes;
using testsupport::HoldLock;
using testsupport::Installation;
using testsupport::PropertyBytes;

std::string Code(const char* buffer, size_t n) { return text::UnpackDigits(std::string(buffer, n)); }

class Records : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::ResetConsoleForTests();
        int16_t status = 0;
        CloseAllDataFiles(status);
        ASSERT_TRUE(inst.CreateFile("DADES\\FinquesV", "FinquesV",
                                    {PropertyBytes(12, "C. Major, 3"), PropertyBytes(3, "Pl. del Sol, 1"),
                                     PropertyBytes(40, "Av. Diagonal, 100")}));
        ASSERT_TRUE(inst.CreateFile("DADES\\DepartaV", "DepartaV",
                                    {FlatBytes(12, 2, "Puig, Anna", "1r 1a", "20240315", 12),
                                     FlatBytes(12, 1, "Vila, Joan", "BAIXOS", "20230101", 24),
                                     FlatBytes(3, 7, "Soler, Pere", "2n 2a", "", 0)}));
        OpenDataFile(506, inst.Root() + "DADES\\FinquesV", property, status);
        ASSERT_EQ(status, 0);
        OpenDataFile(507, inst.Root() + "DADES\\DepartaV", flat, status);
        ASSERT_EQ(status, 0);
    }
    void TearDown() override {
        CloseAllDataFiles(status);
        SetWaitForTests(1);
    }
    Installation inst;
    char property[160] = {};
    char flat[200] = {};
    int16_t status = -1;
};

TEST_F(Records, GetByKeyPositionsAndSkipsWalkInKeyOrder) {
    GetByKey(506, 0, "", 1, status); // empty key: the first record
    ASSERT_EQ(status, 0);
    EXPECT_EQ(Code(property, 2), "0003");
    SkipRecords(506, 1, status);
    EXPECT_EQ(Code(property, 2), "0012");
    SkipRecords(506, 1, status);
    EXPECT_EQ(Code(property, 2), "0040");
    SkipRecords(506, 1, status);
    EXPECT_EQ(status, 9); // end of file
    EXPECT_EQ(Code(property, 2), "0040");

    GetByKey(506, 0, "", 1, status);
    SkipRecords(506, 2, status); // two steps: only the last read lands in the buffer
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Code(property, 2), "0040");
    SkipRecords(506, -1, status);
    EXPECT_EQ(Code(property, 2), "0012");
    SkipRecords(506, 0, status); // nothing read
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Code(property, 2), "0012");

    // A key text longer than the key: only its first bytes count.
    GetByKey(506, 0, text::PackDigits("0012") + "tail", 0, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Code(property, 2), "0012");
    GetByKey(506, 0, text::PackDigits("0013"), 0, status);
    EXPECT_EQ(status, 4);
    GetByKey(506, 1, "", 1, status);
    EXPECT_EQ(status, kStatusNoSuchKey);

    // Flats of property 12, from a two-byte key completed with zero bytes.
    GetByKey(507, 0, text::PackDigits("0012"), 1, status);
    EXPECT_EQ(Code(flat, 4), "00120001");
    SkipRecords(507, 1, status);
    EXPECT_EQ(Code(flat, 4), "00120002");
}

TEST_F(Records, FileNotOpenReturnsAtOnce) {
    status = 0;
    GetByKey(999, 0, "", 1, status);
    EXPECT_EQ(status, kStatusNotOpen);
    status = 0;
    SkipRecords(999, 1, status);
    EXPECT_EQ(status, kStatusNotOpen);
    status = 0;
    SetLockMode(999, "A", status);
    EXPECT_EQ(status, kStatusNotOpen);
    EXPECT_EQ(RecordPosition(999, 0), 0);
    EXPECT_EQ(CurrentKeyValue(999), "");
    EXPECT_EQ(KeyCompareForm("AB", 999), "AB");
}

TEST_F(Records, RecordPositionsReadBack) {
    EXPECT_EQ(RecordPosition(506, 0), 0); // no current record yet
    GetByKey(506, 0, text::PackDigits("0040"), 0, status);
    int32_t position = RecordPosition(506, 0);
    EXPECT_NE(position, 0);
    GetByKey(506, 0, "", 1, status);
    EXPECT_EQ(Code(property, 2), "0003");
    EXPECT_EQ(RecordPosition(506, position), 0);
    EXPECT_EQ(Code(property, 2), "0040");
    EXPECT_NE(RecordPosition(506, 987654), 0); // no record there: a status
}

TEST_F(Records, LockModeStack) {
    int slot = FindSlot(507);
    SetLockMode(507, "a", status);
    EXPECT_EQ(DataFileTable[slot].lockMode, 1);
    SetLockMode(507, "+b", status);
    EXPECT_EQ(DataFileTable[slot].lockMode, 2);
    SetLockMode(506, "+d", status); // another file's save does not mix in
    SetLockMode(507, "-", status);
    EXPECT_EQ(DataFileTable[slot].lockMode, 1);
    SetLockMode(507, "-", status); // nothing saved for this file any more
    EXPECT_EQ(DataFileTable[slot].lockMode, 1);
    SetLockMode(507, "xD", status);
    EXPECT_EQ(DataFileTable[slot].lockMode, 0);
}

TEST_F(Records, LockedRecordInModeAWaitsWithOneMessage) {
    pid_t holder = HoldLock({"lock", inst.Root() + "DADES/FinquesV.dat", "--key",
                             "0:hex:808C", "--hold", "3"});
    ASSERT_GT(holder, 0);
    // Pauses of 0.1 .. 1 s; before each, note whether the message shows on row 22.
    static std::vector<bool> shown;
    shown.clear();
    SetWaitForTests(10, [] {
        shown.push_back(platform::RowText(22).find("FITXER BLOQUEJAT. ESPEREU UN MOMENT.") != std::string::npos);
    });
    SetLockMode(506, "A", status);
    const auto start = std::chrono::steady_clock::now();
    GetByKey(506, 0, text::PackDigits("0012"), 0, status);
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Code(property, 2), "0012");
    EXPECT_GT(waited, 1.0); // it waited for the holder
    ASSERT_GE(shown.size(), 2u);
    EXPECT_FALSE(shown[0]); // the first pause comes before the message
    for (size_t i = 1; i < shown.size(); ++i) EXPECT_TRUE(shown[i]);
    EXPECT_EQ(screen::Windows.pushes.size(), 0u); // pushed once, popped once
    // The box is gone and the window stack is balanced again.
    EXPECT_EQ(screen::Windows.depth, 0);
    EXPECT_EQ(platform::RowText(22).find("FITXER BLOQUEJAT"), std::string::npos);
    waitpid(holder, nullptr, 0);
}

TEST_F(Records, LockedRecordInModeBReportsAtOnce) {
    pid_t holder = HoldLock({"lock", inst.Root() + "DADES/FinquesV.dat", "--key", "0:hex:808C", "--hold", "3"});
    ASSERT_GT(holder, 0);
    SetLockMode(506, "B", status);
    GetByKey(506, 0, text::PackDigits("0012"), 0, status);
    EXPECT_EQ(status, 84);
    EXPECT_EQ(screen::Windows.depth, 0);
    // Reading without locks is not held up.
    SetLockMode(506, "D", status);
    GetByKey(506, 0, text::PackDigits("0012"), 0, status);
    EXPECT_EQ(status, 0);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
}

TEST_F(Records, OpenWaitsWhileAnotherProgramHoldsTheFileExclusively) {
    CloseAllDataFiles(status);
    pid_t holder = HoldLock({"lock", inst.Root() + "DADES/DepartaV.dat", "--exclusive", "--hold", "2"});
    ASSERT_GT(holder, 0);
    SetWaitForTests(3); // retries every second
    const auto start = std::chrono::steady_clock::now();
    OpenDataFile(507, inst.Root() + "DADES\\DepartaV", flat, status);
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(status, 0);
    EXPECT_GT(waited, 1.0);
    EXPECT_EQ(screen::Windows.depth, 0); // nothing shown while waiting
    waitpid(holder, nullptr, 0);
}

TEST(KeyCompareForm, BinaryAndAlternateSequenceSegments) {
    Installation inst;
    // A file with a binary two-byte key 0 and an upper-case alternate sequence on key 1.
    std::string tool = std::string(ORB_BINARY_DIR) + "/recman";
    std::string dict = inst.Root() + "ddf/Prova.xdf";
    ASSERT_EQ(std::system((tool + " dict " + dict + " --record 20 --key 1:2:bin --key 3:4:alt --acs upper").c_str()), 0);
    char buffer[1536] = {};
    int16_t status = -1;
    OpenDataFile(600, inst.Root() + "DADES\\Prova", buffer, status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(KeyCompareForm("AB", 600), "BA");
    EXPECT_EQ(KeyCompareForm("A", 600), std::string("\0A", 2));
    GetByKey(600, 1, "abcd", 1, status); // selects key 1
    EXPECT_EQ(KeyCompareForm("abc", 600), "ABC");
    EXPECT_EQ(CurrentKeyValue(600), "ABCD");
    CloseAllDataFiles(status);
}

} // namespace
