// recman: handles the record manager's data files from the command line. Creates a file from
// a dictionary, writes dictionaries, shows statistics, loads and dumps records, sets owner
// names, checks a file, and holds locks as another program of the suite would.
#include "platform/codepage.h"
#include "platform/system.h"
#include "recman/btrcall.h"
#include "recman/filedef.h"
#include "recman/locks.h"
#include "recman/status.h"
#include "recman/store.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

using namespace recman;

namespace {

const char* kUsage =
    "usage: recman COMMAND ARGUMENTS [--owner NAME]\n"
    "\n"
    "  create FILE DICT.xdf [--replace]   create a data file from a dictionary\n"
    "  dict DICT.xdf --record LENGTH [--page SIZE] [--variable] --key SEGMENTS ...\n"
    "                       [--acs upper|MAPFILE]\n"
    "                                     write a dictionary from a key description\n"
    "  stat FILE                          show the file's specification and counts\n"
    "  load FILE [--hex]                  insert records read from standard input: raw\n"
    "                                     records of the record length, or one record per\n"
    "                                     line in hexadecimal with --hex\n"
    "  dump FILE [--key N] [--hex]        write the records in the order of key N (0), or\n"
    "                                     in position order with --key -1\n"
    "  owner FILE NAME [--mode M]         protect the file with an owner name (M 0-3)\n"
    "  owner FILE --clear                 remove the owner name (give it with --owner)\n"
    "  lock FILE (--position P | --key N:VALUE | --file | --exclusive) --hold SECONDS\n"
    "                                     hold a record, the whole file or an exclusive\n"
    "                                     open for that long; prints \"locked\" once held.\n"
    "                                     VALUE is text (blank-filled) or hex:DIGITS\n"
    "  check FILE                         check the file's integrity\n"
    "\n"
    "SEGMENTS: POS:LEN[:ATTR...] joined by '+' for a key of several segments. ATTR: dup mod\n"
    "bin desc alt nocase acs=N null=HH anynull=HH, or a type: string integer float date\n"
    "time decimal money logical lstring zstring unsigned autoinc.\n"
    "Paths are system path texts (\"\\\" works as a separator).\n";

struct Options {
    std::vector<std::string> words; // arguments that are not options
    std::string owner;
    bool hex = false, replace = false, variable = false, clear = false, fileLock = false,
         exclusive = false;
    int key = 0;
    bool keyGiven = false;
    std::vector<std::string> keys; // --key of dict
    std::string keyLock;           // --key N:VALUE of lock
    long position = 0;
    long hold = 0, record = 0, page = 4096, mode = 0;
    std::vector<std::string> acs;
};

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "recman: %s\n", message.c_str());
    std::exit(1);
}

[[noreturn]] void FailStatus(const std::string& file, int16_t status,
                             const std::string& what = {}) {
    Fail(file + ": " + (what.empty() ? "" : what + ": ") + StatusText(status));
}

long Number(const std::string& text, const char* what) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end) Fail(std::string("not a number for ") + what + ": " + text);
    return v;
}

// A handle on one open data file.
struct DataFile {
    uint8_t block[kPositionBlockSize] = {};
    std::string name;
    int16_t Call(int16_t op, void* data, int32_t* length, void* key, uint8_t keyLength,
                 int8_t keyNumber) {
        return BTRCALL(op, block, data, length, key, keyLength, keyNumber);
    }
};

std::string SystemPath(const std::string& argument) {
    return platform::Utf8ToCp850(argument);
}

void OpenFile(DataFile& f, const std::string& name, const std::string& owner, int8_t mode) {
    f.name = name;
    std::string path = SystemPath(name);
    if (path.size() > 255) Fail(name + ": path too long");
    std::string ownerBuf = owner;
    ownerBuf.push_back('\0');
    int32_t length = static_cast<int32_t>(ownerBuf.size());
    int16_t st = BTRCALL(kOpOpen, f.block, ownerBuf.data(), &length, path.data(),
                         static_cast<uint8_t>(path.size()), mode);
    if (st) FailStatus(name, st, "open");
}

std::vector<uint8_t> ReadStat(DataFile& f) {
    std::vector<uint8_t> stat(65536, ' ');
    int32_t length = static_cast<int32_t>(stat.size());
    char key[256] = {};
    int16_t st = f.Call(kOpStat, stat.data(), &length, key, 255, 0);
    if (st) FailStatus(f.name, st, "stat");
    stat.resize(static_cast<size_t>(length));
    return stat;
}

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

