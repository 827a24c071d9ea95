// Locks over a whole file that belong to one open file description (not to the process), so
// that two handles of one process are two holders, and the kernel drops them when the holder
// dies: the runtime area's mutexes and published windows rest on them.
#pragma once

#include <fcntl.h>

#include <cerrno>

namespace ce {

// Takes a read (F_RDLCK) or write (F_WRLCK) lock on the file open as `fd`, or releases it
// (F_UNLCK); with `wait` it waits for other holders, else it fails at once. Interruptions by
// signals are retried.
inline bool SetFileLock(int fd, short type, bool wait) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    for (;;) {
        if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) == 0) return true;
        if (errno != EINTR) return false;
    }
}

}  // namespace ce
