#include "recman/store.h"

#include "recman/btrcall.h"
#include "recman/locks.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace recman {

namespace {

constexpr const char* kMagic = "recman-1";
constexpr int kBusyTimeoutMs = 10000;

// Statement kinds. Key statements are numbered per key, file statements after them.
enum Kind {
    kEqual,
    kGreater,
    kGreaterOrEqual,
    kLess,
    kFirst,
    kLast,
    kNext,
    kPrevious,
    kDirect,
    kNextMany,
    kPreviousMany,
    kGroupLast, // highest duplicate sequence of one value
    kExists,    // is there a record with this value
    kKeyKinds,
};
enum FileKind {
    kStepFirst,
    kStepLast,
    kStepNext,
    kStepPrevious,
    kDirectNoKey,
    kInsert,
    kUpdate,
    kDelete,
    kReadForms,
    kTally,
    kReadTallies,
    kBegin,
    kCommit,
    kRollback,
    kSavepoint,
    kRelease,
    kRollbackTo,
    kFileKinds,
};

std::string K(int key) {
    return "k" + std::to_string(key);
}
std::string Q(int key) {
    return "q" + std::to_string(key);
}

std::string KeySql(int key, int kind) {
    std::string k = K(key), q = Q(key);
    std::string select = "SELECT pos, ver, data, " + k + ", " + q + " FROM rec ";
    std::string up = " ORDER BY " + k + ", " + q + " LIMIT 1";
    std::string down = " ORDER BY " + k + " DESC, " + q + " DESC LIMIT 1";
    switch (kind) {
    case kEqual:
        return select + "WHERE " + k + " = ?1" + up;
    case kGreater:
        return select + "WHERE " + k + " > ?1" + up;
    case kGreaterOrEqual:
        return select + "WHERE " + k + " >= ?1" + up;
    case kLess:
        return select + "WHERE " + k + " < ?1" + down;
    case kFirst:
        return select + "WHERE " + k + " >= x''" + up;
    case kLast:
        return select + "WHERE " + k + " >= x''" + down;
    case kNext:
        return select + "WHERE (" + k + ", " + q + ") > (?1, ?2)" + up;
    case kPrevious:
        return select + "WHERE (" + k + ", " + q + ") < (?1, ?2)" + down;
    case kDirect:
        return select + "WHERE pos = ?3";
    case kNextMany:
        return select + "WHERE (" + k + ", " + q + ") > (?1, ?2) ORDER BY " + k + ", " + q +
               " LIMIT ?4";
    case kPreviousMany:
        return select + "WHERE (" + k + ", " + q + ") < (?1, ?2) ORDER BY " + k + " DESC, " + q +
               " DESC LIMIT ?4";
    case kGroupLast:
        return "SELECT " + q + " FROM rec WHERE " + k + " = ?1 ORDER BY " + q + " DESC LIMIT 1";
    case kExists:
        return "SELECT 1 FROM rec WHERE " + k + " = ?1 LIMIT 1";
    }
    return {};
}

std::string FileSql(const FileSpec& spec, int kind) {
    const int keys = static_cast<int>(spec.keys.size());
    std::string select = "SELECT pos, ver, data, NULL, 0 FROM rec ";
    switch (kind) {
    case kStepFirst:
        return select + "ORDER BY pos LIMIT 1";
    case kStepLast:
        return select + "ORDER BY pos DESC LIMIT 1";
    case kStepNext:
        return select + "WHERE pos > ?3 ORDER BY pos LIMIT 1";
    case kStepPrevious:
        return select + "WHERE pos < ?3 ORDER BY pos DESC LIMIT 1";
    case kDirectNoKey:
        return select + "WHERE pos = ?3";
    case kInsert: {
        std::string cols = "ver, data", vals = "1, ?1";
        for (int i = 0; i < keys; ++i) {
            cols += ", " + K(i) + ", " + Q(i);
            vals += ", ?" + std::to_string(2 + 2 * i) + ", ?" + std::to_string(3 + 2 * i);
        }
        return "INSERT INTO rec (" + cols + ") VALUES (" + vals + ")";
    }
    case kUpdate: {
        std::string set = "ver = ver + 1, data = ?1";
        for (int i = 0; i < keys; ++i)
            set += ", " + K(i) + " = ?" + std::to_string(2 + 2 * i) + ", " + Q(i) + " = ?" +
                   std::to_string(3 + 2 * i);
        return "UPDATE rec SET " + set + " WHERE pos = ?" + std::to_string(2 + 2 * keys);
    }
    case kDelete:
        return "DELETE FROM rec WHERE pos = ?1";
    case kReadForms: {
        std::string cols = "ver, data";
        for (int i = 0; i < keys; ++i)
            cols += ", " + K(i) + ", " + Q(i);
        return "SELECT " + cols + " FROM rec WHERE pos = ?1";
    }
    case kTally:
        return "UPDATE tally SET n = n + ?2 WHERE k = ?1";
    case kReadTallies:
        return "SELECT k, n FROM tally";
    case kBegin:
        return "BEGIN IMMEDIATE";
    case kCommit:
        return "COMMIT";
    case kRollback:
        return "ROLLBACK";
    case kSavepoint:
        return "SAVEPOINT w";
    case kRelease:
        return "RELEASE w";
    case kRollbackTo:
        return "ROLLBACK TO w";
    }
    return {};
}

template <typename SqlFn> sqlite3_stmt* Prepare(Store& store, size_t index, SqlFn sql) {
    if (store.statements.size() <= index) store.statements.resize(index + 1, nullptr);
    sqlite3_stmt*& st = store.statements[index];
    if (!st) {
        std::string text = sql();
        if (sqlite3_prepare_v3(store.db, text.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &st,
                               nullptr) != SQLITE_OK) {
            sqlite3_finalize(st);
            st = nullptr;
        }
    } else {
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
    }
    return st;
}

sqlite3_stmt* KeyStatement(Store& store, int key, int kind) {
    return Prepare(store, kFileKinds + static_cast<size_t>(key) * kKeyKinds + kind,
                   [&] { return KeySql(key, kind); });
}

sqlite3_stmt* FileStatement(Store& store, int kind) {
    return Prepare(store, kind, [&] { return FileSql(store.spec, kind); });
}

// Binds a comparison form; an empty form must stay a (zero-length) blob, never NULL.
void BindForm(sqlite3_stmt* st, int index, const std::string& form) {
    static const char empty = 0;
    sqlite3_bind_blob(st, index, form.empty() ? &empty : form.data(), static_cast<int>(form.size()),
                      SQLITE_STATIC);
}

void BindOptionalForm(sqlite3_stmt* st, int index, const std::optional<std::string>& form) {
    if (form)
        BindForm(st, index, *form);
    else
        sqlite3_bind_null(st, index);
}

std::string ColumnBlob(sqlite3_stmt* st, int column) {
    const void* p = sqlite3_column_blob(st, column);
    int n = sqlite3_column_bytes(st, column);
    return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
}

int16_t Exec(sqlite3* db, const char* sql) {
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? kOk : SqliteStatus(rc);
}

// The forms and duplicate sequences of one record on every key.
struct RecordKeys {
    std::vector<std::optional<std::string>> forms;
    std::vector<int64_t> seqs;
};

RecordKeys FormsOf(const FileSpec& spec, const std::string& record) {
    RecordKeys keys;
    const auto* data = reinterpret_cast<const uint8_t*>(record.data());
    for (const Key& key : spec.keys) {
        std::string value = KeyValue(key, data);
        const auto* v = reinterpret_cast<const uint8_t*>(value.data());
        if (KeyLeftOut(key, v))
            keys.forms.emplace_back(std::nullopt);
        else
            keys.forms.emplace_back(KeyForm(spec, key, v));
        keys.seqs.push_back(0);
    }
    return keys;
}

// Inside a write transaction: the sequence a new member of the value's duplicate group gets,
// and whether the value is new to the key.
int16_t NextSequence(Store& store, int key, const std::string& form, int64_t& seq, bool& newValue) {
    sqlite3_stmt* st =
        KeyStatement(store, key, store.spec.keys[key].duplicates ? kGroupLast : kExists);
    if (!st) return kIoError;
    BindForm(st, 1, form);
    int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        newValue = false;
        seq = store.spec.keys[key].duplicates ? sqlite3_column_int64(st, 0) + 1 : 0;
    } else if (rc == SQLITE_DONE) {
        newValue = true;
        seq = store.spec.keys[key].duplicates ? 1 : 0;
    } else {
        int16_t status = SqliteStatus(rc);
        sqlite3_reset(st);
        return status;
    }
    sqlite3_reset(st);
    return kOk;
}

