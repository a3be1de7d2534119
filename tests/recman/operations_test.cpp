// Reads, writes and currency within one process: key order, duplicates, positioning,
// buffers, key types, null keys, query plans, position blocks and owner names.
#include "recman_helpers.h"

#include "recman/store.h"

#include "platform/system.h"

#include <algorithm>
#include <map>
#include <random>

using namespace rmtest;

namespace {

// Records of 32 bytes: a 4-byte binary number (unique key 0) and a 10-byte name (key 1,
// duplicates, modifiable) and free text.
struct PeopleFile : ::testing::Test {
    ScratchDir dir;
    std::string path = dir / "people.dat";
    Handle h;
    void SetUp() override {
        SpecBuilder b;
        b.Record(32).Key({{1, 4, kKeyBinary}}).Key({{5, 10, kKeyDup | kKeyMod}});
        ASSERT_EQ(CreateFile(path, b.Bytes()), 0);
        ASSERT_EQ(h.Open(path), 0);
    }
    static std::string Person(uint32_t id, const std::string& name, const std::string& note = "") {
        return Fixed(Le32(id) + Fixed(name, 10) + note, 32);
    }
    static uint32_t Id(const std::string& record) {
        uint32_t id = 0;
        std::memcpy(&id, record.data(), 4);
        return id;
    }
    // Walks key `key` from the current place with op until it stops; the ids met.
    std::vector<uint32_t> Walk(int16_t op, int8_t key) {
        std::vector<uint32_t> ids;
        while (h.Again(op, key) == 0)
            ids.push_back(Id(h.Record()));
        return ids;
    }
};

} // namespace

TEST_F(PeopleFile, DuplicatesComeBackInInsertionOrderBothWays) {
    // Ids inserted out of order; names with duplicates.
    const std::vector<std::pair<uint32_t, std::string>> people = {
        {50, "MARTI"}, {10, "ROCA"}, {40, "MARTI"}, {20, "ABAD"}, {30, "MARTI"}, {60, "ROCA"}};
    for (const auto& [id, name] : people)
        ASSERT_EQ(h.Insert(Person(id, name)), 0);

    // Get Greater or Equal with an all-zero key: the first record of the key.
    ASSERT_EQ(h.Get(kOpGetGreaterOrEqual, 1, std::string(10, '\0')), 0);
    EXPECT_EQ(Id(h.Record()), 20u);
    EXPECT_EQ(std::string(h.key.data(), 10), Fixed("ABAD", 10)) << "key value returned";
    std::vector<uint32_t> forward = Walk(kOpGetNext, 1);
    EXPECT_EQ(forward, (std::vector<uint32_t>{50, 40, 30, 10, 60}));
    EXPECT_EQ(h.Again(kOpGetNext, 1), kEndOfFile);
    std::vector<uint32_t> back = Walk(kOpGetPrevious, 1);
    EXPECT_EQ(back, (std::vector<uint32_t>{10, 30, 40, 50, 20}));

    // Changing direction in the middle of a group neither skips nor repeats.
    ASSERT_EQ(h.Get(kOpGetEqual, 1, Fixed("MARTI", 10)), 0);
    EXPECT_EQ(Id(h.Record()), 50u) << "Get Equal lands on the first duplicate";
    ASSERT_EQ(h.Again(kOpGetNext, 1), 0);
    EXPECT_EQ(Id(h.Record()), 40u);
    ASSERT_EQ(h.Again(kOpGetPrevious, 1), 0);
    EXPECT_EQ(Id(h.Record()), 50u);
    ASSERT_EQ(h.Again(kOpGetNext, 1), 0);
    EXPECT_EQ(Id(h.Record()), 40u);

    // An Update that changes the name moves the record to the end of its new group.
    ASSERT_EQ(h.Get(kOpGetEqual, 1, Fixed("ABAD", 10)), 0);
    ASSERT_EQ(h.Update(Person(20, "MARTI"), 1), 0);
    ASSERT_EQ(h.Get(kOpGetEqual, 1, Fixed("MARTI", 10)), 0);
    std::vector<uint32_t> group = {Id(h.Record())};
    for (uint32_t id : Walk(kOpGetNext, 1))
        group.push_back(id);
    EXPECT_EQ(group, (std::vector<uint32_t>{50, 40, 30, 20, 10, 60}));
}

