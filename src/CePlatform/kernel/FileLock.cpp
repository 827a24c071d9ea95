// Locks over a range of a file that belong to one open file description: the runtime area's
// mutexes, published windows and the device lock rest on them.
#include <CePlatform/WindowSystemServices.h>
#include <fcntl.h>

#include <cerrno>

namespace ce {

bool SetFileLock(int fd, short type, bool wait, off_t start, off_t length) {
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