int16_t ValueStillPresent(Store& store, int key, const std::string& form, bool& present) {
    sqlite3_stmt* st = KeyStatement(store, key, kExists);
    if (!st) return kIoError;
    BindForm(st, 1, form);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return SqliteStatus(rc);
    present = rc == SQLITE_ROW;
    return kOk;
}

int16_t WriteTally(Store& store, int which, int64_t delta) {
    if (delta == 0) return kOk;
    sqlite3_stmt* st = FileStatement(store, kTally);
    if (!st) return kIoError;
    sqlite3_bind_int(st, 1, which);
    sqlite3_bind_int64(st, 2, delta);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    return rc == SQLITE_DONE ? kOk : SqliteStatus(rc);
}

// Counts change with each write: at once outside a transaction, at its end inside one (one
// update per count instead of several per record).
int16_t AddTally(Store& store, int which, int delta) {
    if (!store.inTransaction) return WriteTally(store, which, delta);
    store.opTally.resize(store.spec.keys.size() + 1, 0);
    store.opTally[which + 1] += delta;
    return kOk;
}

int16_t Step(Store& store, int kind) {
    sqlite3_stmt* st = FileStatement(store, kind);
    if (!st) return kIoError;
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc == SQLITE_BUSY) return kRecordInUse;
    return rc == SQLITE_DONE ? kOk : SqliteStatus(rc);
}

// One write: its own transaction, or inside the caller's open transaction a savepoint (so a
// failed write is undone alone and the transaction goes on). A write of one statement needs
// no savepoint: SQLite undoes a failed statement by itself.
int16_t Begin(Store& store, bool savepoint = true) {
    store.opTally.assign(store.spec.keys.size() + 1, 0);
    store.opSavepoint = false;
    if (store.userTransaction && !store.inTransaction) {
        if (int16_t status = Step(store, kBegin)) return status;
        store.inTransaction = true;
        store.writeStamp = WriteStarted(store.counters);
    }
    if (store.inTransaction) {
        // SQLite rolls a whole transaction back by itself after some failures (disk full, I/O
        // error): the writes of this one are gone, so no further write may pretend otherwise.
        if (sqlite3_get_autocommit(store.db)) return kTransactionError;
        store.opSavepoint = savepoint;
        return savepoint ? Step(store, kSavepoint) : kOk;
    }
    if (int16_t status = Step(store, kBegin)) return status;
    store.writeStamp = WriteStarted(store.counters);
    return kOk;
}

