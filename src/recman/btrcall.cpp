// BTRCALL: decodes the operation, finds the position block's state and runs the operation.
// Per process: one open database and one lock-file descriptor per data file, shared by the
// position blocks that opened it; per block: its currency and its locks.
#include "recman/btrcall.h"

#include "platform/system.h"
#include "recman/filedef.h"
#include "recman/locks.h"
#include "recman/store.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace recman {

namespace {

constexpr char kBlockMagic[4] = {'R', 'M', 'p', 'b'};
constexpr int kLockPollMs = 50;

struct OpenFile {
    std::string identity; // device and inode of the database file
    Store store;
    int lockFd = -1;
    int blocks = 0;
    int exclusiveBlocks = 0;
    std::map<int64_t, std::set<uint32_t>> recordHolders; // position -> blocks holding it
};

struct Block {
    bool open = false;
    uint32_t generation = 0;
    OpenFile* file = nullptr;
    bool readOnly = false;
    bool exclusive = false;
    bool ownerOk = true;
    // Logical currency: a place in the order of one key (its form and duplicate sequence).
    bool logical = false;
    int key = 0;
    bool anchorNull = false;
    std::string anchor;
    int64_t anchorSeq = 0;
    // Physical currency: the current record, and where Step continues from.
    bool current = false;
    int64_t pos = 0;
    int64_t ver = 0;
    bool stepAnchor = false;
    int64_t stepPos = 0;
    // Locks.
    int64_t single = 0;
    std::set<int64_t> multiple;
    // Records read ahead by Get Next / Get Previous without lock, valid while the file's
    // change counters stay at the stamp taken before they were read.
    std::vector<Row> ahead;
    size_t aheadAt = 0;
    int aheadDirection = 0;
    uint64_t aheadStamp = 0;
    int aheadRun = 0;
    void ForgetAhead() {
        aheadAt = ahead.size();
        aheadStamp = 0;
        aheadRun = 0;
    }
};

// The first run after a positioning covers a typical group of records under one parent key
// (the flats of a property) in one read; longer walks double it.
constexpr int kFirstReadAhead = 16;
constexpr int kMostReadAhead = 256;

std::mutex g_mutex;
std::vector<Block> g_blocks;
std::map<std::string, std::unique_ptr<OpenFile>> g_files;
uint32_t g_generation = 0;
bool g_transaction = false; // Begin Transaction called and not yet ended

// The process id, kept (a system call per operation adds up); a forked child asks again.
uint32_t g_pid = 0;
uint32_t ProcessId() {
    static const bool hooked = [] {
        pthread_atfork(nullptr, nullptr, [] { g_pid = 0; });
        return true;
    }();
    (void)hooked;
    if (g_pid == 0) g_pid = static_cast<uint32_t>(getpid());
    return g_pid;
}

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i, v >>= 8)
        p[i] = static_cast<uint8_t>(v & 0xFF);
}

// The block a position block names, or null for an unknown, closed, stale or forged one.
Block* FindBlock(const void* positionBlock, uint32_t& slot) {
    if (!positionBlock) return nullptr;
    const auto* p = static_cast<const uint8_t*>(positionBlock);
    if (std::memcmp(p, kBlockMagic, 4) != 0) return nullptr;
    slot = Get32(p + 4);
    if (slot >= g_blocks.size()) return nullptr;
    Block& b = g_blocks[slot];
    if (!b.open || b.generation != Get32(p + 8) || Get32(p + 12) != ProcessId()) return nullptr;
    return &b;
}

// The path a key buffer holds: its first keyLength bytes, up to a zero byte, without
// trailing blanks.
std::string PathFromKey(const void* keyBuffer, uint8_t keyLength) {
    if (!keyBuffer) return {};
    const char* p = static_cast<const char*>(keyBuffer);
    size_t n = 0;
    while (n < keyLength && p[n] != 0)
        ++n;
    while (n > 0 && p[n - 1] == ' ')
        --n;
    return std::string(p, n);
}