std::string Hex(const uint8_t* p, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * n);
    for (size_t i = 0; i < n; ++i) {
        out.push_back(digits[p[i] >> 4]);
        out.push_back(digits[p[i] & 15]);
    }
    return out;
}

bool ParseHex(const std::string& text, std::string& out) {
    out.clear();
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r') continue;
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            return false;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<char>((high << 4) | v));
            high = -1;
        }
    }
    return high < 0;
}

// ---- create, dict ----

int Create(const Options& o) {
    if (o.words.size() != 2) Fail("create needs FILE and DICT.xdf");
    const std::string& file = o.words[0];
    platform::FileHandle dict = platform::OpenShared(SystemPath(o.words[1]));
    if (!dict) Fail(o.words[1] + ": cannot read the dictionary");
    std::vector<uint8_t> bytes;
    int c;
    while ((c = std::fgetc(dict.get())) != EOF)
        bytes.push_back(static_cast<uint8_t>(c));
    size_t length = bytes.size() >= 2 ? Get16(bytes.data()) : 0;
    std::vector<uint8_t> spec(std::max<size_t>(1536, length), ' ');
    for (size_t i = 0; i < length && i + 2 < bytes.size(); ++i)
        spec[i] = bytes[i + 2];
    std::string path = SystemPath(file);
    if (path.size() > 255) Fail(file + ": path too long");
    int32_t dataLength = static_cast<int32_t>(spec.size());
    uint8_t block[kPositionBlockSize] = {};
    int16_t st =
        BTRCALL(kOpCreate, block, spec.data(), &dataLength, path.data(),
                static_cast<uint8_t>(path.size()), o.replace ? kCreateReplace : kCreateNoReplace);
    if (st) FailStatus(file, st, "create");
    return 0;
}

void Put16(std::string& s, size_t at, uint16_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}

std::array<uint8_t, 256> UpperMap() {
    std::array<uint8_t, 256> map;
    for (int i = 0; i < 256; ++i)
        map[i] = static_cast<uint8_t>(i);
    for (int c = 'a'; c <= 'z'; ++c)
        map[c] = static_cast<uint8_t>(c - 32);
    // Code page 850 letters with accents sort with their plain capital.
    const struct {
        const char* bytes;
        char base;
    } groups[] = {
        {"\x85\xA0\x83\x84\xB7\xB5\xB6\x8E\xC6\xC7", 'A'},
        {"\x8A\x82\x88\x89\xD4\x90\xD2\xD3", 'E'},
        {"\x8D\xA1\x8C\x8B\xDE\xD6\xD7\xD8", 'I'},
        {"\x95\xA2\x93\x94\xE3\xE0\xE2\x99\xE4\xE5", 'O'},
        {"\x97\xA3\x96\x81\xEB\xE9\xEA\x9A", 'U'},
        {"\x87\x80", 'C'},
        {"\xA4\xA5", 'N'},
    };
    for (const auto& g : groups)
        for (const char* p = g.bytes; *p; ++p)
            map[static_cast<uint8_t>(*p)] = g.base;
    return map;
}