void Finished(Store& store) {
    WriteFinished(store.counters, store.writeStamp);
    store.writeStamp = 0;
}

int16_t Commit(Store& store) {
    if (store.inTransaction) {
        if (store.opSavepoint) {
            if (int16_t status = Step(store, kRelease)) return status;
        }
        store.txnTally.resize(store.opTally.size(), 0);
        for (size_t i = 0; i < store.opTally.size(); ++i)
            store.txnTally[i] += store.opTally[i];
        return kOk;
    }
    int16_t status = Step(store, kCommit);
    if (status == kOk) Finished(store);
    return status;
}

void Rollback(Store& store) {
    if (sqlite3_get_autocommit(store.db)) return;
    if (store.inTransaction) {
        if (store.opSavepoint) {
            Step(store, kRollbackTo);
            Step(store, kRelease);
        }
    } else {
        Step(store, kRollback);
        Finished(store);
    }
}

uint64_t ReadUnsigned(const uint8_t* p, int length) {
    uint64_t v = 0;
    for (int i = length - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

void WriteUnsigned(uint8_t* p, int length, uint64_t v) {
    for (int i = 0; i < length; ++i, v >>= 8)
        p[i] = static_cast<uint8_t>(v & 0xFF);
}

// Autoincrement segments holding zero get the highest value in the file plus one.
int16_t FillAutoIncrement(Store& store, std::string& record) {
    auto* data = reinterpret_cast<uint8_t*>(record.data());
    for (size_t k = 0; k < store.spec.keys.size(); ++k) {
        const Key& key = store.spec.keys[k];
        for (size_t s = 0; s < key.segments.size(); ++s) {
            const Segment& seg = key.segments[s];
            if (seg.type != kTypeAutoIncrement) continue;
            uint8_t* field = data + seg.position - 1;
            if (ReadUnsigned(field, seg.length) != 0) continue;
            uint64_t highest = 0;
            if (s == 0 && !(seg.flags & kKeyDescending)) {
                // The key's own index gives the highest value at once.
                sqlite3_stmt* st = KeyStatement(store, static_cast<int>(k), kLast);
                if (!st) return kIoError;
                int rc = sqlite3_step(st);
                if (rc == SQLITE_ROW) {
                    std::string other = ColumnBlob(st, 2);
                    if (other.size() >= seg.position - 1u + seg.length)
                        highest = ReadUnsigned(reinterpret_cast<const uint8_t*>(other.data()) +
                                                   seg.position - 1,
                                               seg.length);
                } else if (rc != SQLITE_DONE) {
                    sqlite3_reset(st);
                    return SqliteStatus(rc);
                }
                sqlite3_reset(st);
            } else {
                sqlite3_stmt* st = nullptr;
                if (sqlite3_prepare_v2(store.db, "SELECT data FROM rec", -1, &st, nullptr) !=
                    SQLITE_OK)
                    return kIoError;
                int rc;
                while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                    std::string other = ColumnBlob(st, 0);
                    if (other.size() >= seg.position - 1u + seg.length)
                        highest = std::max(
                            highest, ReadUnsigned(reinterpret_cast<const uint8_t*>(other.data()) +
                                                      seg.position - 1,
                                                  seg.length));
                }
                sqlite3_finalize(st);
                if (rc != SQLITE_DONE) return SqliteStatus(rc);
            }
            uint64_t limit = seg.length >= 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * seg.length)) - 1;
            if (highest >= limit) return kDuplicateKey;
            WriteUnsigned(field, seg.length, highest + 1);
        }
    }
    return kOk;
}

void FillRow(const RecordKeys& keys, int key, Row& row) {
    if (key < 0 || key >= static_cast<int>(keys.forms.size())) {
        row.formNull = true;
        row.form.clear();
        row.seq = 0;
        return;
    }
    row.formNull = !keys.forms[key];
    row.form = row.formNull ? std::string() : *keys.forms[key];
    row.seq = keys.seqs[key];
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string Directory(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

} // namespace

int16_t SqliteStatus(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
        return kOk;
    case SQLITE_CONSTRAINT:
        return kDuplicateKey;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return kRecordInUse;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return kAccessDenied;
    case SQLITE_FULL:
        return kDiskFull;
    case SQLITE_NOTADB:
        return kNotOurFile;
    case SQLITE_CANTOPEN:
        return kFileNotFound;
    default:
        return kIoError;
    }
}

