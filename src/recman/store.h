// A data file as an SQLite database: one row per record (its position is the row id, never
// reused), and per key a column holding the key's comparison form (NULL when the record is
// left out of that key) and a duplicate sequence, with one index on the pair. Every seek is
// one short statement on that index; no statement stays open between calls.
#pragma once

#include "recman/filedef.h"
#include "recman/locks.h"

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace recman {

struct Store {
    sqlite3* db = nullptr;
    FileSpec spec;
    bool readOnly = false; // the operating system lets us only read the file
    bool hasOwner = false;
    std::string owner;
    int ownerMode = 0;
    std::vector<sqlite3_stmt*> statements; // prepared on first use
    bool userTransaction = false;          // the caller began a transaction
    bool inTransaction = false;            // ... and this file has written in it
    ChangeCounters counters;               // shared with other processes (may be unmapped)
    uint64_t writeStamp = 0;               // "started" value of the write under way
    std::vector<int64_t> opTally;          // count changes of the write under way
    std::vector<int64_t> txnTally;         // ... and of the transaction, written at its end
    bool opSavepoint = false;
};

// A record as a seek finds it, with its place in the order of the key sought.
struct Row {
    int64_t pos = 0;
    int64_t ver = 0;
    std::string data;
    bool formNull = true;
    std::string form;
    int64_t seq = 0;
};

enum class Seek {
    Equal,
    Greater,
    GreaterOrEqual,
    Less,
    First,
    Last,
    Next,     // after (form, seq)
    Previous, // before (form, seq)
    Direct,   // the record at a position
    StepFirst,
    StepLast,
    StepNext,     // the first position above pos
    StepPrevious, // the last position below pos
};

// Status of an SQLite result code.
int16_t SqliteStatus(int rc);

// Creates the database file of a specification at the native path; `replace` allows an
// existing file to be replaced (the caller has made sure nobody has it open).
int16_t CreateStore(const std::string& nativePath, const FileSpec& spec, bool replace);

// Opens an existing data file: 12 missing, 30 not a file of ours, 2 unreadable.
int16_t OpenStore(const std::string& nativePath, Store& store);
void CloseStore(Store& store);

// Finds one record. Returns 0, 9 when no record qualifies, or an error status. `key` is -1
// for the physical seeks (Step) and a Direct seek without key.
int16_t SeekRow(Store& store, int key, Seek seek, const std::string& form, int64_t seq, int64_t pos,
                Row& row);

// Up to `limit` records following (Next) or preceding (Previous) a place, in key order.
int16_t SeekRows(Store& store, int key, Seek seek, const std::string& form, int64_t seq, int limit,
                 std::vector<Row>& rows);

// Writes. Each runs in one write transaction. The record's key forms are computed here;
// `row` receives the written record with its place in the order of `key` (when key >= 0).
int16_t InsertRecord(Store& store, std::string& record, int key, Row& row);
int16_t UpdateRecord(Store& store, int64_t pos, int64_t readVer, const std::string& record, int key,
                     Row& row);
int16_t DeleteRecord(Store& store, int64_t pos, int64_t readVer);

// Ends the caller's transaction on this file: commits or rolls back what it wrote.
int16_t EndTransaction(Store& store, bool commit);

// The number of records and, per key, of distinct indexed values.
int16_t ReadTallies(Store& store, int64_t& records, std::vector<int64_t>& distinct);

// Owner name: set (mode 0..3) or cleared.
int16_t WriteOwner(Store& store, bool set, const std::string& owner, int mode);

// Full check of one file: SQLite's own integrity check, then every record's key forms and
// the tallies against the records. Appends findings; true when all is well.
bool CheckStore(Store& store, std::vector<std::string>& problems);

// The query plan SQLite chooses for a seek (one line per step), for tests.
std::string SeekPlan(Store& store, int key, Seek seek);

// The SQL of the statement stepping a key's index in key order (for the benchmark's
// comparison), with columns pos, ver, data, form, seq.
std::string KeyOrderQuery(int key);

} // namespace recman
