// Create, Stat and Open: validation of creation specifications, the statistics echoed back,
// and files that are not ours.
#include "recman_helpers.h"

#include <fstream>
#include <random>
#include <sqlite3.h>
#include <sys/stat.h>

using namespace rmtest;

namespace {

SpecBuilder TwoKeys() {
    SpecBuilder b;
    b.Record(40)
        .Key({{1, 4, kKeyBinary}})
        .Key({{5, 10, kKeyDup | kKeyMod | kKeyAlt}, {15, 2, kKeyDup | kKeyMod | kKeyBinary}});
    std::array<uint8_t, 256> map;
    for (int i = 0; i < 256; ++i)
        map[i] = static_cast<uint8_t>(255 - i);
    b.Acs(map);
    return b;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(RecmanCreate, RejectsFaultySpecificationsWithTheirStatus) {
    ScratchDir dir;
    struct Case {
        const char* what;
        std::string spec;
        int16_t status;
    };
    auto spec = [](auto change) {
        SpecBuilder b;
        b.Record(40).Key({{1, 4, kKeyBinary}});
        change(b);
        return b.Bytes();
    };
    std::vector<Case> cases = {
        {"blank buffer (missing dictionary)", "", kPageSizeError},
        {"page size not a multiple of 512", spec([](SpecBuilder& b) { b.pageSize = 1000; }),
         kPageSizeError},
        {"record too short", spec([](SpecBuilder& b) { b.recordLength = 2; }),
         kInvalidRecordLength},
        {"record longer than a page",
         spec([](SpecBuilder& b) { b.pageSize = 512, b.recordLength = 600; }),
         kInvalidRecordLength},
        {"key position 0", spec([](SpecBuilder& b) { b.keys[0][0].position = 0; }),
         kInvalidKeyPosition},
        {"key past the record", spec([](SpecBuilder& b) { b.keys[0][0].position = 38; }),
         kInvalidKeyPosition},
        {"segment length 0", spec([](SpecBuilder& b) { b.keys[0][0].length = 0; }),
         kInvalidKeyLength},
        {"integer of 3 bytes", spec([](SpecBuilder& b) {
             b.keys[0][0] = {1, 3, kKeyExtType, kTypeInteger};
         }),
         kInvalidKeyLength},
        {"unknown key type", spec([](SpecBuilder& b) {
             b.keys[0][0] = {1, 4, kKeyExtType, 12};
         }),
         kInvalidKeyType},
        {"alternate sequence without its block",
         spec([](SpecBuilder& b) { b.keys[0][0].flags = kKeyAlt; }), kInvalidAcs},
        {"duplicates on one segment only", spec([](SpecBuilder& b) {
             b.keys[0] = {{1, 4, kKeyDup}, {5, 4, 0}};
         }),
         kInconsistentKeyFlags},
        {"too many segments for a 512-byte page", spec([](SpecBuilder& b) {
             b.pageSize = 512;
             for (int i = 0; i < 8; ++i)
                 b.Key({{static_cast<uint16_t>(1 + i), 1}});
         }),
         kNumberOfKeys},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = dir / "f.dat";
        EXPECT_EQ(CreateFile(path, c.spec), c.status);
        EXPECT_FALSE(std::filesystem::exists(path));
    }

    // Cut short: the data length does not reach the segments the file block announces.
    std::string good = TwoKeys().Bytes();
    uint8_t block[128] = {};
    int32_t length = 20;
    std::string path = dir / "g.dat";
    EXPECT_EQ(BTRCALL(kOpCreate, block, good.data(), &length, path.data(),
                      static_cast<uint8_t>(path.size()), -1),
              kDataBufferTooShort);
    // Missing directory, empty path.
    EXPECT_EQ(CreateFile(dir / "nowhere/f.dat", good), kCreateIoError);
    EXPECT_EQ(CreateFile("", good), kInvalidFileName);
}

TEST(RecmanCreate, NoReplaceLeavesAnExistingFileUntouched) {
    ScratchDir dir;
    std::string path = dir / "f.dat";
    ASSERT_EQ(CreateFile(path, TwoKeys().Bytes()), 0);
    {
        Handle h;
        ASSERT_EQ(h.Open(path), 0);
        ASSERT_EQ(h.Insert(Fixed(Le32(7) + "abc", 40)), 0);
    }
    std::string before = ReadAll(path);
    SpecBuilder other;
    other.Record(10).Key({{1, 2}});
    EXPECT_EQ(CreateFile(path, other.Bytes(), -1), kFileExists);
    EXPECT_EQ(ReadAll(path), before);

    // Replacing is refused while the file is open, allowed once it is closed.
    Handle h;
    ASSERT_EQ(h.Open(path), 0);
    EXPECT_EQ(CreateFile(path, other.Bytes(), 0), kFileInUse);
    h.Close();
    EXPECT_EQ(CreateFile(path, other.Bytes(), 0), 0);
    ASSERT_EQ(h.Open(path), 0);
    std::string stat = h.Stat();
    EXPECT_EQ(static_cast<uint8_t>(stat[0]), 10);
    EXPECT_EQ(stat.substr(6, 4), Le32(0)) << "the replaced file starts empty";
}

TEST(RecmanCreate, NewFilesAreSharedAsTheCreationMaskAllows) {
    ScratchDir dir;
    const mode_t old = ::umask(002);
    const int16_t status = CreateFile(dir / "f.dat", TwoKeys().Bytes());
    ::umask(old);
    ASSERT_EQ(status, 0);
    struct stat st;
    ASSERT_EQ(::stat((dir / "f.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0664u);
}

TEST(RecmanCreate, StatEchoesTheSpecificationWithCounts) {
    ScratchDir dir;
    std::string path = dir / "f.dat";
    SpecBuilder b = TwoKeys();
    b.fileFlags = 0x0020;
    std::string spec = b.Bytes();
    spec[12] = 3; // bytes 12-15 are kept as given
    spec[14] = 9;
    ASSERT_EQ(CreateFile(path, spec), 0);
    Handle h;
    ASSERT_EQ(h.Open(path), 0);
    ASSERT_EQ(h.Insert(Fixed(Le32(1) + "SMITH", 40)), 0);
    ASSERT_EQ(h.Insert(Fixed(Le32(2) + "SMITH", 40)), 0);
    ASSERT_EQ(h.Insert(Fixed(Le32(3) + "JONES", 40)), 0);

    int16_t status = -1;
    std::string stat = h.Stat(0, 1536, &status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(stat.size(), spec.size());
    EXPECT_EQ(stat.substr(0, 6), spec.substr(0, 6));
    EXPECT_EQ(stat.substr(6, 4), Le32(3)) << "number of records";
    EXPECT_EQ(stat.substr(10, 6), spec.substr(10, 6));
    const uint32_t values[] = {3, 2, 2}; // key 0: 3 values; key 1 (two segments): 2 values
    for (int seg = 0; seg < 3; ++seg) {
        size_t at = 16 + 16 * seg;
        SCOPED_TRACE(seg);
        EXPECT_EQ(stat.substr(at, 6), spec.substr(at, 6));
        EXPECT_EQ(stat.substr(at + 6, 4), Le32(values[seg]));
        EXPECT_EQ(stat.substr(at + 10, 6), spec.substr(at + 10, 6));
    }
    // The collating sequence right after the last segment: signature, name, table.
    EXPECT_EQ(static_cast<uint8_t>(stat[16 + 16 * 3]), 0xAC);
    EXPECT_EQ(static_cast<uint8_t>(stat[16 + 16 * 3 + 9 + 'A']), 255 - 'A');

    // Key number -1: the count as one byte and the format version.
    std::string v = h.Stat(-1);
    EXPECT_EQ(v[4], 2);
    EXPECT_NE(v[5], 0);

    // Too small a buffer: what fits, and 22.
    std::string part = h.Stat(0, 20, &status);
    EXPECT_EQ(status, kDataBufferTooShort);
    EXPECT_EQ(part, stat.substr(0, 20));

    // Deleting a record of a value shared with another keeps the value count.
    ASSERT_EQ(h.Get(kOpGetEqual, 0, Le32(2)), 0);
    ASSERT_EQ(h.Delete(), 0);
    stat = h.Stat();
    EXPECT_EQ(stat.substr(6, 4), Le32(2));
    EXPECT_EQ(stat.substr(16 + 16 + 6, 4), Le32(2));
    ASSERT_EQ(h.Get(kOpGetEqual, 0, Le32(3)), 0);
    ASSERT_EQ(h.Delete(), 0);
    stat = h.Stat();
    EXPECT_EQ(stat.substr(16 + 16 + 6, 4), Le32(1));
}

TEST(RecmanCreate, FilesThatAreNotOursAreRefusedWithoutHarm) {
    ScratchDir dir;
    std::mt19937 rng(7);
    std::string random(8192, '\0');
    for (char& c : random)
        c = static_cast<char>(rng());
    std::string good = dir / "good.dat";
    ASSERT_EQ(CreateFile(good, TwoKeys().Bytes()), 0);
    {
        Handle h;
        ASSERT_EQ(h.Open(good), 0);
        for (uint32_t i = 1; i <= 300; ++i)
            ASSERT_EQ(h.Insert(Fixed(Le32(i) + "NAME", 40)), 0);
    }
    std::string db = ReadAll(good);
    ASSERT_GT(db.size(), 8192u);

    // Another SQLite database that is not a data file of ours.
    std::string foreign = dir / "foreign.dat";
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(foreign.c_str(), &other), SQLITE_OK);
    sqlite3_exec(other, "CREATE TABLE t (x); INSERT INTO t VALUES (1);", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    struct Case {
        const char* name;
        std::string bytes;
    };
    std::vector<Case> cases = {
        {"random.dat", random},
        {"text.dat", "PROPERTY;FLAT;RENT\n1;2;300\n"},
        {"empty.dat", ""},
        {"truncated.dat", db.substr(0, db.size() / 2)},
        {"header-only.dat", db.substr(0, 100)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir / c.name;
        WriteAll(path, c.bytes);
        Handle h;
        int16_t st = h.Open(path);
        if (st == 0) {
            // A cut database may open; reading it must then fail cleanly, never crash.
            int16_t r = h.Get(kOpGetFirst, 0);
            while (r == 0)
                r = h.Again(kOpGetNext, 0);
            EXPECT_TRUE(r == kEndOfFile || r == kIoError || r == kNotOurFile) << r;
        } else {
            EXPECT_TRUE(st == kNotOurFile || st == kIoError) << st;
        }
        EXPECT_EQ(ReadAll(path), c.bytes) << "a file not ours is never written";
    }
    Handle h;
    EXPECT_EQ(h.Open(foreign), kNotOurFile);
    EXPECT_EQ(h.Open(dir / "missing.dat"), kFileNotFound);
    EXPECT_EQ(h.Open(dir / "no/such/dir/x.dat"), kFileNotFound);
}

TEST(RecmanCreate, SystemPathsWithBackslashesAndOtherCase) {
    ScratchDir dir;
    std::filesystem::create_directory(dir / "DADES");
    std::string spec = TwoKeys().Bytes();
    ASSERT_EQ(CreateFile(dir.path + "\\DADES\\FinquesV.dat", spec), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "DADES/FinquesV.dat"));
    Handle h;
    EXPECT_EQ(h.Open(dir.path + "\\dades\\FINQUESV.DAT"), 0);
    // Trailing blanks of the key buffer are not part of the path.
    Handle h2;
    EXPECT_EQ(h2.Open(dir.path + "/DADES/FinquesV.dat   "), 0);
}