int Dict(const Options& o) {
    if (o.words.size() != 1) Fail("dict needs the dictionary file to write");
    if (o.record <= 0) Fail("dict needs --record LENGTH");
    struct Seg {
        uint16_t pos = 0, len = 0, flags = 0;
        uint8_t type = 0, nullByte = 0, acs = 0;
    };
    std::vector<std::vector<Seg>> keys;
    for (const std::string& desc : o.keys) {
        std::vector<Seg> segs;
        uint16_t keyWide = 0;
        uint8_t keyNull = 0;
        size_t start = 0;
        while (start <= desc.size()) {
            size_t plus = desc.find('+', start);
            if (plus == std::string::npos) plus = desc.size();
            std::string part = desc.substr(start, plus - start);
            start = plus + 1;
            std::vector<std::string> fields;
            size_t f = 0;
            while (f <= part.size()) {
                size_t colon = part.find(':', f);
                if (colon == std::string::npos) colon = part.size();
                fields.push_back(part.substr(f, colon - f));
                f = colon + 1;
            }
            if (fields.size() < 2) Fail("key segment needs POS:LEN: " + part);
            Seg s;
            s.pos = static_cast<uint16_t>(Number(fields[0], "key position"));
            s.len = static_cast<uint16_t>(Number(fields[1], "key length"));
            static const struct {
                const char* name;
                uint8_t type;
            } types[] = {{"string", kTypeString},     {"integer", kTypeInteger},
                         {"float", kTypeFloat},       {"date", kTypeDate},
                         {"time", kTypeTime},         {"decimal", kTypeDecimal},
                         {"money", kTypeMoney},       {"logical", kTypeLogical},
                         {"lstring", kTypeLString},   {"zstring", kTypeZString},
                         {"unsigned", kTypeUnsigned}, {"autoinc", kTypeAutoIncrement}};
            for (size_t i = 2; i < fields.size(); ++i) {
                const std::string& a = fields[i];
                bool typed = false;
                for (const auto& t : types)
                    if (a == t.name) {
                        s.flags |= kKeyExtType;
                        s.type = t.type;
                        typed = true;
                    }
                if (typed) continue;
                if (a == "dup")
                    keyWide |= kKeyDup;
                else if (a == "mod")
                    keyWide |= kKeyMod;
                else if (a == "bin")
                    s.flags |= kKeyBinary;
                else if (a == "desc")
                    s.flags |= kKeyDescending;
                else if (a == "alt")
                    s.flags |= kKeyAlt;
                else if (a == "nocase")
                    s.flags |= kKeyNoCase;
                else if (a.rfind("acs=", 0) == 0) {
                    s.flags |= kKeyAlt | kKeyNoCase;
                    s.acs = static_cast<uint8_t>(Number(a.substr(4), "acs number"));
                } else if (a.rfind("null", 0) == 0 || a.rfind("anynull", 0) == 0) {
                    bool any = a[0] == 'a';
                    keyWide |= any ? kKeyNullAny : kKeyNullAll;
                    size_t eq = a.find('=');
                    keyNull =
                        eq == std::string::npos
                            ? 0
                            : static_cast<uint8_t>(std::strtol(a.c_str() + eq + 1, nullptr, 16));
                } else {
                    Fail("unknown key attribute: " + a);
                }
            }
            segs.push_back(s);
        }
        for (size_t i = 0; i < segs.size(); ++i) {
            segs[i].flags |= keyWide;
            segs[i].nullByte = keyNull;
            if (i + 1 < segs.size()) segs[i].flags |= kKeySegmented;
        }
        keys.push_back(segs);
    }
    std::string spec(16, '\0');
    Put16(spec, 0, static_cast<uint16_t>(o.record));
    Put16(spec, 2, static_cast<uint16_t>(o.page));
    Put16(spec, 4, static_cast<uint16_t>(keys.size()));
    Put16(spec, 10, o.variable ? kFileVariable : 0);
    for (const auto& segs : keys)
        for (const Seg& s : segs) {
            std::string b(16, '\0');
            Put16(b, 0, s.pos);
            Put16(b, 2, s.len);
            Put16(b, 4, s.flags);
            b[10] = static_cast<char>(s.type);
            b[11] = static_cast<char>(s.nullByte);
            b[15] = static_cast<char>(s.acs);
            spec += b;
        }
    for (const std::string& a : o.acs) {
        std::string block(kAcsBlockSize, '\0');
        block[0] = static_cast<char>(0xAC);
        std::array<uint8_t, 256> map{};
        std::string name;
        if (a == "upper") {
            map = UpperMap();
            name = "UPPER";
        } else {
            platform::FileHandle in = platform::OpenShared(SystemPath(a));
            if (!in) Fail(a + ": cannot read the collating sequence");
            uint8_t raw[kAcsBlockSize];
            size_t n = std::fread(raw, 1, sizeof raw, in.get());
            if (n == kAcsBlockSize && raw[0] == 0xAC) {
                block.assign(reinterpret_cast<char*>(raw), kAcsBlockSize);
                spec += block;
                continue;
            }
            if (n != 256) Fail(a + ": a collating sequence is 256 bytes (or a 265-byte block)");
            std::copy(raw, raw + 256, map.begin());
            name = "CUSTOM";
        }
        for (size_t i = 0; i < name.size() && i < 8; ++i)
            block[1 + i] = name[i];
        std::copy(map.begin(), map.end(), block.begin() + 9);
        spec += block;
    }
    FileSpec parsed;
    if (int16_t st =
            ParseFileSpec(reinterpret_cast<const uint8_t*>(spec.data()), spec.size(), parsed))
        Fail("the description is not a valid file: " + StatusText(st));
    if (spec.size() > 1536) Fail("the creation block is longer than 1536 bytes");
    platform::FileHandle out = platform::OpenCreate(SystemPath(o.words[0]));
    if (!out) Fail(o.words[0] + ": cannot write");
    uint8_t len[2] = {static_cast<uint8_t>(spec.size() & 0xFF),
                      static_cast<uint8_t>(spec.size() >> 8)};
    std::fwrite(len, 1, 2, out.get());
    std::fwrite(spec.data(), 1, spec.size(), out.get());
    if (std::fflush(out.get()) != 0) Fail(o.words[0] + ": cannot write");
    return 0;
}