TEST_F(PeopleFile, KeyedGetsFindTheRightRecordOrStatus) {
    for (uint32_t id : {10u, 20u, 20u + 10, 40u})
        ASSERT_EQ(h.Insert(Person(id, "X" + std::to_string(id))), 0);
    ASSERT_EQ(h.Insert(Person(25, "DUP")), 0);
    ASSERT_EQ(h.Insert(Person(26, "DUP")), 0);
    struct Case {
        int16_t op;
        int8_t key;
        std::string value;
        int16_t status;
        uint32_t id;
    };
    const std::vector<Case> cases = {
        {kOpGetEqual, 0, Le32(20), 0, 20},
        {kOpGetEqual, 0, Le32(21), kKeyNotFound, 0},
        {kOpGetGreater, 0, Le32(20), 0, 25},
        {kOpGetGreaterOrEqual, 0, Le32(21), 0, 25},
        {kOpGetGreaterOrEqual, 0, Le32(41), kEndOfFile, 0},
        {kOpGetLess, 0, Le32(20), 0, 10},
        {kOpGetLess, 0, Le32(10), kEndOfFile, 0},
        {kOpGetLessOrEqual, 0, Le32(26), 0, 26},
        {kOpGetLessOrEqual, 0, Le32(29), 0, 26},
        // Binary key: compared as a little-endian number, so 256 sorts after 40.
        {kOpGetLessOrEqual, 0, Le32(256), 0, 40},
        {kOpGetFirst, 0, "", 0, 10},
        {kOpGetLast, 0, "", 0, 40},
        {kOpGetLast, 1, "", 0, 40},
        // Get Less or Equal on an equal duplicate value: its first duplicate.
        {kOpGetLessOrEqual, 1, Fixed("DUP", 10), 0, 25},
        // A smaller value: the last duplicate of the largest smaller value.
        {kOpGetLessOrEqual, 1, Fixed("DUQ", 10), 0, 26},
        {kOpGetLess, 1, Fixed("X10", 10), 0, 26},
        {kOpGetEqual, 2, Le32(10), kInvalidKeyNumber, 0},
        {kOpGetEqual, -1, Le32(10), kInvalidKeyNumber, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "op " << c.op << " key " << int(c.key));
        ASSERT_EQ(h.Get(c.op, c.key, c.value), c.status);
        if (c.status == 0) {
            EXPECT_EQ(Id(h.Record()), c.id);
            EXPECT_EQ(h.dataLength, 32);
        }
    }
    // A key length shorter than the key: 21 for the Gets that read a key value.
    EXPECT_EQ(h.Get(kOpGetEqual, 1, "DUP"), kKeyBufferTooShort);
    // Get Key (+50): positions and returns the key, leaves the data buffer alone.
    ASSERT_EQ(h.Get(kOpGetEqual + kGetKeyOnly, 0, Le32(30)), 0);
    EXPECT_EQ(h.data, std::string(1536, ' '));
    ASSERT_EQ(h.Again(kOpGetNext, 0), 0);
    EXPECT_EQ(Id(h.Record()), 40u);
}

TEST_F(PeopleFile, FailedReadsChangeNothing) {
    ASSERT_EQ(h.Insert(Person(1, "A")), 0);
    ASSERT_EQ(h.Insert(Person(2, "B")), 0);
    ASSERT_EQ(h.Get(kOpGetLast, 0), 0);
    std::string data = h.data;
    auto key = h.key;
    int32_t length = h.dataLength;
    // End of file: buffers as they were, and the place kept (Previous still works).
    EXPECT_EQ(BTRCALL(kOpGetNext, h.block, h.data.data(), &h.dataLength, h.key.data(), 255, 0),
              kEndOfFile);
    EXPECT_EQ(h.data, data);
    EXPECT_EQ(h.key, key);
    EXPECT_EQ(h.dataLength, length);
    ASSERT_EQ(h.Again(kOpGetPrevious, 0), 0);
    EXPECT_EQ(Id(h.Record()), 1u);
    // Next on another key than the current one: 7; without any place: 8.
    EXPECT_EQ(h.Again(kOpGetNext, 1), kDifferentKeyNumber);
    Handle fresh;
    ASSERT_EQ(fresh.Open(path), 0);
    EXPECT_EQ(fresh.Again(kOpGetNext, 0), kInvalidPositioning);
    int16_t st = 0;
    EXPECT_EQ(fresh.Position(&st), 0u);
    EXPECT_EQ(st, kInvalidPositioning);
}

