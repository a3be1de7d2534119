// Locks and writes across real processes: the recman tool plays the other program of the
// suite. Processes are synchronised through the tool's "locked" line, never by sleeping.
#include "recman_helpers.h"

#include "platform/system.h"

#include <chrono>
#include <fstream>

using namespace rmtest;

namespace {

struct SharedFile : ::testing::Test {
    ScratchDir dir;
    std::string path = dir / "shared.dat";
    Handle h;
    uint32_t pos[3] = {};
    void SetUp() override {
        SpecBuilder b;
        b.Record(16).Key({{1, 4, kKeyBinary}});
        ASSERT_EQ(CreateFile(path, b.Bytes()), 0);
        ASSERT_EQ(h.Open(path), 0);
        for (uint32_t i = 0; i < 3; ++i) {
            ASSERT_EQ(h.Insert(Record(i + 1)), 0);
            pos[i] = h.Position();
        }
    }
    static std::string Record(uint32_t id) { return Fixed(Le32(id) + "record", 16); }
    // Starts `recman lock` and waits until it holds what it was asked for.
    void Hold(Child& child, std::vector<std::string> how, int seconds = 60) {
        std::vector<std::string> args = {"lock", path};
        args.insert(args.end(), how.begin(), how.end());
        args.push_back("--hold");
        args.push_back(std::to_string(seconds));
        Start(child, args);
        std::string line;
        ASSERT_TRUE(child.ReadLine(line)) << "the lock holder ended early";
        ASSERT_EQ(line, "locked");
    }
    int TryHold(std::vector<std::string> how) {
        std::vector<std::string> args = {"lock", path};
        args.insert(args.end(), how.begin(), how.end());
        args.push_back("--hold");
        args.push_back("0");
        return RunTool(args);
    }
};

} // namespace

TEST_F(SharedFile, LockedRecordGives84AndNothingMoves) {
    Child other;
    Hold(other, {"--position", std::to_string(pos[1])});

    ASSERT_EQ(h.Get(kOpGetFirst, 0), 0);
    std::string data = h.data;
    auto key = h.key;
    // A locked read of the held record: 84, and buffers and place stay as they were.
    int32_t length = 16;
    EXPECT_EQ(
        BTRCALL(kOpGetNext + kSingleNoWait, h.block, h.data.data(), &length, h.key.data(), 255, 0),
        kRecordInUse);
    EXPECT_EQ(h.data, data);
    EXPECT_EQ(h.key, key);
    EXPECT_EQ(h.Position(), pos[0]);
    // Reads without a lock go through.
    ASSERT_EQ(h.Get(kOpGetEqual, 0, Le32(2)), 0);
    EXPECT_EQ(h.Record(), Record(2));
    // Writes of the held record wait for no one: 84.
    EXPECT_EQ(h.Update(Record(2)), kRecordInUse);
    EXPECT_EQ(h.Delete(), kRecordInUse);
    // Other records are free.
    EXPECT_EQ(h.Get(kOpGetEqual + kSingleNoWait, 0, Le32(3)), 0);

    // The holder dies: its lock goes with it, at once.
    other.Kill();
    EXPECT_EQ(h.Direct(pos[1], 0, kSingleNoWait), 0);
    EXPECT_EQ(h.Update(Fixed(Le32(2) + "changed", 16)), 0);
}

TEST_F(SharedFile, SingleLockMovesWithTheNextLockedRead) {
    ASSERT_EQ(h.Get(kOpGetEqual + kSingleNoWait, 0, Le32(1)), 0);
    EXPECT_NE(TryHold({"--position", std::to_string(pos[0])}), 0);
    // A plain read keeps the lock.
    ASSERT_EQ(h.Get(kOpGetEqual, 0, Le32(2)), 0);
    EXPECT_NE(TryHold({"--position", std::to_string(pos[0])}), 0);
    // The next locked read takes the other record and lets the first go.
    ASSERT_EQ(h.Get(kOpGetEqual + kSingleNoWait, 0, Le32(2)), 0);
    EXPECT_EQ(TryHold({"--position", std::to_string(pos[0])}), 0);
    EXPECT_NE(TryHold({"--position", std::to_string(pos[1])}), 0);
    // Through Get Equal by key value as well.
    EXPECT_NE(TryHold({"--key", "0:hex:02000000"}), 0);
    EXPECT_EQ(TryHold({"--key", "0:hex:03000000"}), 0);
    // Unlock and Close release it.
    EXPECT_EQ(BTRCALL(kOpUnlock, h.block, nullptr, nullptr, nullptr, 0, 0), 0);
    EXPECT_EQ(TryHold({"--position", std::to_string(pos[1])}), 0);
    ASSERT_EQ(h.Get(kOpGetEqual + kSingleNoWait, 0, Le32(3)), 0);
    h.Close();
    EXPECT_EQ(TryHold({"--position", std::to_string(pos[2])}), 0);
}