// An owner name from a buffer: up to a zero byte, at most 8 characters.
std::string NameFrom(const void* buffer, int32_t length) {
    if (!buffer || length <= 0) return {};
    const char* p = static_cast<const char*>(buffer);
    size_t n = 0;
    while (n < static_cast<size_t>(length) && n < 9 && p[n] != 0)
        ++n;
    return std::string(p, n);
}

void ReleaseRecord(OpenFile& f, uint32_t slot, int64_t pos) {
    auto it = f.recordHolders.find(pos);
    if (it == f.recordHolders.end()) return;
    it->second.erase(slot);
    if (it->second.empty()) {
        f.recordHolders.erase(it);
        UnlockByte(f.lockFd, kRecordLockBase + pos);
    }
}

void ReleaseAllLocks(Block& b, uint32_t slot) {
    if (b.single) ReleaseRecord(*b.file, slot, b.single);
    b.single = 0;
    for (int64_t pos : b.multiple)
        ReleaseRecord(*b.file, slot, pos);
    b.multiple.clear();
}

bool HeldByThisProcess(const OpenFile& f, int64_t pos) {
    auto it = f.recordHolders.find(pos);
    return it != f.recordHolders.end() && !it->second.empty();
}

// Another program holding the whole file: 85, or with a wait bias, wait until it lets go.
int16_t CheckFileLock(OpenFile& f, bool wait) {
    while (ByteLockedByOther(f.lockFd, kFileLockByte)) {
        if (!wait) return kFileInUse;
        platform::PauseMs(kLockPollMs);
    }
    return kOk;
}

// Takes the record's lock byte unless this process holds it already. `taken` tells whether
// the byte was taken now (and must be given back if the read does not go through).
int16_t TakeRecordLock(OpenFile& f, int64_t pos, bool wait, bool& taken) {
    taken = false;
    if (int16_t status = CheckFileLock(f, wait)) return status;
    if (HeldByThisProcess(f, pos)) return kOk;
    while (!TryLockByte(f.lockFd, kRecordLockBase + pos, true)) {
        if (!wait) return kRecordInUse;
        platform::PauseMs(kLockPollMs);
        if (int16_t status = CheckFileLock(f, wait)) return status;
    }
    taken = true;
    return kOk;
}

void GiveBackIfUnused(OpenFile& f, int64_t pos, bool taken) {
    if (taken && !HeldByThisProcess(f, pos)) UnlockByte(f.lockFd, kRecordLockBase + pos);
}

bool IsSingle(int bias) {
    return bias == kSingleWait || bias == kSingleNoWait;
}
bool IsMultiple(int bias) {
    return bias == kMultipleWait || bias == kMultipleNoWait;
}
bool IsWait(int bias) {
    return bias == kSingleWait || bias == kMultipleWait;
}

// Runs a seek and, with a lock bias, locks the record found. The record is read again once
// locked: when another program changed its place meanwhile, the seek runs again.
template <typename SeekFn>
int16_t Locate(Block& b, int bias, int key, SeekFn seek, Row& row, bool& taken) {
    taken = false;
    if (IsSingle(bias) && !b.multiple.empty()) return kIncompatibleLockType;
    if (IsMultiple(bias) && b.single) return kIncompatibleLockType;
    OpenFile& f = *b.file;
    for (int attempt = 0;; ++attempt) {
        if (int16_t status = seek(row)) return status;
        if (!IsSingle(bias) && !IsMultiple(bias)) return kOk;
        if (int16_t status = TakeRecordLock(f, row.pos, IsWait(bias), taken)) return status;
        Row again;
        int16_t status = SeekRow(f.store, key, Seek::Direct, {}, 0, row.pos, again);
        if (status == kOk &&
            (again.ver == row.ver || (again.formNull == row.formNull && again.form == row.form))) {
            row = std::move(again);
            return kOk;
        }
        GiveBackIfUnused(f, row.pos, taken);
        taken = false;
        if (status != kOk && status != kEndOfFile) return status;
        if (attempt > 100) return kRecordInUse;
    }
}