TEST_F(PeopleFile, GetDirectAndDeleteKeepTheLogicalPlace) {
    for (uint32_t id = 1; id <= 5; ++id)
        ASSERT_EQ(h.Insert(Person(id * 10, "N")), 0);
    ASSERT_EQ(h.Get(kOpGetEqual, 0, Le32(30)), 0);
    uint32_t pos30 = h.Position();
    ASSERT_NE(pos30, 0u);
    ASSERT_EQ(h.Get(kOpGetFirst, 0), 0);

    // Get Direct with key length 0: the record and its full key; Next goes on from it.
    ASSERT_EQ(h.Direct(pos30, 0), 0);
    EXPECT_EQ(Id(h.Record()), 30u);
    EXPECT_EQ(std::string(h.key.data(), 4), Le32(30));
    ASSERT_EQ(h.Again(kOpGetNext, 0, 0), 0);
    EXPECT_EQ(Id(h.Record()), 40u);
    // Get Direct on key 1 (duplicates): Next follows in that key's order.
    ASSERT_EQ(h.Direct(pos30, 1), 0);
    ASSERT_EQ(h.Again(kOpGetNext, 1, 0), 0);
    EXPECT_EQ(Id(h.Record()), 40u);

    // Delete the current record: Next gives the following one, Get Position has nothing.
    ASSERT_EQ(h.Get(kOpGetEqual, 0, Le32(30)), 0);
    ASSERT_EQ(h.Delete(), 0);
    int16_t st = 0;
    h.Position(&st);
    EXPECT_EQ(st, kInvalidPositioning);
    EXPECT_EQ(h.Delete(), kInvalidPositioning);
    ASSERT_EQ(h.Again(kOpGetNext, 0), 0);
    EXPECT_EQ(Id(h.Record()), 40u);
    ASSERT_EQ(h.Again(kOpGetPrevious, 0), 0);
    EXPECT_EQ(Id(h.Record()), 20u);
    // A deleted position is never a record again.
    EXPECT_EQ(h.Direct(pos30, 0), kInvalidRecordAddress);
    EXPECT_EQ(h.Direct(0, 0), kInvalidRecordAddress);
    EXPECT_EQ(h.Direct(pos30 + 1000, 0), kInvalidRecordAddress);
    ASSERT_EQ(h.Insert(Person(30, "N")), 0);
    EXPECT_GT(h.Position(), pos30 + 1);

    // Step operations go in position order and leave no logical place.
    ASSERT_EQ(h.Again(kOpStepFirst, 0), 0);
    EXPECT_EQ(Id(h.Record()), 10u);
    ASSERT_EQ(h.Again(kOpStepNext, 0), 0);
    EXPECT_EQ(Id(h.Record()), 20u);
    EXPECT_EQ(h.Again(kOpGetNext, 0), kInvalidPositioning);
    ASSERT_EQ(h.Again(kOpStepLast, 0), 0);
    EXPECT_EQ(Id(h.Record()), 30u);
    EXPECT_EQ(h.Again(kOpStepNext, 0), kEndOfFile);
}

TEST_F(PeopleFile, WritesCheckKeysAndConflicts) {
    ASSERT_EQ(h.Insert(Person(1, "A")), 0);
    EXPECT_EQ(h.Insert(Person(1, "B")), kDuplicateKey);
    EXPECT_EQ(h.Insert(Person(2, "B").substr(0, 31)), kDataBufferTooShort);
    ASSERT_EQ(h.Insert(Person(2, "B")), 0);
    EXPECT_EQ(std::string(h.key.data(), 4), Le32(2)) << "Insert returns the key";

    ASSERT_EQ(h.Get(kOpGetEqual, 0, Le32(1)), 0);
    EXPECT_EQ(h.Update(Person(3, "A")), kModifiableKeyError) << "key 0 may not change";
    EXPECT_EQ(h.Update(Person(1, "A"), 1), kDifferentKeyNumber);
    ASSERT_EQ(h.Update(Person(1, "B", "note")), 0) << "key 1 may change";
    ASSERT_EQ(h.Get(kOpGetEqual, 0, Le32(1)), 0);
    EXPECT_EQ(h.Record(), Person(1, "B", "note"));

    // Another position block changes the record after this one read it: 80.
    Handle other;
    ASSERT_EQ(other.Open(path), 0);
    ASSERT_EQ(other.Get(kOpGetEqual, 0, Le32(1)), 0);
    ASSERT_EQ(h.Update(Person(1, "C")), 0);
    EXPECT_EQ(other.Update(Person(1, "D")), kConflict);
    EXPECT_EQ(other.Delete(), kConflict);
    ASSERT_EQ(other.Get(kOpGetEqual, 0, Le32(1)), 0);
    EXPECT_EQ(other.Delete(), 0);
    EXPECT_EQ(h.Update(Person(1, "E")), kConflict) << "deleted meanwhile";

    // Read-only opens refuse writes.
    Handle reader;
    ASSERT_EQ(reader.Open(path, kOpenReadOnly), 0);
    EXPECT_EQ(reader.Insert(Person(9, "R")), kAccessDenied);
}