// ---- stat ----

int Stat(const Options& o) {
    if (o.words.size() != 1) Fail("stat needs FILE");
    DataFile f;
    OpenFile(f, o.words[0], o.owner, kOpenReadOnly);
    std::vector<uint8_t> s = ReadStat(f);
    FileSpec spec;
    int16_t st = ParseFileSpec(s.data(), s.size(), spec);
    if (st) FailStatus(f.name, st, "statistics");
    std::printf(
        "file: %s\nrecord length: %u\npage size: %u\nflags: 0x%04x%s\nrecords: %u\nkeys: %zu\n",
        f.name.c_str(), spec.recordLength, spec.pageSize, spec.flags,
        spec.variable() ? " (variable length)" : "", Get32(&s[6]), spec.keys.size());
    for (size_t k = 0; k < spec.keys.size(); ++k) {
        const Key& key = spec.keys[k];
        const uint8_t* first = &s[16 + 16 * key.firstSegment];
        std::printf("key %zu: length %d, %s%s%s, %u values\n", k, key.length,
                    key.duplicates ? "duplicates" : "unique", key.modifiable ? ", modifiable" : "",
                    key.nullAll   ? ", null"
                    : key.nullAny ? ", null when any segment is"
                                  : "",
                    Get32(first + 6));
        for (size_t i = 0; i < key.segments.size(); ++i) {
            const Segment& seg = key.segments[i];
            const uint8_t* b = &s[16 + 16 * (key.firstSegment + i)];
            std::printf("  segment: position %u, length %u, flags 0x%04x, type %u, null 0x%02x\n",
                        seg.position, seg.length, seg.flags, b[10], b[11]);
        }
    }
    size_t acsAt = 16 + 16 * static_cast<size_t>(spec.totalSegments);
    for (size_t a = 0; a < spec.acs.size(); ++a) {
        const uint8_t* b = &s[acsAt + a * kAcsBlockSize];
        std::string name(reinterpret_cast<const char*>(b + 1), 8);
        while (!name.empty() && (name.back() == '\0' || name.back() == ' '))
            name.pop_back();
        std::printf("collating sequence %zu: %s\n", a, platform::Cp850ToUtf8(name).c_str());
    }
    f.Call(kOpClose, nullptr, nullptr, nullptr, 0, 0);
    return 0;
}

// ---- load, dump ----

int Load(const Options& o) {
    if (o.words.size() != 1) Fail("load needs FILE");
    DataFile f;
    OpenFile(f, o.words[0], o.owner, kOpenNormal);
    std::vector<uint8_t> s = ReadStat(f);
    const size_t recordLength = Get16(s.data());
    const bool variable = Get16(&s[10]) & kFileVariable;
    long count = 0;
    std::string record;
    char key[256];
    // Records go in batches, one transaction each: a batch is in the file whole or not at
    // all, and a load stopped half way keeps every batch committed before.
    const long batch = 10000;
    auto commit = [&]() {
        int16_t st = BTRCALL(kOpEndTransaction, nullptr, nullptr, nullptr, nullptr, 0, 0);
        if (st) FailStatus(f.name, st, "commit");
    };
    auto insert = [&](std::string& r) {
        if (!variable && r.size() != recordLength) {
            commit();
            Fail(f.name + ": record " + std::to_string(count + 1) + ": " +
                 std::to_string(r.size()) + " bytes, the record length is " +
                 std::to_string(recordLength) + " (" + std::to_string(count) + " loaded)");
        }
        if (count % batch == 0) {
            if (count > 0) commit();
            BTRCALL(kOpBeginTransaction, nullptr, nullptr, nullptr, nullptr, 0, 0);
        }
        int32_t length = static_cast<int32_t>(r.size());
        int16_t st = f.Call(kOpInsert, r.data(), &length, key, 255, -1);
        if (st) {
            commit();
            FailStatus(f.name, st,
                       "record " + std::to_string(count + 1) + " (" + std::to_string(count) +
                           " loaded)");
        }
        ++count;
    };
    if (o.hex) {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (line.empty() || line == "\r") continue;
            if (!ParseHex(line, record))
                Fail(f.name + ": line " + std::to_string(count + 1) + ": not hexadecimal");
            insert(record);
        }
    } else {
        record.resize(recordLength);
        for (;;) {
            size_t n = std::fread(record.data(), 1, recordLength, stdin);
            if (n == 0) break;
            record.resize(n); // a piece shorter than a record is refused by insert
            insert(record);
        }
    }
    if (count > 0) commit();
    f.Call(kOpClose, nullptr, nullptr, nullptr, 0, 0);
    std::fprintf(stderr, "%s: %ld records loaded\n", f.name.c_str(), count);
    return 0;
}