void KeepLock(Block& b, uint32_t slot, int bias, int64_t pos) {
    OpenFile& f = *b.file;
    if (IsSingle(bias)) {
        if (b.single && b.single != pos) ReleaseRecord(f, slot, b.single);
        b.single = pos;
        f.recordHolders[pos].insert(slot);
    } else if (IsMultiple(bias)) {
        b.multiple.insert(pos);
        f.recordHolders[pos].insert(slot);
    }
}

void WriteKeyValue(const Store& store, int key, const std::string& data, void* keyBuffer) {
    if (!keyBuffer || key < 0 || key >= static_cast<int>(store.spec.keys.size())) return;
    std::string value =
        KeyValue(store.spec.keys[key], reinterpret_cast<const uint8_t*>(data.data()));
    std::memcpy(keyBuffer, value.data(), value.size());
}

// Hands a record found to the caller: data (as far as it fits), key value, currency.
int16_t Deliver(Block& b, const Row& row, int key, bool withData, bool physicalOnly, void* data,
                int32_t dataRoom, int32_t* dataLength, void* keyBuffer) {
    int16_t status = kOk;
    if (withData) {
        int32_t n = static_cast<int32_t>(row.data.size());
        if (n > dataRoom) {
            n = dataRoom;
            status = kDataBufferTooShort;
        }
        if (n > 0) std::memcpy(data, row.data.data(), static_cast<size_t>(n));
        if (dataLength) *dataLength = n;
    }
    if (!physicalOnly && key >= 0) {
        WriteKeyValue(b.file->store, key, row.data, keyBuffer);
        b.logical = true;
        b.key = key;
        b.anchorNull = row.formNull;
        b.anchor = row.form;
        b.anchorSeq = row.seq;
    } else {
        b.logical = false;
    }
    b.current = true;
    b.pos = row.pos;
    b.ver = row.ver;
    b.stepAnchor = true;
    b.stepPos = row.pos;
    return status;
}

int KeyCount(const Block& b) {
    return static_cast<int>(b.file->store.spec.keys.size());
}

// ---- Open, close, reset ----