int16_t CreateStore(const std::string& nativePath, const FileSpec& spec, bool replace) {
    std::string dir = Directory(nativePath);
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kCreateIoError;
    if (::stat(nativePath.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return kInvalidFileName;

    std::string temp = nativePath + ".new-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return errno == ENOSPC ? kDiskFull : kCreateIoError;
    // The file is shared by every user of the suite: it gets the permissions a file created
    // normally would (the creation mask applied), not the private ones of a temporary file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    int16_t status = rc == SQLITE_OK ? kOk : kCreateIoError;
    if (status == kOk) {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        status = Exec(db, "PRAGMA page_size = 4096; PRAGMA journal_mode = WAL;");
    }
    if (status == kOk) {
        std::string schema = "BEGIN;"
                             "CREATE TABLE meta (id INTEGER PRIMARY KEY, magic TEXT NOT NULL, "
                             "spec BLOB NOT NULL, owner BLOB, owner_mode INTEGER NOT NULL);"
                             "CREATE TABLE tally (k INTEGER PRIMARY KEY, n INTEGER NOT NULL);"
                             "CREATE TABLE rec (pos INTEGER PRIMARY KEY AUTOINCREMENT, "
                             "ver INTEGER NOT NULL, data BLOB NOT NULL";
        for (size_t i = 0; i < spec.keys.size(); ++i)
            schema += ", " + K(static_cast<int>(i)) + " BLOB, " + Q(static_cast<int>(i)) +
                      " INTEGER NOT NULL";
        schema += ");";
        for (size_t i = 0; i < spec.keys.size(); ++i) {
            int k = static_cast<int>(i);
            schema += std::string("CREATE ") + (spec.keys[i].duplicates ? "" : "UNIQUE ") +
                      "INDEX rec_" + K(k) + " ON rec (" + K(k) + ", " + Q(k) + ");";
        }
        schema += "INSERT INTO tally VALUES (-1, 0);";
        for (size_t i = 0; i < spec.keys.size(); ++i)
            schema += "INSERT INTO tally VALUES (" + std::to_string(i) + ", 0);";
        schema += "COMMIT;";
        status = Exec(db, schema.c_str());
    }
    if (status == kOk) {
        sqlite3_stmt* ins = nullptr;
        rc = sqlite3_prepare_v2(db, "INSERT INTO meta VALUES (1, ?1, ?2, NULL, 0)", -1, &ins,
                                nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_bind_text(ins, 1, kMagic, -1, SQLITE_STATIC);
            sqlite3_bind_blob(ins, 2, spec.bytes.data(), static_cast<int>(spec.bytes.size()),
                              SQLITE_STATIC);
            rc = sqlite3_step(ins);
            sqlite3_finalize(ins);
        }
        status = (rc == SQLITE_DONE) ? kOk
                                     : (SqliteStatus(rc) == kDiskFull ? kDiskFull : kCreateIoError);
    }
    if (sqlite3_close(db) != SQLITE_OK && status == kOk) status = kCreateIoError;
    if (status != kOk) {
        ::unlink(temp.c_str());
        ::unlink((temp + "-wal").c_str());
        ::unlink((temp + "-shm").c_str());
        return status == kDiskFull ? kDiskFull : kCreateIoError;
    }

    // Publish: a new file appears whole or not at all. Companion files left by an earlier file
    // of the same name would be replayed into the new one, so they go first.
    int lockFd = OpenLockFile(nativePath);
    if (replace) {
        if (lockFd < 0 || !TryLockByte(lockFd, kOpenLockByte, true)) {
            CloseLockFile(lockFd);
            ::unlink(temp.c_str());
            return lockFd < 0 ? kCreateIoError : kFileInUse;
        }
        ::unlink((nativePath + "-wal").c_str());
        ::unlink((nativePath + "-shm").c_str());
        rc = ::rename(temp.c_str(), nativePath.c_str());
        status = rc == 0 ? kOk : kCreateIoError;
    } else {
        if (!Exists(nativePath)) {
            ::unlink((nativePath + "-wal").c_str());
            ::unlink((nativePath + "-shm").c_str());
        }
        rc = ::link(temp.c_str(), nativePath.c_str());
        if (rc != 0 && errno != EEXIST) {
            // File systems without hard links: a rename that refuses to replace.
            rc =
                ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, nativePath.c_str(), RENAME_NOREPLACE);
        }
        status = rc == 0 ? kOk : (errno == EEXIST ? kFileExists : kCreateIoError);
    }
    ::unlink(temp.c_str());
    CloseLockFile(lockFd);
    return status;
}

int16_t OpenStore(const std::string& nativePath, Store& store) {
    store = Store{};
    struct stat st;
    if (::stat(nativePath.c_str(), &st) != 0) return kFileNotFound;
    if (!S_ISREG(st.st_mode)) return kInvalidFileName;
    if (st.st_size == 0) return kNotOurFile;

    int rc = sqlite3_open_v2(nativePath.c_str(), &store.db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(store.db);
        store.db = nullptr;
        rc = sqlite3_open_v2(nativePath.c_str(), &store.db, SQLITE_OPEN_READONLY, nullptr);
        store.readOnly = true;
    }
    if (rc != SQLITE_OK) {
        sqlite3_close(store.db);
        store.db = nullptr;
        return access(nativePath.c_str(), R_OK) == 0 ? kIoError : kAccessDenied;
    }
    sqlite3_busy_timeout(store.db, kBusyTimeoutMs);

    sqlite3_stmt* q = nullptr;
    rc = sqlite3_prepare_v2(
        store.db, "SELECT magic, spec, owner, owner_mode FROM meta WHERE id = 1", -1, &q, nullptr);
    int16_t status = kOk;
    if (rc != SQLITE_OK) {
        // No meta table (another kind of database) or not a database at all.
        int code = rc & 0xFF;
        status = (code == SQLITE_ERROR || code == SQLITE_NOTADB) ? kNotOurFile : SqliteStatus(rc);
        if (status == kRecordInUse) status = kFileInUse;
    } else {
        rc = sqlite3_step(q);
        if (rc == SQLITE_ROW) {
            const unsigned char* magic = sqlite3_column_text(q, 0);
            std::string spec = ColumnBlob(q, 1);
            if (!magic || std::string(reinterpret_cast<const char*>(magic)) != kMagic ||
                ParseFileSpec(reinterpret_cast<const uint8_t*>(spec.data()), spec.size(),
                              store.spec) != kOk) {
                status = kNotOurFile;
            } else {
                store.hasOwner = sqlite3_column_type(q, 2) != SQLITE_NULL;
                store.owner = ColumnBlob(q, 2);
                store.ownerMode = sqlite3_column_int(q, 3);
            }
        } else if (rc == SQLITE_DONE) {
            status = kNotOurFile;
        } else {
            status = SqliteStatus(rc);
            if (status == kRecordInUse) status = kFileInUse;
        }
        sqlite3_finalize(q);
    }
    if (status == kOk) {
        // The columns the statements name must be there: a damaged schema is not ours.
        sqlite3_stmt* probe = nullptr;
        std::string sql = FileSql(store.spec, kReadForms);
        if (sqlite3_prepare_v2(store.db, sql.c_str(), -1, &probe, nullptr) != SQLITE_OK)
            status = kNotOurFile;
        sqlite3_finalize(probe);
    }
    // A larger page cache keeps the upper index pages of big files in memory.
    if (status == kOk) Exec(store.db, "PRAGMA synchronous = NORMAL; PRAGMA cache_size = -32768");
    if (status != kOk) CloseStore(store);
    return status;
}

void CloseStore(Store& store) {
    for (sqlite3_stmt* st : store.statements)
        sqlite3_finalize(st);
    store.statements.clear();
    if (store.db) sqlite3_close(store.db);
    store.db = nullptr;
}

int16_t SeekRow(Store& store, int key, Seek seek, const std::string& form, int64_t seq, int64_t pos,
                Row& row) {
    sqlite3_stmt* st = nullptr;
    switch (seek) {
    case Seek::Equal:
        st = KeyStatement(store, key, kEqual);
        break;
    case Seek::Greater:
        st = KeyStatement(store, key, kGreater);
        break;
    case Seek::GreaterOrEqual:
        st = KeyStatement(store, key, kGreaterOrEqual);
        break;
    case Seek::Less:
        st = KeyStatement(store, key, kLess);
        break;
    case Seek::First:
        st = KeyStatement(store, key, kFirst);
        break;
    case Seek::Last:
        st = KeyStatement(store, key, kLast);
        break;
    case Seek::Next:
        st = KeyStatement(store, key, kNext);
        break;
    case Seek::Previous:
        st = KeyStatement(store, key, kPrevious);
        break;
    case Seek::Direct:
        st = key >= 0 ? KeyStatement(store, key, kDirect) : FileStatement(store, kDirectNoKey);
        break;
    case Seek::StepFirst:
        st = FileStatement(store, kStepFirst);
        break;
    case Seek::StepLast:
        st = FileStatement(store, kStepLast);
        break;
    case Seek::StepNext:
        st = FileStatement(store, kStepNext);
        break;
    case Seek::StepPrevious:
        st = FileStatement(store, kStepPrevious);
        break;
    }
    if (!st) return kIoError;
    int params = sqlite3_bind_parameter_count(st);
    if (params >= 1 && sqlite3_bind_parameter_index(st, "?1")) BindForm(st, 1, form);
    if (params >= 2 && sqlite3_bind_parameter_index(st, "?2")) sqlite3_bind_int64(st, 2, seq);
    if (int i = sqlite3_bind_parameter_index(st, "?3")) sqlite3_bind_int64(st, i, pos);
    int rc = sqlite3_step(st);
    int16_t status = kOk;
    if (rc == SQLITE_ROW) {
        row.pos = sqlite3_column_int64(st, 0);
        row.ver = sqlite3_column_int64(st, 1);
        const void* p = sqlite3_column_blob(st, 2);
        row.data.assign(p ? static_cast<const char*>(p) : "",
                        static_cast<size_t>(sqlite3_column_bytes(st, 2)));
        row.formNull = sqlite3_column_type(st, 3) == SQLITE_NULL;
        if (row.formNull)
            row.form.clear();
        else
            row.form = ColumnBlob(st, 3);
        row.seq = sqlite3_column_int64(st, 4);
        // A record shorter than the fixed length cannot come from us.
        if (row.data.size() < store.spec.recordLength) status = kIoError;
    } else if (rc == SQLITE_DONE) {
        status = kEndOfFile;
    } else {
        status = SqliteStatus(rc);
        if (status == kDuplicateKey) status = kIoError;
    }
    sqlite3_reset(st);
    return status;
}

int16_t SeekRows(Store& store, int key, Seek seek, const std::string& form, int64_t seq, int limit,
                 std::vector<Row>& rows) {
    sqlite3_stmt* st = KeyStatement(store, key, seek == Seek::Next ? kNextMany : kPreviousMany);
    if (!st) return kIoError;
    BindForm(st, 1, form);
    sqlite3_bind_int64(st, 2, seq);
    sqlite3_bind_int(st, 4, limit);
    size_t n = 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        if (rows.size() <= n) rows.emplace_back();
        Row& row = rows[n++];
        row.pos = sqlite3_column_int64(st, 0);
        row.ver = sqlite3_column_int64(st, 1);
        const void* p = sqlite3_column_blob(st, 2);
        row.data.assign(p ? static_cast<const char*>(p) : "",
                        static_cast<size_t>(sqlite3_column_bytes(st, 2)));
        const void* f = sqlite3_column_blob(st, 3);
        row.formNull = false;
        row.form.assign(f ? static_cast<const char*>(f) : "",
                        static_cast<size_t>(sqlite3_column_bytes(st, 3)));
        row.seq = sqlite3_column_int64(st, 4);
        if (row.data.size() < store.spec.recordLength) rc = SQLITE_CORRUPT;
        if (rc != SQLITE_ROW) break;
    }
    sqlite3_reset(st);
    rows.resize(n);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        return SqliteStatus(rc) == kDuplicateKey ? kIoError : SqliteStatus(rc);
    return kOk;
}

