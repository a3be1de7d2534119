// The file's creation specification in the record manager's own layout (16-byte file block,
// 16 bytes per key segment, then the alternate collating sequences), parsed and checked, and
// the comparison forms of keys built from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace recman {

// File flags.
constexpr uint16_t kFileVariable = 0x0001;

// Key flags.
constexpr uint16_t kKeyDup = 0x0001;
constexpr uint16_t kKeyMod = 0x0002;
constexpr uint16_t kKeyBinary = 0x0004;
constexpr uint16_t kKeyNullAll = 0x0008;
constexpr uint16_t kKeySegmented = 0x0010;
constexpr uint16_t kKeyAlt = 0x0020;
constexpr uint16_t kKeyDescending = 0x0040;
constexpr uint16_t kKeyExtType = 0x0100;
constexpr uint16_t kKeyNullAny = 0x0200;
constexpr uint16_t kKeyNoCase = 0x0400;

// Extended key types accepted at Create.
enum KeyType : uint8_t {
    kTypeString = 0,
    kTypeInteger = 1,
    kTypeFloat = 2,
    kTypeDate = 3,
    kTypeTime = 4,
    kTypeDecimal = 5,
    kTypeMoney = 6,
    kTypeLogical = 7,
    kTypeLString = 10,
    kTypeZString = 11,
    kTypeUnsigned = 14,
    kTypeAutoIncrement = 15,
    kTypeOldString = 0xFE, // no extended type, binary flag clear
    kTypeOldBinary = 0xFF, // no extended type, binary flag set
};

constexpr int kFileBlockSize = 16;
constexpr int kSegmentBlockSize = 16;
constexpr int kAcsBlockSize = 265;
constexpr int kMaxKeyLength = 255;

struct Segment {
    uint16_t position = 1; // 1-based offset in the record
    uint16_t length = 0;
    uint16_t flags = 0;
    uint8_t type = kTypeOldString; // effective type, see KeyType
    uint8_t nullByte = 0;
    int acs = -1; // index of the collating sequence applied, -1 for none
    bool noCase = false;
    int formLength = 0; // bytes of this segment's comparison form
};

struct Key {
    std::vector<Segment> segments;
    bool duplicates = false;
    bool modifiable = false;
    bool nullAll = false; // left out of the index when every segment is null
    bool nullAny = false; // left out of the index when any segment is null
    int length = 0;       // bytes of the key value (segments concatenated)
    int firstSegment = 0; // index of its first segment among all segments of the file
};

struct Acs {
    std::array<uint8_t, 256> map{};
};

struct FileSpec {
    uint16_t recordLength = 0;
    uint16_t pageSize = 0;
    uint16_t flags = 0;
    std::vector<Key> keys;
    std::vector<Acs> acs;
    int totalSegments = 0;
    std::string bytes; // the creation block as given: file block, segments, ACS blocks
    bool variable() const { return flags & kFileVariable; }
};

// Parses and checks a creation specification of `length` bytes. Returns 0 or the status of
// the first fault found (22 cut short, 24 page size, 26 keys, 28 record length, 27 key
// position, 29 key length, 49 key type, 48 collating sequence, 45 inconsistent flags).
int16_t ParseFileSpec(const uint8_t* data, size_t length, FileSpec& spec);

// The key value of a record: the bytes of its segments, concatenated. The record holds at
// least the fixed record length.
std::string KeyValue(const Key& key, const uint8_t* record);

// True when a record with this key value is left out of the key's index (null key).
bool KeyLeftOut(const Key& key, const uint8_t* keyValue);

// The comparison form of a key value: keys order as the unsigned byte order of their forms.
std::string KeyForm(const FileSpec& spec, const Key& key, const uint8_t* keyValue);

} // namespace recman