TEST_F(PeopleFile, PositionBlocksThatAreNotOpenGiveStatus3) {
    ASSERT_EQ(h.Insert(Person(1, "A")), 0);
    uint8_t forged[128];
    std::mt19937 rng(3);
    for (int round = 0; round < 50; ++round) {
        for (uint8_t& b : forged)
            b = static_cast<uint8_t>(rng());
        if (round % 2) std::memcpy(forged, h.block, 16), forged[4 + round % 12] ^= 1 + round;
        int32_t length = 1536;
        std::string data(1536, ' ');
        char key[256] = {};
        EXPECT_EQ(BTRCALL(kOpGetFirst, forged, data.data(), &length, key, 255, 0), kFileNotOpen);
    }
    uint8_t copy[128];
    std::memcpy(copy, h.block, 128);
    h.Close();
    int32_t length = 1536;
    std::string data(1536, ' ');
    char key[256] = {};
    EXPECT_EQ(BTRCALL(kOpGetFirst, copy, data.data(), &length, key, 255, 0), kFileNotOpen);
    // A new open reusing the slot does not revive the old block.
    Handle again;
    ASSERT_EQ(again.Open(path), 0);
    EXPECT_EQ(BTRCALL(kOpGetFirst, copy, data.data(), &length, key, 255, 0), kFileNotOpen);
    // Reset with a blank block closes everything.
    std::string blanks(128, ' ');
    EXPECT_EQ(BTRCALL(kOpReset, blanks.data(), nullptr, &length, nullptr, 0, 0), 0);
    EXPECT_EQ(again.Get(kOpGetFirst, 0), kFileNotOpen);
    again.isOpen = false;
    EXPECT_EQ(BTRCALL(99, again.block, nullptr, nullptr, nullptr, 0, 0), kInvalidOperation);
}

TEST_F(PeopleFile, SameProcessBlocksShareRecordLocks) {
    ASSERT_EQ(h.Insert(Person(1, "A")), 0);
    ASSERT_EQ(h.Insert(Person(2, "B")), 0);
    Handle other;
    ASSERT_EQ(other.Open(path), 0);
    EXPECT_EQ(h.Get(kOpGetEqual + kSingleNoWait, 0, Le32(1)), 0);
    EXPECT_EQ(other.Get(kOpGetEqual + kSingleNoWait, 0, Le32(1)), 0);
    EXPECT_EQ(other.Update(Person(1, "Z")), 0);
    // Single and multiple locks do not mix on one block; unlocking what is not held: 81.
    EXPECT_EQ(h.Get(kOpGetEqual + kMultipleNoWait, 0, Le32(2)), kIncompatibleLockType);
    uint32_t pos = 0;
    ASSERT_EQ(other.Get(kOpGetEqual + kMultipleNoWait, 0, Le32(2)), 0);
    pos = other.Position();
    int32_t length = 4;
    std::string p = Le32(pos);
    EXPECT_EQ(BTRCALL(kOpUnlock, other.block, p.data(), &length, nullptr, 0, -1), 0);
    EXPECT_EQ(BTRCALL(kOpUnlock, other.block, p.data(), &length, nullptr, 0, -1), kLockError);
    EXPECT_EQ(BTRCALL(kOpUnlock, h.block, nullptr, nullptr, nullptr, 0, 0), 0);
    EXPECT_EQ(BTRCALL(kOpUnlock, h.block, nullptr, nullptr, nullptr, 0, 0), kLockError);
}

