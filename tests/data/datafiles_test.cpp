#include "data/datafiles.h"

#include "data/records.h"
#include "platform/console.h"
#include "platform/system.h"
#include "support/installation.h"
#include "support/records.h"

#include <gtest/gtest.h>

namespace {

using namespace data;
using testsupport::Installation;

class DataFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::ResetConsoleForTests();
        int16_t status = 0;
        CloseAllDataFiles(status);
    }
    void TearDown() override {
        int16_t status = 0;
        CloseAllDataFiles(status);
    }
    char buffer[1536] = {};
};

TEST_F(DataFiles, SlotsFromTheTopAndTheTableLimits) {
    Installation inst;
    ASSERT_TRUE(inst.CreateFile("DADES\\FinquesV", "FinquesV", {}));
    int16_t status = -1;
    OpenDataFile(506, inst.Root() + "DADES\\FinquesV", buffer, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(FindSlot(506), 40);
    OpenDataFile(506, inst.Root() + "DADES\\FinquesV", buffer, status);
    EXPECT_EQ(status, kStatusAlreadyOpen);
    EXPECT_EQ(FindSlot(506), 40);
    for (FileNumber n = 1; n <= 39; ++n) {
        OpenDataFile(n, inst.Root() + "DADES\\FinquesV", buffer, status);
        ASSERT_EQ(status, 0) << n;
    }
    EXPECT_EQ(FindSlot(1), 39);
    EXPECT_EQ(FindSlot(39), 1);
    OpenDataFile(41, inst.Root() + "DADES\\FinquesV", buffer, status);
    EXPECT_EQ(status, kStatusTableFull);
    EXPECT_EQ(FindSlot(41), 0);
    CloseAllDataFiles(status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(FindSlot(506), 0);
}

TEST_F(DataFiles, MissingFileIsCreatedFromItsDictionary) {
    Installation inst;
    int16_t status = -1;
    OpenDataFile(507, inst.Root() + "DADES\\DepartaV", buffer, status);
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(platform::FileExists(inst.Root() + "DADES/DepartaV.dat"));
    const DataFileSlot& slot = DataFileTable[FindSlot(507)];
    EXPECT_EQ(slot.keyValue, std::string(4, '\0'));
    EXPECT_EQ(slot.recordLength, 200);
    int16_t keyLength = -1, recordLength = -1;
    ReadFileInfo(507, 1, keyLength, recordLength);
    EXPECT_EQ(keyLength, 30);
    ReadFileInfo(507, 2, keyLength, recordLength); // no key 2
    EXPECT_EQ(keyLength, 0);
    EXPECT_EQ(recordLength, 200);
    ReadFileInfo(99, 0, keyLength, recordLength); // not open
    EXPECT_EQ(keyLength, 0);
    EXPECT_EQ(recordLength, 0);
}

TEST_F(DataFiles, CloseWithNothingOpen) {
    int16_t status = -1;
    CloseAllDataFiles(status);
    EXPECT_EQ(status, 0);
    for (int i = 1; i <= kSlotCount; ++i) EXPECT_EQ(DataFileTable[i].fileNumber, 0);
}

TEST(DataFilePath, DirectoryBaseAndExtension) {
    struct {
        const char* name;
        const char* path;
        const char* base;
    } cases[] = {
        {"C:\\x\\a.b.c", "C:\\x\\a.b.c", "a.b"},
        {"C:\\x.y\\a", "C:\\x.y\\a.dat", "a"},
        {"DADES\\FinquesV", "DADES\\FinquesV.dat", "FinquesV"},
        {"/inst/DADES/DepartaV", "/inst/DADES/DepartaV.dat", "DepartaV"},
        {"C:a", "C:a.dat", "a"},
        {"x.", "x.", "x"},
    };
    for (const auto& c : cases) {
        DataFilePath p = BuildDataFilePath(c.name);
        EXPECT_EQ(p.path, c.path) << c.name;
        EXPECT_EQ(p.baseName, c.base) << c.name;
    }
}

TEST(DataFileMessages, FourLanguages) {
    struct {
        const char* language;
        std::string text;
    } cases[] = {
        {"CAT", "NO ES POT ACCEDIR AL FITXER C:\\DATA\\DADES\\FinquesV (20)"},
        {"SPA", "NO SE PUEDE ACCEDER AL FICHERO C:\\DATA\\DADES\\FinquesV (20)"},
        {"GLG", "NOM SE PODE ACEDER AO FICHEIRO C:\\DATA\\DADES\\FinquesV (20)"},
        {"OCI", "NON SE P\xD2T ACCEDIR ATH FICH\xD4R C:\\DATA\\DADES\\FinquesV (20)"},
        {"XX ", "NO ES POT ACCEDIR AL FITXER C:\\DATA\\DADES\\FinquesV (20)"},
    };
    for (const auto& c : cases) {
        app::SessionSettings.language = c.language;
        EXPECT_EQ(OpenFailureText("C:\\DATA\\DADES\\FinquesV", 20), c.text);
    }
}

// The failed open ends the program: message box on row 12 in the session's language, a key
// press, exit code 0. It runs in a child process; the key wait reports the screen.
void ReportScreenAndGoOn() {
    for (int16_t row = 9; row <= 11; ++row) fprintf(stderr, "[%s]\n", platform::RowText(row).c_str());
}

TEST(DataFilesDeath, FailedOpenShowsTheMessageAndEndsWithExitCodeZero) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const char* language : {"CAT", "SPA", "GLG", "OCI"}) {
        Installation inst(language);
        // No dictionary and no data file: the creation fails and the open cannot go on.
        std::filesystem::remove(inst.Root() + "ddf/FinquesV.xdf");
        char buffer[1536];
        EXPECT_EXIT(
            {
                platform::ResetConsoleForTests();
                SetOpenFailureKeyWaitForTests(ReportScreenAndGoOn);
                int16_t status = 0;
                OpenDataFile(506, inst.Root() + "DADES\\FinquesV", buffer, status);
                std::exit(3); // never reached
            },
            ::testing::ExitedWithCode(0), language == std::string("CAT") ? "NO ES POT ACCEDIR AL FITXER .*FinquesV \\(" : "FinquesV");
        // The dictionary was not created as an empty file beside the real ones.
        EXPECT_FALSE(platform::FileExists(inst.Root() + "ddf/FinquesV.xdf"));
    }
}

} // namespace