int16_t InsertRecord(Store& store, std::string& record, int key, Row& row) {
    // Inside a transaction the insert is the only statement that writes: no savepoint.
    int16_t status = Begin(store, false);
    if (status != kOk) return status;
    status = FillAutoIncrement(store, record);
    RecordKeys keys = FormsOf(store.spec, record);
    std::vector<int> newValue(store.spec.keys.size(), 0);
    for (size_t k = 0; status == kOk && k < store.spec.keys.size(); ++k) {
        if (!keys.forms[k]) continue;
        bool fresh = false;
        status = NextSequence(store, static_cast<int>(k), *keys.forms[k], keys.seqs[k], fresh);
        if (status == kOk && !fresh && !store.spec.keys[k].duplicates) status = kDuplicateKey;
        newValue[k] = fresh ? 1 : 0;
    }
    sqlite3_stmt* st = status == kOk ? FileStatement(store, kInsert) : nullptr;
    if (status == kOk && !st) status = kIoError;
    if (status == kOk) {
        sqlite3_bind_blob(st, 1, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
        for (size_t k = 0; k < store.spec.keys.size(); ++k) {
            BindOptionalForm(st, 2 + 2 * static_cast<int>(k), keys.forms[k]);
            sqlite3_bind_int64(st, 3 + 2 * static_cast<int>(k), keys.seqs[k]);
        }
        int rc = sqlite3_step(st);
        sqlite3_reset(st);
        status = rc == SQLITE_DONE ? kOk : SqliteStatus(rc);
    }
    if (status == kOk) {
        row.pos = sqlite3_last_insert_rowid(store.db);
        if (row.pos >= (int64_t{1} << 32)) status = kIoError;
    }
    if (status == kOk) status = AddTally(store, -1, 1);
    for (size_t k = 0; status == kOk && k < store.spec.keys.size(); ++k)
        status = AddTally(store, static_cast<int>(k), newValue[k]);
    if (status == kOk) status = Commit(store);
    if (status != kOk) {
        Rollback(store);
        return status;
    }
    row.ver = 1;
    row.data = record;
    FillRow(keys, key, row);
    return kOk;
}

namespace {

// Reads a record's version, data and stored key places inside a write transaction.
int16_t ReadStored(Store& store, int64_t pos, int64_t& ver, std::string& data, RecordKeys& keys) {
    sqlite3_stmt* st = FileStatement(store, kReadForms);
    if (!st) return kIoError;
    sqlite3_bind_int64(st, 1, pos);
    int rc = sqlite3_step(st);
    int16_t status = kOk;
    if (rc == SQLITE_ROW) {
        ver = sqlite3_column_int64(st, 0);
        data = ColumnBlob(st, 1);
        for (size_t k = 0; k < store.spec.keys.size(); ++k) {
            int c = 2 + 2 * static_cast<int>(k);
            if (sqlite3_column_type(st, c) == SQLITE_NULL)
                keys.forms.emplace_back(std::nullopt);
            else
                keys.forms.emplace_back(ColumnBlob(st, c));
            keys.seqs.push_back(sqlite3_column_int64(st, c + 1));
        }
    } else if (rc == SQLITE_DONE) {
        status = kConflict; // deleted by another program since it was read
    } else {
        status = SqliteStatus(rc);
    }
    sqlite3_reset(st);
    return status;
}

} // namespace

int16_t UpdateRecord(Store& store, int64_t pos, int64_t readVer, const std::string& record, int key,
                     Row& row) {
    int16_t status = Begin(store);
    if (status != kOk) return status;
    int64_t ver = 0;
    std::string oldData;
    RecordKeys old;
    status = ReadStored(store, pos, ver, oldData, old);
    if (status == kOk && ver != readVer) status = kConflict;
    RecordKeys keys = FormsOf(store.spec, record);
    std::vector<int> tally(store.spec.keys.size(), 0);
    for (size_t k = 0; status == kOk && k < store.spec.keys.size(); ++k) {
        const bool same = old.forms[k] == keys.forms[k];
        if (same) {
            keys.seqs[k] = old.seqs[k];
            continue;
        }
        // Stored forms are compared, so a value that sorts the same (another letter case on a
        // case-blind key) counts as unchanged; a changed raw value of a fixed key does not.
        if (!store.spec.keys[k].modifiable) {
            status = kModifiableKeyError;
            break;
        }
        if (keys.forms[k]) {
            bool fresh = false;
            status = NextSequence(store, static_cast<int>(k), *keys.forms[k], keys.seqs[k], fresh);
            if (status == kOk && !fresh && !store.spec.keys[k].duplicates) status = kDuplicateKey;
            tally[k] += fresh ? 1 : 0;
        }
    }
    if (status == kOk) {
        // Keys whose raw bytes changed but not their order place also need the fixed-key rule.
        const auto* oldBytes = reinterpret_cast<const uint8_t*>(oldData.data());
        const auto* newBytes = reinterpret_cast<const uint8_t*>(record.data());
        for (const Key& k : store.spec.keys)
            if (!k.modifiable && KeyValue(k, oldBytes) != KeyValue(k, newBytes)) {
                status = kModifiableKeyError;
                break;
            }
    }
    sqlite3_stmt* st = status == kOk ? FileStatement(store, kUpdate) : nullptr;
    if (status == kOk && !st) status = kIoError;
    if (status == kOk) {
        sqlite3_bind_blob(st, 1, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
        const int keys_ = static_cast<int>(store.spec.keys.size());
        for (int k = 0; k < keys_; ++k) {
            BindOptionalForm(st, 2 + 2 * k, keys.forms[k]);
            sqlite3_bind_int64(st, 3 + 2 * k, keys.seqs[k]);
        }
        sqlite3_bind_int64(st, 2 + 2 * keys_, pos);
        int rc = sqlite3_step(st);
        sqlite3_reset(st);
        status = rc == SQLITE_DONE ? kOk : SqliteStatus(rc);
    }
    // Values the record left: one fewer distinct value when no other record keeps it.
    for (size_t k = 0; status == kOk && k < store.spec.keys.size(); ++k) {
        if (old.forms[k] == keys.forms[k] || !old.forms[k]) continue;
        bool present = false;
        status = ValueStillPresent(store, static_cast<int>(k), *old.forms[k], present);
        if (!present) tally[k] -= 1;
    }
    for (size_t k = 0; status == kOk && k < store.spec.keys.size(); ++k)
        status = AddTally(store, static_cast<int>(k), tally[k]);
    if (status == kOk) status = Commit(store);
    if (status != kOk) {
        Rollback(store);
        return status;
    }
    row.pos = pos;
    row.ver = ver + 1;
    row.data = record;
    FillRow(keys, key, row);
    return kOk;
}

int16_t DeleteRecord(Store& store, int64_t pos, int64_t readVer) {
    int16_t status = Begin(store);
    if (status != kOk) return status;
    int64_t ver = 0;
    std::string oldData;
    RecordKeys old;
    status = ReadStored(store, pos, ver, oldData, old);
    if (status == kOk && ver != readVer) status = kConflict;
    sqlite3_stmt* st = status == kOk ? FileStatement(store, kDelete) : nullptr;
    if (status == kOk && !st) status = kIoError;
    if (status == kOk) {
        sqlite3_bind_int64(st, 1, pos);
        int rc = sqlite3_step(st);
        sqlite3_reset(st);
        status = rc == SQLITE_DONE ? kOk : SqliteStatus(rc);
    }
    if (status == kOk) status = AddTally(store, -1, -1);
    for (size_t k = 0; status == kOk && k < store.spec.keys.size(); ++k) {
        if (!old.forms[k]) continue;
        bool present = false;
        status = ValueStillPresent(store, static_cast<int>(k), *old.forms[k], present);
        if (status == kOk && !present) status = AddTally(store, static_cast<int>(k), -1);
    }
    if (status == kOk) status = Commit(store);
    if (status != kOk) Rollback(store);
    return status;
}

int16_t EndTransaction(Store& store, bool commit) {
    store.userTransaction = false;
    std::vector<int64_t> tally;
    tally.swap(store.txnTally);
    if (!store.inTransaction) return kOk;
    store.inTransaction = false;
    int16_t status = kOk;
    if (sqlite3_get_autocommit(store.db)) {
        Finished(store);
        return commit ? kTransactionError : kOk; // already rolled back by SQLite
    }
    for (size_t i = 0; commit && status == kOk && i < tally.size(); ++i)
        status = WriteTally(store, static_cast<int>(i) - 1, tally[i]);
    if (status == kOk) status = Step(store, commit ? kCommit : kRollback);
    if (status != kOk && !sqlite3_get_autocommit(store.db)) Step(store, kRollback);
    Finished(store);
    return status;
}

int16_t ReadTallies(Store& store, int64_t& records, std::vector<int64_t>& distinct) {
    records = 0;
    distinct.assign(store.spec.keys.size(), 0);
    // Kept prepared: Stat reads the tallies on every call, and the data layer calls Stat for
    // each positioning by key.
    sqlite3_stmt* st = FileStatement(store, kReadTallies);
    if (!st) return kIoError;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        int64_t k = sqlite3_column_int64(st, 0), n = sqlite3_column_int64(st, 1);
        if (k == -1)
            records = n;
        else if (k >= 0 && k < static_cast<int64_t>(distinct.size()))
            distinct[k] = n;
    }
    // This process's writes of a transaction not yet ended count already.
    for (size_t i = 0; i < store.txnTally.size(); ++i) {
        if (i == 0)
            records += store.txnTally[0];
        else if (i - 1 < distinct.size())
            distinct[i - 1] += store.txnTally[i];
    }
    sqlite3_reset(st);
    return rc == SQLITE_DONE ? kOk : SqliteStatus(rc);
}

int16_t WriteOwner(Store& store, bool set, const std::string& owner, int mode) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(
        store.db, "UPDATE meta SET owner = ?1, owner_mode = ?2 WHERE id = 1", -1, &st, nullptr);
    if (rc != SQLITE_OK) return SqliteStatus(rc);
    if (set)
        sqlite3_bind_blob(st, 1, owner.data(), static_cast<int>(owner.size()), SQLITE_STATIC);
    else
        sqlite3_bind_null(st, 1);
    sqlite3_bind_int(st, 2, set ? mode : 0);
    rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) return SqliteStatus(rc);
    store.hasOwner = set;
    store.owner = set ? owner : std::string();
    store.ownerMode = set ? mode : 0;
    return kOk;
}