TEST(RecmanKeys, EveryKeyTypeSortsByValue) {
    ScratchDir dir;
    auto le = [](int64_t v, int n) {
        std::string s(n, '\0');
        for (int i = 0; i < n; ++i)
            s[i] = static_cast<char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF);
        return s;
    };
    auto f64 = [](double d) {
        std::string s(8, '\0');
        std::memcpy(s.data(), &d, 8);
        return s;
    };
    auto date = [](int y, int m, int d) {
        return std::string{static_cast<char>(d), static_cast<char>(m), static_cast<char>(y & 0xFF),
                           static_cast<char>(y >> 8)};
    };
    auto lstr = [](const std::string& t, int n) {
        std::string s(1, static_cast<char>(t.size()));
        s += t;
        s.resize(n, 'x'); // bytes past the length do not count
        return s;
    };
    auto zstr = [](const std::string& t, int n) {
        std::string s = t;
        s.push_back('\0');
        s.resize(n, 'q'); // bytes past the zero do not count
        return s;
    };
    std::array<uint8_t, 256> fold;
    for (int i = 0; i < 256; ++i)
        fold[i] = static_cast<uint8_t>(i >= 'a' && i <= 'z' ? i - 32 : i);
    struct Case {
        const char* what;
        SegmentDesc seg;
        std::vector<std::string> ascending; // field values, in the order they must come back
        bool withAcs = false;
    };
    const std::vector<Case> cases = {
        {"integer",
         {1, 4, kKeyExtType, kTypeInteger},
         {le(INT32_MIN, 4), le(-300, 4), le(-1, 4), le(0, 4), le(255, 4), le(256, 4),
          le(INT32_MAX, 4)}},
        {"unsigned",
         {1, 2, kKeyExtType, kTypeUnsigned},
         {le(0, 2), le(1, 2), le(255, 2), le(256, 2), le(65535, 2)}},
        {"old binary", {1, 4, kKeyBinary}, {le(1, 4), le(255, 4), le(256, 4), le(70000, 4)}},
        {"float",
         {1, 8, kKeyExtType, kTypeFloat},
         {f64(-1e10), f64(-2.5), f64(-0.5), f64(0), f64(0.25), f64(3), f64(1e10)}},
        {"date",
         {1, 4, kKeyExtType, kTypeDate},
         {date(1999, 12, 31), date(2000, 1, 1), date(2000, 2, 1), date(2024, 1, 31)}},
        {"zstring",
         {1, 6, kKeyExtType, kTypeZString},
         {zstr("", 6), zstr("A", 6), zstr("AB", 6), zstr("B", 6)}},
        {"lstring",
         {1, 6, kKeyExtType, kTypeLString},
         {lstr("", 6), lstr("A", 6), lstr("A\x01", 6), lstr("AB", 6), lstr("B", 6)}},
        {"descending string", {1, 3, kKeyDescending}, {"ZZZ", "ZA ", "B  ", "AAA"}},
        {"case-blind string", {1, 3, kKeyNoCase | kKeyDup}, {"abc", "ABD", "abe", "Abf"}},
        {"alternate sequence", {1, 3, kKeyAlt}, {"abc", "ABD", "abe", "Abf"}, true},
        {"decimal",
         {1, 3, kKeyExtType, kTypeDecimal},
         {std::string("\x99\x99\x9D", 3), std::string("\x00\x01\x0D", 3),
          std::string("\x00\x00\x0C", 3), std::string("\x00\x01\x0C", 3),
          std::string("\x12\x34\x5C", 3)}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SpecBuilder b;
        b.Record(16).Key({c.seg});
        if (c.withAcs) b.Acs(fold);
        std::string path = dir / ("k" + std::to_string(n++) + ".dat");
        ASSERT_EQ(CreateFile(path, b.Bytes()), 0);
        Handle h;
        ASSERT_EQ(h.Open(path), 0);
        std::vector<size_t> order(c.ascending.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::reverse(order.begin(), order.end());
        std::rotate(order.begin(), order.begin() + order.size() / 2, order.end());
        for (size_t i : order) {
            std::string record = Fixed(c.ascending[i], 16);
            record[15] = static_cast<char>('a' + i);
            ASSERT_EQ(h.Insert(record), 0) << i;
        }
        std::vector<size_t> seen;
        if (h.Get(kOpGetFirst, 0) == 0) {
            seen.push_back(static_cast<size_t>(h.data[15] - 'a'));
            while (h.Again(kOpGetNext, 0) == 0)
                seen.push_back(static_cast<size_t>(h.data[15] - 'a'));
        }
        std::vector<size_t> expected(c.ascending.size());
        for (size_t i = 0; i < expected.size(); ++i)
            expected[i] = i;
        EXPECT_EQ(seen, expected);
        // An exact Get Equal finds every value.
        for (size_t i = 0; i < c.ascending.size(); ++i) {
            ASSERT_EQ(h.Get(kOpGetEqual, 0, c.ascending[i]), 0) << i;
            EXPECT_EQ(h.data[15], static_cast<char>('a' + i));
        }
    }
}

TEST(RecmanKeys, AutoIncrementAndNullKeys) {
    ScratchDir dir;
    SpecBuilder b;
    b.Record(16)
        .Key({{1, 4, kKeyExtType, kTypeAutoIncrement}})
        .Key({{5, 4, kKeyDup | kKeyNullAll | kKeyMod, 0, ' '}});
    std::string path = dir / "auto.dat";
    ASSERT_EQ(CreateFile(path, b.Bytes()), 0);
    Handle h;
    ASSERT_EQ(h.Open(path), 0);
    ASSERT_EQ(h.Insert(Fixed(Le32(0) + "AAAA", 16)), 0);
    EXPECT_EQ(h.data.substr(0, 4), Le32(1)) << "the assigned number comes back";
    ASSERT_EQ(h.Insert(Fixed(Le32(10) + "    ", 16)), 0);
    ASSERT_EQ(h.Insert(Fixed(Le32(0) + "BBBB", 16)), 0);
    EXPECT_EQ(h.data.substr(0, 4), Le32(11));
    uint32_t blankPos = 0;
    ASSERT_EQ(h.Get(kOpGetEqual, 0, Le32(10)), 0);
    blankPos = h.Position();

    // The blank name is left out of key 1: its walk sees two records.
    std::vector<std::string> names;
    ASSERT_EQ(h.Get(kOpGetFirst, 1), 0);
    names.push_back(h.data.substr(4, 4));
    while (h.Again(kOpGetNext, 1) == 0)
        names.push_back(h.data.substr(4, 4));
    EXPECT_EQ(names, (std::vector<std::string>{"AAAA", "BBBB"}));
    EXPECT_EQ(h.Get(kOpGetEqual, 1, "    "), kKeyNotFound);
    // Reached directly on that key, it has no place in it: Next gives 44.
    ASSERT_EQ(h.Direct(blankPos, 1), 0);
    EXPECT_EQ(h.Again(kOpGetNext, 1), kNullKeyPath);
    // Given a name, it joins the key.
    ASSERT_EQ(h.Update(Fixed(Le32(10) + "AAAB", 16), 1), 0);
    ASSERT_EQ(h.Get(kOpGetEqual, 1, "AAAB"), 0);
    EXPECT_EQ(h.data.substr(0, 4), Le32(10));
}

TEST(RecmanKeys, VariableLengthRecordsLongerThanTheBuffer) {
    ScratchDir dir;
    SpecBuilder b;
    b.Record(8).Key({{1, 4, kKeyBinary}});
    b.fileFlags = kFileVariable;
    std::string path = dir / "var.dat";
    ASSERT_EQ(CreateFile(path, b.Bytes()), 0);
    Handle h;
    ASSERT_EQ(h.Open(path), 0);
    ASSERT_EQ(h.Insert(Le32(1) + "abcd"), 0);
    ASSERT_EQ(h.Insert(Le32(2) + "abcd" + std::string(100, 'v')), 0);
    ASSERT_EQ(h.Insert(Le32(3) + "efgh"), 0);
    ASSERT_EQ(h.Get(kOpGetEqual, 0, Le32(2), 8), kDataBufferTooShort);
    EXPECT_EQ(h.dataLength, 8);
    EXPECT_EQ(h.data.substr(0, 8), Le32(2) + "abcd");
    EXPECT_EQ(h.data[8], ' ') << "nothing written past the length given";
    ASSERT_EQ(h.Again(kOpGetNext, 0), 0) << "the place was set";
    EXPECT_EQ(h.Record(), Le32(3) + "efgh");
    ASSERT_EQ(h.Get(kOpGetEqual, 0, Le32(2)), 0);
    EXPECT_EQ(h.dataLength, 108);
}

TEST(RecmanKeys, EverySeekIsAnIndexSearchWithoutSorting) {
    ScratchDir dir;
    SpecBuilder b;
    b.Record(32).Key({{1, 4, kKeyBinary}}).Key({{5, 10, kKeyDup}, {15, 2, kKeyDup | kKeyBinary}});
    std::string path = dir / "plan.dat";
    ASSERT_EQ(CreateFile(path, b.Bytes()), 0);
    {
        Handle h;
        ASSERT_EQ(h.Open(path), 0);
        for (uint32_t i = 0; i < 200; ++i)
            ASSERT_EQ(h.Insert(Fixed(Le32(i) + Fixed("N" + std::to_string(i % 7), 10), 32)), 0);
    }
    recman::Store store;
    ASSERT_EQ(recman::OpenStore(path, store), 0);
    using recman::Seek;
    for (int key = 0; key < 2; ++key)
        for (Seek seek : {Seek::Equal, Seek::Greater, Seek::GreaterOrEqual, Seek::Less, Seek::First,
                          Seek::Last, Seek::Next, Seek::Previous}) {
            std::string plan = recman::SeekPlan(store, key, seek);
            SCOPED_TRACE(plan);
            EXPECT_NE(plan.find("USING INDEX rec_k" + std::to_string(key)), std::string::npos);
            EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos);
            EXPECT_EQ(plan.find("SCAN"), std::string::npos);
        }
    recman::CloseStore(store);
}

