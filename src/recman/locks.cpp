#include "recman/locks.h"

#include <cerrno>
#include <fcntl.h>
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
