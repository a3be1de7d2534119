#include "platform/system.h"

#include "support/tempdir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using testsupport::TempDir;

TEST(NativePath, BackslashesBecomeSlashesAndCaseIsFoundCaseBlind) {
    TempDir dir;
    dir.Write("DADES/FinquesV.dat", "x");
    const std::string root = dir.Path();
    // An installation copied from another system: the program asks with other letter cases.
    EXPECT_EQ(platform::NativePath(root + "dades\\FINQUESV.DAT"), root + "DADES/FinquesV.dat");
    EXPECT_TRUE(platform::FileExists(root + "Dades\\finquesv.dat"));
    // A file that does not exist keeps the case it is given, below the directory found.
    EXPECT_EQ(platform::NativePath(root + "dades\\Nou.dat"), root + "DADES/Nou.dat");
    EXPECT_EQ(platform::NativePath(root + "Falta\\Nou.dat"), root + "Falta/Nou.dat");
}

TEST(NativePath, AccentedNamesAndDriveLetters) {
    TempDir dir;
    dir.Write("Relació.txt", "x");
    // "RELACIÓ.TXT" in code page 850: Ó is 0xE0.
    EXPECT_EQ(platform::NativePath(dir.Path() + "RELACI\xE0.TXT"), dir.Path() + "Relació.txt");
    EXPECT_EQ(platform::NativePath("C:\\x\\a.b"), "C:/x/a.b");
    EXPECT_EQ(platform::NativePath(""), "");
}

TEST(Files, OpenModes) {
    TempDir dir;
    const std::string path = dir.Path() + "f.txt";
    EXPECT_EQ(platform::OpenShared(path), nullptr);
    EXPECT_EQ(platform::OpenReadWrite(path), nullptr);
    {
        auto f = platform::OpenOrCreate(path);
        ASSERT_NE(f, nullptr);
        std::fputs("kept", f.get());
    }
    EXPECT_NE(platform::OpenOrCreate(path), nullptr); // an existing file is not emptied
    EXPECT_EQ(testsupport::ReadFile(path), "kept");
    EXPECT_NE(platform::OpenCreate(path), nullptr); // create empties it
    EXPECT_EQ(testsupport::ReadFile(path), "");
    EXPECT_EQ(platform::OpenShared(dir.Path()), nullptr); // a directory is not a file
}

TEST(Environment, UnsetIsEmptyAndValuesArrivesAsCodePage850) {
    testsupport::ScopedEnv unset("ORB_TEST_UNSET", nullptr);
    testsupport::ScopedEnv set("ORB_TEST_SET", "/inst/Relació/");
    EXPECT_EQ(platform::GetEnvironment("ORB_TEST_UNSET"), "");
    EXPECT_EQ(platform::GetEnvironment("ORB_TEST_SET"), "/inst/Relaci\xA2/");
}

} // namespace