TEST(RecmanKeys, OrderMatchesTheDataLayersCompareForm) {
    // The browse lists compare key values in the form the data layer computes from Stat:
    // binary segments reversed (zero-extended), alternate-sequence segments translated,
    // others as they are. Walking the key must give those forms in ascending order.
    ScratchDir dir;
    std::array<uint8_t, 256> acs;
    for (int i = 0; i < 256; ++i)
        acs[i] = static_cast<uint8_t>(i);
    for (int c = 'a'; c <= 'z'; ++c)
        acs[c] = static_cast<uint8_t>(c - 32);
    acs[0x87] = 'C'; // the c with cedilla sorts as C
    acs[0x80] = 'C';
    SpecBuilder b;
    b.Record(24).Key({{1, 2, kKeyBinary | kKeyDup}, {3, 6, kKeyAlt | kKeyDup}, {9, 3, kKeyDup}});
    b.Acs(acs);
    std::string path = dir / "browse.dat";
    ASSERT_EQ(CreateFile(path, b.Bytes()), 0);
    Handle h;
    ASSERT_EQ(h.Open(path), 0);
    std::mt19937 rng(11);
    const std::string letters = "aAbBcC\x87\x80zZ ";
    for (int i = 0; i < 400; ++i) {
        std::string r(24, ' ');
        r[0] = static_cast<char>(rng() % 3);
        r[1] = static_cast<char>(rng() % 2);
        for (int j = 2; j < 8; ++j)
            r[j] = letters[rng() % letters.size()];
        for (int j = 8; j < 11; ++j)
            r[j] = static_cast<char>('0' + rng() % 3);
        ASSERT_EQ(h.Insert(r), 0);
    }
    std::string stat = h.Stat();
    auto compareForm = [&](std::string key) {
        // The data layer's algorithm, on the statistics.
        size_t segments = 3, f = 16 + 16 * segments;
        size_t g = 0;
        for (size_t s = 0; s < segments; ++s) {
            const auto* blk = reinterpret_cast<const uint8_t*>(stat.data()) + 16 + 16 * s;
            size_t len = blk[2] | (blk[3] << 8);
            uint16_t flags = static_cast<uint16_t>(blk[4] | (blk[5] << 8));
            if (flags & 0x04) {
                if (key.size() < g + len) key.resize(g + len, '\0');
                std::reverse(key.begin() + g, key.begin() + g + len);
            } else if (flags & 0x20) {
                for (size_t i = g; i < g + len && i < key.size(); ++i)
                    key[i] = stat[f + 9 + static_cast<uint8_t>(key[i])];
            }
            g += len;
        }
        return key;
    };
    std::vector<std::string> forms;
    ASSERT_EQ(h.Get(kOpGetFirst, 0), 0);
    forms.push_back(compareForm(std::string(h.key.data(), 11)));
    while (h.Again(kOpGetNext, 0) == 0)
        forms.push_back(compareForm(std::string(h.key.data(), 11)));
    ASSERT_EQ(forms.size(), 400u);
    EXPECT_TRUE(std::is_sorted(forms.begin(), forms.end()));
}