bool CheckStore(Store& store, std::vector<std::string>& problems) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(store.db, "PRAGMA integrity_check", -1, &st, nullptr) != SQLITE_OK) {
        problems.push_back("the database cannot be checked");
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(st, 0);
        std::string line = text ? reinterpret_cast<const char*>(text) : "";
        if (line != "ok") problems.push_back("database: " + line);
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) problems.push_back("database: integrity check stopped");
    if (!problems.empty()) return false;

    // Every record: length, stored key forms, unique values; then the tallies.
    const size_t keyCount = store.spec.keys.size();
    std::string sql = "SELECT pos, data";
    for (size_t k = 0; k < keyCount; ++k)
        sql += ", " + K(static_cast<int>(k)) + ", " + Q(static_cast<int>(k));
    sql += " FROM rec ORDER BY pos";
    if (sqlite3_prepare_v2(store.db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        problems.push_back("records cannot be read");
        return false;
    }
    int64_t records = 0;
    std::vector<std::map<std::string, int>> values(keyCount);
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        ++records;
        int64_t pos = sqlite3_column_int64(st, 0);
        std::string data = ColumnBlob(st, 1);
        std::string where = "record at position " + std::to_string(pos);
        if (data.size() < store.spec.recordLength ||
            (!store.spec.variable() && data.size() != store.spec.recordLength)) {
            problems.push_back(where + ": length " + std::to_string(data.size()));
            continue;
        }
        RecordKeys keys = FormsOf(store.spec, data);
        for (size_t k = 0; k < keyCount; ++k) {
            int c = 2 + 2 * static_cast<int>(k);
            std::optional<std::string> stored;
            if (sqlite3_column_type(st, c) != SQLITE_NULL) stored = ColumnBlob(st, c);
            if (stored != keys.forms[k])
                problems.push_back(where + ": key " + std::to_string(k) + " out of place");
            if (stored) ++values[k][*stored];
        }
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) problems.push_back("records: reading stopped");
    int64_t tallied = 0;
    std::vector<int64_t> distinct;
    if (ReadTallies(store, tallied, distinct) != kOk) {
        problems.push_back("counts cannot be read");
    } else {
        if (tallied != records)
            problems.push_back("record count " + std::to_string(tallied) + ", records " +
                               std::to_string(records));
        for (size_t k = 0; k < keyCount; ++k) {
            if (distinct[k] != static_cast<int64_t>(values[k].size()))
                problems.push_back("key " + std::to_string(k) + ": value count " +
                                   std::to_string(distinct[k]) + ", values " +
                                   std::to_string(values[k].size()));
            if (!store.spec.keys[k].duplicates)
                for (const auto& [form, n] : values[k])
                    if (n > 1) problems.push_back("key " + std::to_string(k) + ": repeated value");
        }
    }
    return problems.empty();
}

