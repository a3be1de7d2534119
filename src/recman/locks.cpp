#include "recman/locks.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace recman {

namespace {

struct flock ByteRange(short type, int64_t byte) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(byte);
    fl.l_len = 1;
    fl.l_pid = 0; // must be 0 for open-file-description locks
    return fl;
}

} // namespace

int OpenLockFile(const std::string& dataFileNativePath) {
    std::string path = dataFileNativePath + ".lck";
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // A lock file in a directory we may only read: locks still work on a read-only
        // descriptor for shared locks only, so refuse rather than pretend.
        return -1;
    }
    return fd;
}

void CloseLockFile(int fd) {
    if (fd >= 0) ::close(fd);
}

bool TryLockByte(int fd, int64_t byte, bool exclusive) {
    struct flock fl = ByteRange(exclusive ? F_WRLCK : F_RDLCK, byte);
    int rc;
    do {
        rc = ::fcntl(fd, F_OFD_SETLK, &fl);
    } while (rc < 0 && errno == EINTR);
    return rc == 0;
}

void UnlockByte(int fd, int64_t byte) {
    struct flock fl = ByteRange(F_UNLCK, byte);
    ::fcntl(fd, F_OFD_SETLK, &fl);
}

bool ByteLockedByOther(int fd, int64_t byte) {
    struct flock fl = ByteRange(F_WRLCK, byte);
    if (::fcntl(fd, F_OFD_GETLK, &fl) < 0) return false;
    return fl.l_type != F_UNLCK;
}

ChangeCounters MapChangeCounters(int fd) {
    ChangeCounters c;
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) return c;
    if (st.st_size < 4096 && ::ftruncate(fd, 4096) != 0) return c;
    void* p = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return c;
    c.started = static_cast<uint64_t*>(p);
    c.finished = c.started + 1;
    return c;
}

void UnmapChangeCounters(ChangeCounters& counters) {
    if (counters.started) ::munmap(counters.started, 4096);
    counters = ChangeCounters{};
}

uint64_t QuietStamp(const ChangeCounters& counters) {
    if (!counters.started) return 0;
    uint64_t started = __atomic_load_n(counters.started, __ATOMIC_ACQUIRE);
    uint64_t finished = __atomic_load_n(counters.finished, __ATOMIC_ACQUIRE);
    return started == finished ? started + 1 : 0;
}

uint64_t WriteStarted(const ChangeCounters& counters) {
    if (!counters.started) return 0;
    return __atomic_add_fetch(counters.started, 1, __ATOMIC_ACQ_REL);
}

void WriteFinished(const ChangeCounters& counters, uint64_t started) {
    if (!counters.finished || started == 0) return;
    uint64_t seen = __atomic_load_n(counters.finished, __ATOMIC_ACQUIRE);
    while (seen < started && !__atomic_compare_exchange_n(counters.finished, &seen, started, false,
                                                          __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE)) {
    }
}

bool LocksAvailable() {
    static const bool available = [] {
        char name[] = "/tmp/recman-lockcheck-XXXXXX";
        int fd = ::mkstemp(name);
        if (fd < 0) return true; // cannot tell; the first real lock will show it
        ::unlink(name);
        bool ok = TryLockByte(fd, 0, true);
        ::close(fd);
        return ok;
    }();
    return available;
}

} // namespace recman