TEST_F(SharedFile, WaitBiasWaitsUntilTheHolderLetsGo) {
    Child other;
    Hold(other, {"--position", std::to_string(pos[0])}, 1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(h.Get(kOpGetEqual + kSingleWait, 0, Le32(1)), 0);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GT(waited, std::chrono::milliseconds(300));
    EXPECT_EQ(h.Record(), Record(1));
    other.Wait();
}

TEST_F(SharedFile, ExclusiveOpensGive85BothWays) {
    h.Close();
    Child other;
    Hold(other, {"--exclusive"});
    Handle mine;
    EXPECT_EQ(mine.Open(path), kFileInUse);
    other.Kill();
    EXPECT_EQ(mine.Open(path), 0) << "free as soon as the holder is killed";
    EXPECT_NE(TryHold({"--exclusive"}), 0) << "no exclusive open while this one is open";
    mine.Close();
    EXPECT_EQ(TryHold({"--exclusive"}), 0);
}

TEST_F(SharedFile, WholeFileLockGives85ToLockedReadsAndWrites) {
    Child other;
    Hold(other, {"--file"});
    EXPECT_EQ(h.Get(kOpGetFirst + kSingleNoWait, 0), kFileInUse);
    EXPECT_EQ(h.Get(kOpGetFirst, 0), 0);
    EXPECT_EQ(h.Insert(Record(9)), kFileInUse);
    other.Kill();
    EXPECT_EQ(h.Get(kOpGetFirst + kSingleNoWait, 0), 0);
    EXPECT_EQ(h.Insert(Record(9)), 0);
}

namespace {

std::string HexRecord(uint32_t id) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02x%02x%02x%02x", id & 0xFF, (id >> 8) & 0xFF,
                  (id >> 16) & 0xFF, id >> 24);
    return std::string(buf) + "6c6f61646564202020202020"; // "loaded" and blanks: 16 bytes
}

int64_t RecordCount(Handle& h) {
    std::string stat = h.Stat();
    uint32_t n = 0;
    std::memcpy(&n, stat.data() + 6, 4);
    return n;
}

} // namespace

TEST_F(SharedFile, TwoProcessesInsertingAtOnceLoseNothing) {
    const uint32_t each = 1500;
    for (int p = 0; p < 2; ++p) {
        std::ofstream out(dir / ("in" + std::to_string(p) + ".hex"));
        for (uint32_t i = 0; i < each; ++i)
            out << HexRecord(1000 + p * each + i) << "\n";
    }
    Child a, b;
    Start(a, {"load", path, "--hex"}, dir / "in0.hex");
    Start(b, {"load", path, "--hex"}, dir / "in1.hex");
    EXPECT_EQ(a.Wait(), 0);
    EXPECT_EQ(b.Wait(), 0);
    EXPECT_EQ(RecordCount(h), 3 + 2 * each);
    for (uint32_t id = 1000; id < 1000 + 2 * each; id += 97)
        EXPECT_EQ(h.Get(kOpGetEqual, 0, Le32(id)), 0) << id;
    EXPECT_EQ(RunTool({"check", path}), 0);
}

