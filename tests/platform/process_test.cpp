#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(ProcessTest, StartsWithArgumentsAsGivenAndWaits) {
    char pattern[] = "/tmp/orb-proc-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const std::string target = dir + "/a file; echo injected";
    // The arguments reach the program one by one, blanks and shell characters untouched, and
    // RunProcess returns only when the program has ended.
    EXPECT_TRUE(platform::RunProcess(
        {"sh", "-c", "sleep 0.2; printf '%s' \"$1\" > \"$2\"", "sh", "caf\x82 $HOME `x`", target}));
    std::ifstream in(target);
    std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(got, "caf\xC3\xA9 $HOME `x`");
    std::filesystem::remove_all(dir);
}

TEST(ProcessTest, ReportsWhetherTheProgramStarted) {
    EXPECT_TRUE(platform::RunProcess({"false"})); // started; its status is not looked at
    EXPECT_FALSE(platform::RunProcess({"/nonexistent/ZAZIRIVI"}));
    EXPECT_FALSE(platform::RunProcess({"orbicade-no-such-program"}));
    EXPECT_FALSE(platform::RunProcess({}));
    EXPECT_FALSE(platform::RunProcess({""}));
}

} // namespace