std::string Identity(const std::string& native) {
    struct stat st;
    if (::stat(native.c_str(), &st) != 0) return {};
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

void WritePositionBlock(void* positionBlock, uint32_t slot, uint32_t generation) {
    auto* p = static_cast<uint8_t*>(positionBlock);
    std::memset(p, 0, kPositionBlockSize);
    std::memcpy(p, kBlockMagic, 4);
    Put32(p + 4, slot);
    Put32(p + 8, generation);
    Put32(p + 12, ProcessId());
}

void ReleaseFileIfUnused(OpenFile* f) {
    if (f->blocks > 0) return;
    CloseStore(f->store);
    UnmapChangeCounters(f->store.counters);
    CloseLockFile(f->lockFd); // drops every lock this process held on the file
    g_files.erase(f->identity);
}

int16_t OpenOp(void* positionBlock, const void* data, int32_t dataRoom, const void* keyBuffer,
               uint8_t keyLength, int8_t mode) {
    if (!positionBlock) return kFileNotOpen;
    std::string path = PathFromKey(keyBuffer, keyLength);
    if (path.empty()) return kInvalidFileName;
    if (!LocksAvailable()) return kIoError;
    std::string native = platform::NativePath(path);
    std::string identity = Identity(native);
    if (identity.empty()) return kFileNotFound;
    const bool exclusive = mode == kOpenExclusive;

    OpenFile* f = nullptr;
    auto it = g_files.find(identity);
    bool fresh = it == g_files.end();
    if (!fresh) {
        f = it->second.get();
        if (f->exclusiveBlocks > 0 || (exclusive && f->blocks > 0)) return kFileInUse;
    } else {
        auto file = std::make_unique<OpenFile>();
        if (int16_t status = OpenStore(native, file->store)) return status;
        file->lockFd = OpenLockFile(native);
        if (file->lockFd < 0) {
            CloseStore(file->store);
            return kAccessDenied;
        }
        if (!TryLockByte(file->lockFd, kOpenLockByte, exclusive)) {
            CloseStore(file->store);
            CloseLockFile(file->lockFd);
            return kFileInUse;
        }
        file->identity = identity;
        file->store.userTransaction = g_transaction;
        file->store.counters = MapChangeCounters(file->lockFd);
        f = file.get();
        g_files[identity] = std::move(file);
    }

    bool readOnly = mode == kOpenReadOnly || f->store.readOnly;
    bool ownerOk = true;
    if (f->store.hasOwner && NameFrom(data, dataRoom) != f->store.owner) {
        ownerOk = false;
        if (f->store.ownerMode & 1) {
            readOnly = true; // the owner lets anyone read
        } else {
            if (fresh) ReleaseFileIfUnused(f);
            return kInvalidOwner;
        }
    }

    uint32_t slot = 0;
    while (slot < g_blocks.size() && g_blocks[slot].open)
        ++slot;
    if (slot == g_blocks.size()) g_blocks.emplace_back();
    Block& b = g_blocks[slot];
    b = Block{};
    b.open = true;
    b.generation = ++g_generation;
    b.file = f;
    b.readOnly = readOnly;
    b.exclusive = exclusive;
    b.ownerOk = ownerOk;
    ++f->blocks;
    if (exclusive) ++f->exclusiveBlocks;
    WritePositionBlock(positionBlock, slot, b.generation);
    return kOk;
}

void CloseBlock(Block& b, uint32_t slot) {
    ReleaseAllLocks(b, slot);
    OpenFile* f = b.file;
    --f->blocks;
    if (b.exclusive) --f->exclusiveBlocks;
    b.open = false;
    b.file = nullptr;
    ReleaseFileIfUnused(f);
}

// Ends the transaction on every open file; the first failure's status.
int16_t EndAll(bool commit) {
    int16_t first = kOk;
    for (auto& [identity, f] : g_files) {
        int16_t status = EndTransaction(f->store, commit);
        if (first == kOk) first = status;
    }
    g_transaction = false;
    return first;
}

void ResetAll() {
    if (g_transaction) EndAll(false);
    for (uint32_t slot = 0; slot < g_blocks.size(); ++slot)
        if (g_blocks[slot].open) CloseBlock(g_blocks[slot], slot);
}

// ---- Create and Stat ----

int16_t CreateOp(const void* data, int32_t dataRoom, const void* keyBuffer, uint8_t keyLength,
                 int8_t mode) {
    std::string path = PathFromKey(keyBuffer, keyLength);
    if (path.empty()) return kInvalidFileName;
    std::string native = platform::NativePath(path);
    const bool replace = mode >= 0 || mode == -2;
    if (!replace && mode != kCreateNoReplace && mode != -3) return kInvalidOperation;
    struct stat st;
    if (!replace && ::stat(native.c_str(), &st) == 0) return kFileExists;
    FileSpec spec;
    if (int16_t status = ParseFileSpec(static_cast<const uint8_t*>(data),
                                       data ? static_cast<size_t>(dataRoom) : 0, spec))
        return status;
    if (replace) {
        std::string identity = Identity(native);
        if (!identity.empty() && g_files.count(identity)) return kFileInUse;
    }
    return CreateStore(native, spec, replace);
}

int16_t StatOp(Block& b, void* data, int32_t dataRoom, int32_t* dataLength, void* keyBuffer,
               uint8_t keyLength, int8_t keyNumber) {
    Store& store = b.file->store;
    std::string out = store.spec.bytes;
    int64_t records = 0;
    std::vector<int64_t> distinct;
    if (int16_t status = ReadTallies(store, records, distinct)) return status;
    auto* p = reinterpret_cast<uint8_t*>(out.data());
    Put32(p + 6, static_cast<uint32_t>(records));
    if (keyNumber == -1) {
        p[4] = static_cast<uint8_t>(store.spec.keys.size());
        p[5] = 0x60; // file format version
    }
    for (size_t k = 0; k < store.spec.keys.size(); ++k) {
        const Key& key = store.spec.keys[k];
        for (size_t s = 0; s < key.segments.size(); ++s)
            Put32(p + kFileBlockSize + kSegmentBlockSize * (key.firstSegment + s) + 6,
                  static_cast<uint32_t>(distinct[k]));
    }
    int32_t n = static_cast<int32_t>(out.size());
    int16_t status = kOk;
    if (n > dataRoom) {
        n = dataRoom;
        status = kDataBufferTooShort;
    }
    if (n > 0) std::memcpy(data, out.data(), static_cast<size_t>(n));
    if (dataLength) *dataLength = n;
    if (keyBuffer && keyLength >= 1) static_cast<uint8_t*>(keyBuffer)[0] = 0;
    return status;
}

// ---- Reads ----

int16_t GetOp(Block& b, int base, int bias, bool keyOnly, void* data, int32_t dataRoom,
              int32_t* dataLength, void* keyBuffer, uint8_t keyLength, int8_t keyNumber,
              uint32_t slot) {
    const int key = keyNumber;
    if (key < 0 || key >= KeyCount(b)) return kInvalidKeyNumber;
    Store& store = b.file->store;
    const Key& k = store.spec.keys[key];
    std::string form;
    int64_t seq = 0;
    switch (base) {
    case kOpGetEqual:
    case kOpGetGreater:
    case kOpGetGreaterOrEqual:
    case kOpGetLess:
    case kOpGetLessOrEqual:
        if (!keyBuffer || keyLength < k.length) return kKeyBufferTooShort;
        form = KeyForm(store.spec, k, static_cast<const uint8_t*>(keyBuffer));
        break;
    case kOpGetNext:
    case kOpGetPrevious:
        if (!b.logical) return kInvalidPositioning;
        if (b.key != key) return kDifferentKeyNumber;
        if (b.anchorNull) return kNullKeyPath;
        form = b.anchor;
        seq = b.anchorSeq;
        break;
    default:
        break;
    }
    auto seek = [&](Row& row) -> int16_t {
        switch (base) {
        case kOpGetEqual: {
            int16_t status = SeekRow(store, key, Seek::Equal, form, 0, 0, row);
            return status == kEndOfFile ? kKeyNotFound : status;
        }
        case kOpGetNext:
            return SeekRow(store, key, Seek::Next, form, seq, 0, row);
        case kOpGetPrevious:
            return SeekRow(store, key, Seek::Previous, form, seq, 0, row);
        case kOpGetGreater:
            return SeekRow(store, key, Seek::Greater, form, 0, 0, row);
        case kOpGetGreaterOrEqual:
            return SeekRow(store, key, Seek::GreaterOrEqual, form, 0, 0, row);
        case kOpGetLess:
            return SeekRow(store, key, Seek::Less, form, 0, 0, row);
        case kOpGetLessOrEqual: {
            int16_t status = SeekRow(store, key, Seek::Equal, form, 0, 0, row);
            if (status == kEndOfFile) status = SeekRow(store, key, Seek::Less, form, 0, 0, row);
            return status;
        }
        case kOpGetFirst:
            return SeekRow(store, key, Seek::First, {}, 0, 0, row);
        default:
            return SeekRow(store, key, Seek::Last, {}, 0, 0, row);
        }
    };
    if ((base == kOpGetNext || base == kOpGetPrevious) && bias == 0) {
        // Walking the key without locks: serve from the records read ahead while nothing has
        // been written to the file since; otherwise read a run ahead, longer each time the
        // walk goes on in the same direction.
        const int direction = base == kOpGetNext ? 1 : -1;
        const ChangeCounters& counters = b.file->store.counters;
        if (b.aheadAt < b.ahead.size() && b.aheadDirection == direction && b.aheadStamp != 0 &&
            QuietStamp(counters) == b.aheadStamp) {
            const Row& row = b.ahead[b.aheadAt++];
            return Deliver(b, row, key, !keyOnly, false, data, dataRoom, dataLength, keyBuffer);
        }
        const uint64_t stamp = QuietStamp(counters);
        int run = b.aheadDirection == direction && b.aheadRun > 0
                      ? std::min(b.aheadRun * 2, kMostReadAhead)
                      : kFirstReadAhead;
        if (stamp == 0) run = 1;
        int16_t status = SeekRows(store, key, direction > 0 ? Seek::Next : Seek::Previous, form,
                                  seq, run, b.ahead);
        if (status == kOk && b.ahead.empty()) status = kEndOfFile;
        if (status != kOk) {
            b.ForgetAhead();
            return status;
        }
        b.aheadAt = 1;
        b.aheadDirection = direction;
        b.aheadStamp = stamp;
        b.aheadRun = run;
        return Deliver(b, b.ahead[0], key, !keyOnly, false, data, dataRoom, dataLength, keyBuffer);
    }
    Row row;
    bool taken = false;
    if (int16_t status = Locate(b, bias, key, seek, row, taken)) return status;
    KeepLock(b, slot, bias, row.pos);
    return Deliver(b, row, key, !keyOnly, false, data, dataRoom, dataLength, keyBuffer);
}

int16_t StepOp(Block& b, int base, int bias, void* data, int32_t dataRoom, int32_t* dataLength,
               uint32_t slot) {
    Seek seek = Seek::StepFirst;
    switch (base) {
    case kOpStepFirst:
        seek = Seek::StepFirst;
        break;
    case kOpStepLast:
        seek = Seek::StepLast;
        break;
    case kOpStepNext:
        seek = Seek::StepNext;
        break;
    default:
        seek = Seek::StepPrevious;
        break;
    }
    if ((seek == Seek::StepNext || seek == Seek::StepPrevious) && !b.stepAnchor)
        return kInvalidPositioning;
    const int64_t from = b.stepPos;
    auto find = [&](Row& row) { return SeekRow(b.file->store, -1, seek, {}, 0, from, row); };
    Row row;
    bool taken = false;
    if (int16_t status = Locate(b, bias, -1, find, row, taken)) return status;
    KeepLock(b, slot, bias, row.pos);
    return Deliver(b, row, -1, true, true, data, dataRoom, dataLength, nullptr);
}

int16_t GetPositionOp(Block& b, void* data, int32_t dataRoom, int32_t* dataLength) {
    if (!b.current) return kInvalidPositioning;
    if (dataRoom < 4) return kDataBufferTooShort;
    Put32(static_cast<uint8_t*>(data), static_cast<uint32_t>(b.pos));
    if (dataLength) *dataLength = 4;
    return kOk;
}

int16_t GetDirectOp(Block& b, int bias, void* data, int32_t dataRoom, int32_t* dataLength,
                    void* keyBuffer, int8_t keyNumber, uint32_t slot) {
    if (dataRoom < 4) return kDataBufferTooShort;
    const int key = keyNumber;
    if (key < -1 || key >= KeyCount(b)) return kInvalidKeyNumber;
    const int64_t pos = Get32(static_cast<const uint8_t*>(data));
    if (pos == 0) return kInvalidRecordAddress;
    auto find = [&](Row& row) {
        int16_t status = SeekRow(b.file->store, key, Seek::Direct, {}, 0, pos, row);
        return status == kEndOfFile ? kInvalidRecordAddress : status;
    };
    Row row;
    bool taken = false;
    if (int16_t status = Locate(b, bias, key, find, row, taken)) return status;
    KeepLock(b, slot, bias, row.pos);
    return Deliver(b, row, key, true, key < 0, data, dataRoom, dataLength, keyBuffer);
}

// ---- Writes ----

int16_t InsertOp(Block& b, void* data, int32_t dataRoom, void* keyBuffer, int8_t keyNumber) {
    if (b.readOnly) return kAccessDenied;
    Store& store = b.file->store;
    const int key = keyNumber;
    if (key < -1 || (key >= 0 && key >= KeyCount(b))) return kInvalidKeyNumber;
    if (!data || dataRoom < store.spec.recordLength) return kDataBufferTooShort;
    const int32_t length = store.spec.variable() ? dataRoom : store.spec.recordLength;
    std::string record(static_cast<const char*>(data), static_cast<size_t>(length));
    if (int16_t status = CheckFileLock(*b.file, false)) return status;
    Row row;
    if (int16_t status = InsertRecord(store, record, key, row)) return status;
    // An autoincrement value assigned goes back to the caller with the record.
    std::memcpy(data, record.data(), record.size());
    if (key >= 0) {
        Deliver(b, row, key, false, false, nullptr, 0, nullptr, keyBuffer);
    }
    return kOk;
}

int16_t UpdateOp(Block& b, uint32_t slot, void* data, int32_t dataRoom, void* keyBuffer,
                 int8_t keyNumber) {
    if (b.readOnly) return kAccessDenied;
    if (!b.current) return kInvalidPositioning;
    Store& store = b.file->store;
    const int key = keyNumber;
    if (key < -1 || key >= KeyCount(b)) return kInvalidKeyNumber;
    if (b.logical && key != b.key) return kDifferentKeyNumber;
    if (!data || dataRoom < store.spec.recordLength) return kDataBufferTooShort;
    const int32_t length = store.spec.variable() ? dataRoom : store.spec.recordLength;
    std::string record(static_cast<const char*>(data), static_cast<size_t>(length));
    OpenFile& f = *b.file;
    bool taken = false;
    if (int16_t status = TakeRecordLock(f, b.pos, false, taken)) return status;
    Row row;
    int16_t status = UpdateRecord(store, b.pos, b.ver, record, key, row);
    GiveBackIfUnused(f, b.pos, taken);
    if (status != kOk) return status;
    if (b.single == b.pos) {
        ReleaseRecord(f, slot, b.single);
        b.single = 0;
    }
    b.ver = row.ver;
    if (key >= 0) Deliver(b, row, key, false, false, nullptr, 0, nullptr, keyBuffer);
    return kOk;
}

int16_t DeleteOp(Block& b, uint32_t slot) {
    if (b.readOnly) return kAccessDenied;
    if (!b.current) return kInvalidPositioning;
    OpenFile& f = *b.file;
    bool taken = false;
    if (int16_t status = TakeRecordLock(f, b.pos, false, taken)) return status;
    int16_t status = DeleteRecord(f.store, b.pos, b.ver);
    GiveBackIfUnused(f, b.pos, taken);
    if (status != kOk) return status;
    if (b.single == b.pos) {
        ReleaseRecord(f, slot, b.single);
        b.single = 0;
    }
    if (b.multiple.erase(b.pos)) ReleaseRecord(f, slot, b.pos);
    // The logical place stays where the record was, so Next and Previous go on from there.
    b.current = false;
    return kOk;
}

int16_t UnlockOp(Block& b, uint32_t slot, const void* data, int32_t dataRoom, int8_t keyNumber) {
    OpenFile& f = *b.file;
    if (keyNumber >= 0) {
        if (!b.single) return kLockError;
        ReleaseRecord(f, slot, b.single);
        b.single = 0;
        return kOk;
    }
    if (keyNumber == -1) {
        if (!data || dataRoom < 4) return kDataBufferTooShort;
        int64_t pos = Get32(static_cast<const uint8_t*>(data));
        if (!b.multiple.erase(pos)) return kLockError;
        ReleaseRecord(f, slot, pos);
        return kOk;
    }
    if (keyNumber == -2) {
        for (int64_t pos : b.multiple)
            ReleaseRecord(f, slot, pos);
        b.multiple.clear();
        return kOk;
    }
    return kLockError;
}

int16_t SetOwnerOp(Block& b, const void* data, int32_t dataRoom, const void* keyBuffer,
                   uint8_t keyLength, int8_t keyNumber) {
    if (b.readOnly) return kAccessDenied;
    std::string name = NameFrom(data, dataRoom);
    if (name.empty() || name.size() > 8 || NameFrom(keyBuffer, keyLength) != name)
        return kInvalidOwner;
    if (keyNumber < 0 || keyNumber > 3) return kInvalidKeyNumber;
    if (b.file->store.hasOwner) return kOwnerAlreadySet;
    return WriteOwner(b.file->store, true, name, keyNumber);
}

int16_t ClearOwnerOp(Block& b) {
    if (b.readOnly) return kAccessDenied;
    if (!b.file->store.hasOwner) return kOk;
    if (!b.ownerOk) return kInvalidOwner;
    return WriteOwner(b.file->store, false, {}, 0);
}

int16_t Dispatch(int16_t operation, void* positionBlock, void* data, int32_t* dataLength,
                 void* keyBuffer, uint8_t keyLength, int8_t keyNumber) {
    if (operation < 0) return kInvalidOperation;
    int base = operation % 100;
    const int bias = (operation / 100) % 10 * 100;
    bool keyOnly = false;
    if (base >= kOpGetEqual + kGetKeyOnly && base <= kOpGetLast + kGetKeyOnly) {
        base -= kGetKeyOnly;
        keyOnly = true;
    }
    int32_t dataRoom = (data && dataLength && *dataLength > 0) ? *dataLength : 0;

    switch (base) {
    case kOpOpen:
        return OpenOp(positionBlock, data, dataRoom, keyBuffer, keyLength, keyNumber);
    case kOpCreate:
        return CreateOp(data, dataRoom, keyBuffer, keyLength, keyNumber);
    case kOpReset:
    case kOpStop:
        ResetAll();
        return kOk;
    case kOpBeginTransaction:
        if (g_transaction) return kTransactionActive;
        g_transaction = true;
        for (auto& [identity, f] : g_files)
            f->store.userTransaction = true;
        return kOk;
    case kOpEndTransaction:
    case kOpAbortTransaction:
        if (!g_transaction) return kNoTransaction;
        return EndAll(base == kOpEndTransaction);
    default:
        break;
    }
    const bool known = base == kOpClose || base == kOpInsert || base == kOpUpdate ||
                       base == kOpDelete || (base >= kOpGetEqual && base <= kOpGetLast) ||
                       base == kOpStat || base == kOpGetPosition || base == kOpGetDirect ||
                       base == kOpStepNext || base == kOpUnlock || base == kOpSetOwner ||
                       base == kOpClearOwner || (base >= kOpStepFirst && base <= kOpStepPrevious);
    if (!known || (keyOnly && base > kOpGetLast)) return kInvalidOperation;
    uint32_t slot = 0;
    Block* b = FindBlock(positionBlock, slot);
    if (!b) return kFileNotOpen;
    if (!((base == kOpGetNext || base == kOpGetPrevious) && bias == 0)) b->ForgetAhead();

    switch (base) {
    case kOpClose:
        // Closing the last block of a file with uncommitted writes would lose them.
        if (b->file->store.inTransaction && b->file->blocks == 1) return kTransactionError;
        CloseBlock(*b, slot);
        return kOk;
    case kOpInsert:
        return InsertOp(*b, data, dataRoom, keyBuffer, keyNumber);
    case kOpUpdate:
        return UpdateOp(*b, slot, data, dataRoom, keyBuffer, keyNumber);
    case kOpDelete:
        return DeleteOp(*b, slot);
    case kOpStat:
        return StatOp(*b, data, dataRoom, dataLength, keyBuffer, keyLength, keyNumber);
    case kOpGetPosition:
        return GetPositionOp(*b, data, dataRoom, dataLength);
    case kOpGetDirect:
        return GetDirectOp(*b, bias, data, dataRoom, dataLength, keyBuffer, keyNumber, slot);
    case kOpStepFirst:
    case kOpStepLast:
    case kOpStepNext:
    case kOpStepPrevious:
        return StepOp(*b, base, bias, data, dataRoom, dataLength, slot);
    case kOpUnlock:
        return UnlockOp(*b, slot, data, dataRoom, keyNumber);
    case kOpSetOwner:
        return SetOwnerOp(*b, data, dataRoom, keyBuffer, keyLength, keyNumber);
    case kOpClearOwner:
        return ClearOwnerOp(*b);
    default:
        return GetOp(*b, base, bias, keyOnly, data, dataRoom, dataLength, keyBuffer, keyLength,
                     keyNumber, slot);
    }
}

} // namespace

int16_t BTRCALL(int16_t operation, void* positionBlock, void* dataBuffer, int32_t* dataLength,
                void* keyBuffer, uint8_t keyLength, int8_t keyNumber) {
    std::lock_guard<std::mutex> guard(g_mutex);
    try {
        return Dispatch(operation, positionBlock, dataBuffer, dataLength, keyBuffer, keyLength,
                        keyNumber);
    } catch (...) {
        return kIoError; // out of memory and the like: a status, never an exception
    }
}

} // namespace recman
