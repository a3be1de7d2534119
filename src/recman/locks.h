// Record and file locks shared between processes: open-file-description byte locks on the
// side file "<data file>.lck". The kernel drops them when the process holding them ends,
// however it ends, so a dead program never leaves a record locked.
//
// Byte map: 0 open lock (shared for every open, exclusive for an exclusive open), 1 file lock
// (a program holding the whole file), 2^32 + position: the record at that position.
#pragma once

#include <cstdint>
#include <string>

namespace recman {

constexpr int64_t kOpenLockByte = 0;
constexpr int64_t kFileLockByte = 1;
constexpr int64_t kRecordLockBase = int64_t{1} << 32;

// Opens (creating when missing) the lock file of a data file, close-on-exec. -1 on failure.
int OpenLockFile(const std::string& dataFileNativePath);
void CloseLockFile(int fd);

// Takes a lock on one byte without waiting; false when another holder prevents it.
bool TryLockByte(int fd, int64_t byte, bool exclusive);
void UnlockByte(int fd, int64_t byte);

// True when another open file description holds a lock on the byte that conflicts with an
// exclusive one.
bool ByteLockedByOther(int fd, int64_t byte);

// Change counters shared by every process through the lock file's first bytes (mapped in
// memory): "started" is raised inside each write transaction, "finished" set to the raised
// value once it has committed. While both stay equal and unchanged, nothing was written, so
// records read ahead are still current. A writer that dies half way leaves them unequal,
// which only turns reading ahead off until the next write.
struct ChangeCounters {
    uint64_t* started = nullptr;
    uint64_t* finished = nullptr;
};
ChangeCounters MapChangeCounters(int fd);
void UnmapChangeCounters(ChangeCounters& counters);
// The stamp of an unchanged file, or 0 while a write is under way.
uint64_t QuietStamp(const ChangeCounters& counters);
uint64_t WriteStarted(const ChangeCounters& counters);
void WriteFinished(const ChangeCounters& counters, uint64_t started);

// False when the kernel does not offer open-file-description locks.
bool LocksAvailable();

} // namespace recman