TEST_F(SharedFile, KilledLoadLeavesASoundFileWithEveryCommittedRecord) {
    const uint32_t total = 400000;
    {
        std::ofstream out(dir / "big.raw", std::ios::binary);
        for (uint32_t i = 0; i < total; ++i)
            out << Fixed(Le32(100 + i) + "bulk", 16);
    }
    Child load;
    Start(load, {"load", path}, dir / "big.raw");
    // Kill it in the middle of its work.
    int64_t seen = 0;
    for (int i = 0; i < 3000 && seen < 2000; ++i) {
        platform::PauseMs(5);
        seen = RecordCount(h);
    }
    load.Kill();
    ASSERT_GE(seen, 2000) << "the load did not get going";
    int64_t kept = RecordCount(h) - 3;
    ASSERT_GE(kept, seen - 3);
    ASSERT_LT(kept, total) << "the load ended before it was killed; make the input larger";
    EXPECT_EQ(RunTool({"check", path}), 0);
    // The records kept are exactly the first ones of the input, whole.
    Handle fresh;
    ASSERT_EQ(fresh.Open(path), 0);
    ASSERT_EQ(fresh.Get(kOpGetEqual, 0, Le32(100)), 0);
    int64_t n = 1;
    uint32_t expected = 101;
    while (fresh.Again(kOpGetNext, 0) == 0) {
        ASSERT_EQ(fresh.Record(), Fixed(Le32(expected) + "bulk", 16));
        ++expected;
        ++n;
    }
    EXPECT_EQ(n, kept);
}

TEST_F(SharedFile, KeyWalksSeeWhatOtherProgramsWroteMeanwhile) {
    for (uint32_t id = 10; id < 40; id += 2)
        ASSERT_EQ(h.Insert(Record(id)), 0);
    ASSERT_EQ(h.Get(kOpGetEqual, 0, Le32(10)), 0);
    ASSERT_EQ(h.Again(kOpGetNext, 0), 0);
    EXPECT_EQ(h.data.substr(0, 4), Le32(12));
    // Another program inserts 13 and 15 while this walk is under way.
    {
        std::ofstream out(dir / "two.hex");
        out << HexRecord(13) << "\n" << HexRecord(15) << "\n";
    }
    ASSERT_EQ(RunTool({"load", path, "--hex"}, dir / "two.hex"), 0);
    std::vector<uint32_t> ids;
    for (int i = 0; i < 4 && h.Again(kOpGetNext, 0) == 0; ++i) {
        uint32_t id;
        std::memcpy(&id, h.data.data(), 4);
        ids.push_back(id);
    }
    EXPECT_EQ(ids, (std::vector<uint32_t>{13, 14, 15, 16}));
    // A write through another block of this process shows as well.
    Handle other;
    ASSERT_EQ(other.Open(path), 0);
    ASSERT_EQ(other.Get(kOpGetEqual, 0, Le32(20)), 0);
    ASSERT_EQ(other.Delete(), 0);
    ASSERT_EQ(h.Again(kOpGetNext, 0), 0);
    EXPECT_EQ(h.data.substr(0, 4), Le32(18));
    ASSERT_EQ(h.Again(kOpGetNext, 0), 0);
    EXPECT_EQ(h.data.substr(0, 4), Le32(22));
    ASSERT_EQ(h.Again(kOpGetPrevious, 0), 0);
    EXPECT_EQ(h.data.substr(0, 4), Le32(18));
}

TEST_F(SharedFile, LockedNextRetriedAfterTheHolderEndsReturnsTheSameRecord) {
    Child other;
    Hold(other, {"--position", std::to_string(pos[1])});
    ASSERT_EQ(h.Get(kOpGetFirst + kSingleNoWait, 0), 0);
    EXPECT_EQ(h.Again(kOpGetNext + kSingleNoWait, 0), kRecordInUse);
    EXPECT_EQ(h.Again(kOpGetNext + kSingleNoWait, 0), kRecordInUse);
    // The failed reads kept this block's lock on the first record.
    EXPECT_NE(TryHold({"--position", std::to_string(pos[0])}), 0);
    other.Kill();
    ASSERT_EQ(h.Again(kOpGetNext + kSingleNoWait, 0), 0);
    EXPECT_EQ(h.Record(), Record(2));
    EXPECT_EQ(TryHold({"--position", std::to_string(pos[0])}), 0) << "the lock moved on";
}