TEST(RecmanOwner, OwnerNamesProtectTheFile) {
    ScratchDir dir;
    std::string path = dir / "owned.dat";
    SpecBuilder b;
    b.Record(16).Key({{1, 4, kKeyBinary}});
    ASSERT_EQ(CreateFile(path, b.Bytes()), 0);
    auto setOwner = [&](Handle& h, const std::string& name, int8_t mode) {
        std::string d = name + '\0', k = d;
        int32_t length = static_cast<int32_t>(d.size());
        return BTRCALL(kOpSetOwner, h.block, d.data(), &length, k.data(),
                       static_cast<uint8_t>(k.size()), mode);
    };
    {
        Handle h;
        ASSERT_EQ(h.Open(path, 0, "ignored"), 0) << "a file without owner takes any name";
        ASSERT_EQ(h.Insert(Fixed(Le32(1), 16)), 0);
        ASSERT_EQ(setOwner(h, "K7Q2", 0), 0);
        EXPECT_EQ(setOwner(h, "OTHER", 0), kOwnerAlreadySet);
    }
    Handle h;
    EXPECT_EQ(h.Open(path, 0, "K7Q3"), kInvalidOwner);
    EXPECT_EQ(h.Open(path, 0, ""), kInvalidOwner);
    ASSERT_EQ(h.Open(path, 0, "K7Q2"), 0);
    // Read-only access without the name (mode 1).
    EXPECT_EQ(BTRCALL(kOpClearOwner, h.block, nullptr, nullptr, nullptr, 0, 0), 0);
    ASSERT_EQ(setOwner(h, "K7Q2", 1), 0);
    Handle reader;
    ASSERT_EQ(reader.Open(path, 0, "nope"), 0);
    EXPECT_EQ(reader.Get(kOpGetFirst, 0), 0);
    EXPECT_EQ(reader.Insert(Fixed(Le32(2), 16)), kAccessDenied);
    EXPECT_EQ(BTRCALL(kOpClearOwner, reader.block, nullptr, nullptr, nullptr, 0, 0), kAccessDenied);
}

