// Locks over a range of a file that belong to one open file description (not to the process),
// so that two handles of one process are two holders, and the kernel drops them when the holder
// dies: the runtime area's mutexes and published windows rest on them.
#pragma once

#include <fcntl.h>

#include <cerrno>

namespace ce {

// Takes a read (F_RDLCK) or write (F_WRLCK) lock on `length` bytes from `start` of the file open
// as `fd` (length 0: to the end of the file, however long it grows), or releases it (F_UNLCK);
// with `wait` it waits for other holders, else it fails at once. Interruptions by signals are
// retried.
inline bool SetFileLock(int fd, short type, bool wait, off_t start = 0, off_t length = 0) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    for (;;) {
        if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) == 0) return true;
        if (errno != EINTR) return false;
    }
}

}  // namespace ce
