// The recman tool as people use it: dictionary, create, load, dump, stat, owner names and
// the messages it gives.
#include "recman_helpers.h"

#include <fstream>

using namespace rmtest;

namespace {

std::string NoBlanks(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
    return s;
}

} // namespace

TEST(RecmanTool, DictionaryCreateLoadDumpRoundTrip) {
    ScratchDir dir;
    std::string dict = dir / "flats.xdf", file = dir / "flats.dat", out;
    ASSERT_EQ(RunTool({"dict", dict, "--record", "16", "--key", "1:2:bin+3:2:bin", "--key",
                       "5:6:dup:mod:alt", "--acs", "upper"},
                      out),
              0)
        << out;
    // The dictionary: 2-byte length, then the creation specification.
    std::ifstream in(dict, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]) | (static_cast<uint8_t>(bytes[1]) << 8),
              static_cast<int>(bytes.size()) - 2);
    EXPECT_EQ(bytes.size() - 2, 16u + 3 * 16 + 265);

    ASSERT_EQ(RunTool({"create", file, dict}, out), 0) << out;
    const std::vector<std::string> lines = {
        "0100 0200 726f63612020 2020 20202020", // property 1, flat 2, "roca"
        "0100 0100 4d4152544920 2020 20202020", // property 1, flat 1, "MARTI"
        "0000 0900 6d6172746920 2020 20202020", // property 0, flat 9, "marti"
    };
    {
        std::ofstream hex(dir / "in.hex");
        for (const std::string& l : lines)
            hex << l << "\n";
    }
    ASSERT_EQ(RunTool({"load", file, "--hex"}, out, dir / "in.hex"), 0) << out;
    EXPECT_NE(out.find("3 records loaded"), std::string::npos) << out;
    // Key 0: property then flat, as numbers.
    ASSERT_EQ(RunTool({"dump", file, "--hex"}, out), 0);
    EXPECT_EQ(out,
              NoBlanks(lines[2]) + "\n" + NoBlanks(lines[1]) + "\n" + NoBlanks(lines[0]) + "\n");
    // Key 1: names without regard to case, equal names in the order they came.
    ASSERT_EQ(RunTool({"dump", file, "--key", "1", "--hex"}, out), 0);
    EXPECT_EQ(out,
              NoBlanks(lines[1]) + "\n" + NoBlanks(lines[2]) + "\n" + NoBlanks(lines[0]) + "\n");

    ASSERT_EQ(RunTool({"stat", file}, out), 0);
    EXPECT_NE(out.find("record length: 16"), std::string::npos) << out;
    EXPECT_NE(out.find("records: 3"), std::string::npos) << out;
    EXPECT_NE(out.find("key 1: length 6, duplicates, modifiable, 2 values"), std::string::npos)
        << out;
    EXPECT_NE(out.find("collating sequence 0: UPPER"), std::string::npos) << out;
    EXPECT_EQ(RunTool({"check", file}, out), 0) << out;
}

TEST(RecmanTool, ErrorsNameTheFileAndTheStatusInWords) {
    ScratchDir dir;
    std::string dict = dir / "d.xdf", file = dir / "d.dat", out;
    ASSERT_EQ(RunTool({"dict", dict, "--record", "8", "--key", "1:4"}, out), 0) << out;
    ASSERT_EQ(RunTool({"create", file, dict}, out), 0) << out;
    struct Case {
        std::vector<std::string> args;
        std::string input, expected;
    };
    {
        std::ofstream(dir / "dup.hex") << "41414141 20202020\n41414141 21212121\n";
        std::ofstream(dir / "short.raw") << "123456789";
    }
    const std::vector<Case> cases = {
        {{"create", file, dict}, "/dev/null", file + ": create: file already exists (59)"},
        {{"dump", dir / "none.dat"}, "/dev/null", "none.dat: open: file not found (12)"},
        {{"load", file, "--hex"}, dir / "dup.hex", "record 2 (1 loaded): duplicate key value (5)"},
        {{"load", file}, dir / "short.raw", "record 2: 1 bytes, the record length is 8 (1 loaded)"},
        {{"dict", dir / "x.xdf", "--record", "8", "--key", "6:4"},
         "/dev/null",
         "invalid key position (27)"},
        {{"frobnicate"}, "/dev/null", "unknown command frobnicate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        EXPECT_NE(RunTool(c.args, out, c.input), 0);
        EXPECT_NE(out.find(c.expected), std::string::npos) << out;
    }
    // Each failed load kept the records before the fault.
    ASSERT_EQ(RunTool({"dump", file, "--hex"}, out), 0);
}

TEST(RecmanTool, OwnerNames) {
    ScratchDir dir;
    std::string dict = dir / "d.xdf", file = dir / "d.dat", out;
    ASSERT_EQ(RunTool({"dict", dict, "--record", "8", "--key", "1:4"}, out), 0) << out;
    ASSERT_EQ(RunTool({"create", file, dict}, out), 0) << out;
    ASSERT_EQ(RunTool({"owner", file, "Q9X1"}, out), 0) << out;
    EXPECT_NE(RunTool({"dump", file}, out), 0);
    EXPECT_NE(out.find("invalid owner name (51)"), std::string::npos) << out;
    EXPECT_EQ(RunTool({"dump", file, "--owner", "Q9X1"}, out), 0) << out;
    EXPECT_EQ(RunTool({"owner", file, "--clear", "--owner", "Q9X1"}, out), 0) << out;
    EXPECT_EQ(RunTool({"dump", file}, out), 0) << out;
    EXPECT_EQ(RunTool({"--help"}, out), 0);
    EXPECT_NE(out.find("usage: recman"), std::string::npos);
}