TEST_F(PeopleFile, TransactionsCommitOrUndoTheirWritesTogether) {
    ASSERT_EQ(h.Insert(Person(1, "A")), 0);
    auto call = [](int16_t op) { return BTRCALL(op, nullptr, nullptr, nullptr, nullptr, 0, 0); };
    EXPECT_EQ(call(kOpEndTransaction), kNoTransaction);
    ASSERT_EQ(call(kOpBeginTransaction), 0);
    EXPECT_EQ(call(kOpBeginTransaction), kTransactionActive);
    ASSERT_EQ(h.Insert(Person(2, "B")), 0);
    EXPECT_EQ(h.Insert(Person(1, "dup")), kDuplicateKey) << "a failed write is undone alone";
    ASSERT_EQ(h.Insert(Person(3, "C")), 0);
    EXPECT_EQ(h.Close(), kTransactionError) << "closing would lose the writes";
    h.isOpen = true;
    ASSERT_EQ(call(kOpAbortTransaction), 0);
    EXPECT_EQ(h.Get(kOpGetEqual, 0, Le32(2)), kKeyNotFound);
    std::string stat = h.Stat();
    EXPECT_EQ(stat.substr(6, 4), Le32(1));

    ASSERT_EQ(call(kOpBeginTransaction), 0);
    ASSERT_EQ(h.Insert(Person(2, "B")), 0);
    ASSERT_EQ(h.Insert(Person(3, "C")), 0);
    ASSERT_EQ(call(kOpEndTransaction), 0);
    Handle other;
    ASSERT_EQ(other.Open(path), 0);
    EXPECT_EQ(other.Get(kOpGetEqual, 0, Le32(3)), 0);
    EXPECT_EQ(RunTool({"check", path}), 0);
}