std::string SeekPlan(Store& store, int key, Seek seek) {
    int kind = kEqual;
    switch (seek) {
    case Seek::Equal:
        kind = kEqual;
        break;
    case Seek::Greater:
        kind = kGreater;
        break;
    case Seek::GreaterOrEqual:
        kind = kGreaterOrEqual;
        break;
    case Seek::Less:
        kind = kLess;
        break;
    case Seek::First:
        kind = kFirst;
        break;
    case Seek::Last:
        kind = kLast;
        break;
    case Seek::Next:
        kind = kNext;
        break;
    case Seek::Previous:
        kind = kPrevious;
        break;
    default:
        kind = kDirect;
        break;
    }
    std::string sql = "EXPLAIN QUERY PLAN " + KeySql(key, kind);
    sqlite3_stmt* st = nullptr;
    std::string plan;
    if (sqlite3_prepare_v2(store.db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) return "error";
    while (sqlite3_step(st) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(st, 3);
        if (text) plan += std::string(reinterpret_cast<const char*>(text)) + "\n";
    }
    sqlite3_finalize(st);
    return plan;
}

std::string KeyOrderQuery(int key) {
    return "SELECT pos, ver, data, " + K(key) + ", " + Q(key) + " FROM rec WHERE " + K(key) +
           " >= x'' ORDER BY " + K(key) + ", " + Q(key);
}

} // namespace recman