int Dump(const Options& o) {
    if (o.words.size() != 1) Fail("dump needs FILE");
    DataFile f;
    OpenFile(f, o.words[0], o.owner, kOpenReadOnly);
    std::vector<uint8_t> s = ReadStat(f);
    const int keys = Get16(&s[4]);
    const int key = o.keyGiven ? o.key : (keys > 0 ? 0 : -1);
    if (key >= keys) FailStatus(f.name, kInvalidKeyNumber);
    std::vector<uint8_t> data(1 << 20);
    char keyBuf[256];
    int16_t op = key >= 0 ? kOpGetFirst : kOpStepFirst;
    int16_t next = key >= 0 ? kOpGetNext : kOpStepNext;
    for (;;) {
        int32_t length = static_cast<int32_t>(data.size());
        int16_t st = f.Call(op, data.data(), &length, keyBuf, 255, static_cast<int8_t>(key));
        if (st == kEndOfFile) break;
        if (st) FailStatus(f.name, st, "dump");
        if (o.hex)
            std::printf("%s\n", Hex(data.data(), static_cast<size_t>(length)).c_str());
        else
            std::fwrite(data.data(), 1, static_cast<size_t>(length), stdout);
        op = next;
    }
    f.Call(kOpClose, nullptr, nullptr, nullptr, 0, 0);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// ---- owner, lock, check ----

int Owner(const Options& o) {
    if (o.words.empty() || o.words.size() > 2) Fail("owner needs FILE and NAME");
    DataFile f;
    OpenFile(f, o.words[0], o.owner, kOpenNormal);
    int16_t st;
    if (o.clear) {
        st = f.Call(kOpClearOwner, nullptr, nullptr, nullptr, 0, 0);
    } else {
        if (o.words.size() != 2) Fail("owner needs NAME (or --clear)");
        std::string name = SystemPath(o.words[1]);
        if (name.empty() || name.size() > 8) Fail("an owner name has 1 to 8 characters");
        std::string buf = name + '\0';
        int32_t length = static_cast<int32_t>(buf.size());
        std::string keyBuf = buf;
        st = f.Call(kOpSetOwner, buf.data(), &length, keyBuf.data(),
                    static_cast<uint8_t>(keyBuf.size()), static_cast<int8_t>(o.mode));
    }
    if (st) FailStatus(f.name, st, "owner");
    f.Call(kOpClose, nullptr, nullptr, nullptr, 0, 0);
    return 0;
}

int Lock(const Options& o) {
    if (o.words.size() != 1) Fail("lock needs FILE");
    int ways = (o.position > 0) + !o.keyLock.empty() + o.fileLock + o.exclusive;
    if (ways != 1) Fail("lock needs one of --position, --key, --file, --exclusive");
    DataFile f;
    OpenFile(f, o.words[0], o.owner, o.exclusive ? kOpenExclusive : kOpenNormal);
    std::vector<uint8_t> data(1 << 20);
    char keyBuf[256] = {};
    int16_t st = kOk;
    int lockFd = -1;
    if (o.position > 0) {
        uint32_t p = static_cast<uint32_t>(o.position);
        std::memcpy(data.data(), &p, 4);
        int32_t length = static_cast<int32_t>(data.size());
        st = f.Call(kOpGetDirect + kSingleNoWait, data.data(), &length, keyBuf, 0, -1);
    } else if (!o.keyLock.empty()) {
        size_t colon = o.keyLock.find(':');
        if (colon == std::string::npos) Fail("--key needs N:VALUE");
        int key = static_cast<int>(Number(o.keyLock.substr(0, colon), "key number"));
        std::vector<uint8_t> s = ReadStat(f);
        FileSpec spec;
        if (ParseFileSpec(s.data(), s.size(), spec) || key < 0 ||
            key >= static_cast<int>(spec.keys.size()))
            FailStatus(f.name, kInvalidKeyNumber);
        std::string value = o.keyLock.substr(colon + 1), raw;
        if (value.rfind("hex:", 0) == 0) {
            if (!ParseHex(value.substr(4), raw)) Fail("--key: not hexadecimal");
            raw.resize(spec.keys[key].length, '\0');
        } else {
            raw = SystemPath(value);
            raw.resize(spec.keys[key].length, ' ');
        }
        std::memcpy(keyBuf, raw.data(), raw.size());
        int32_t length = static_cast<int32_t>(data.size());
        st = f.Call(kOpGetEqual + kSingleNoWait, data.data(), &length, keyBuf,
                    static_cast<uint8_t>(raw.size()), static_cast<int8_t>(key));
    } else if (o.fileLock) {
        // The whole file, as a program working on all of it holds it: other programs' locked
        // reads and writes get "file in use" until it ends.
        std::string native = platform::NativePath(SystemPath(o.words[0]));
        lockFd = OpenLockFile(native);
        if (lockFd < 0 || !TryLockByte(lockFd, kFileLockByte, true)) st = kFileInUse;
    }
    if (st) FailStatus(f.name, st, "lock");
    std::printf("locked\n");
    std::fflush(stdout);
    platform::PauseMs(static_cast<int32_t>(o.hold * 1000));
    CloseLockFile(lockFd);
    BTRCALL(kOpReset, nullptr, nullptr, nullptr, nullptr, 0, 0);
    return 0;
}

int Check(const Options& o) {
    if (o.words.size() != 1) Fail("check needs FILE");
    const std::string& file = o.words[0];
    Store store;
    int16_t st = OpenStore(platform::NativePath(SystemPath(file)), store);
    if (st) FailStatus(file, st, "check");
    std::vector<std::string> problems;
    bool ok = CheckStore(store, problems);
    CloseStore(store);
    for (const std::string& p : problems)
        std::printf("%s: %s\n", file.c_str(), p.c_str());
    if (!ok) return 1;
    std::printf("%s: ok\n", file.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Options o;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* what) -> std::string {
            if (i + 1 >= argc) Fail(std::string(a) + " needs " + what);
            return argv[++i];
        };
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--hex") {
            o.hex = true;
        } else if (a == "--replace") {
            o.replace = true;
        } else if (a == "--variable") {
            o.variable = true;
        } else if (a == "--clear") {
            o.clear = true;
        } else if (a == "--file") {
            o.fileLock = true;
        } else if (a == "--exclusive") {
            o.exclusive = true;
        } else if (a == "--owner") {
            o.owner = SystemPath(value("a name"));
        } else if (a == "--record") {
            o.record = Number(value("a length"), "--record");
        } else if (a == "--page") {
            o.page = Number(value("a size"), "--page");
        } else if (a == "--mode") {
            o.mode = Number(value("a mode"), "--mode");
        } else if (a == "--position") {
            o.position = Number(value("a position"), "--position");
            if (o.position <= 0) Fail("--position must be above 0");
        } else if (a == "--hold") {
            o.hold = Number(value("seconds"), "--hold");
        } else if (a == "--acs") {
            o.acs.push_back(value("upper or a file"));
        } else if (a == "--key") {
            std::string v = value("a key");
            if (command == "dict") {
                o.keys.push_back(v);
            } else if (command == "lock") {
                o.keyLock = v;
            } else {
                o.key = static_cast<int>(Number(v, "--key"));
                o.keyGiven = true;
            }
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            Fail("unknown option " + a + " (see recman --help)");
        } else {
            o.words.push_back(a);
        }
    }
    if (command == "create") return Create(o);
    if (command == "dict") return Dict(o);
    if (command == "stat") return Stat(o);
    if (command == "load") return Load(o);
    if (command == "dump") return Dump(o);
    if (command == "owner") return Owner(o);
    if (command == "lock") return Lock(o);
    if (command == "check") return Check(o);
    Fail("unknown command " + command + " (see recman --help)");
}
