#include "HeldErrors.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace ce::win {

namespace {

std::atomic<int> g_saved{-1};  // the terminal's standard error while it is held
int g_held = -1;               // the file that holds what was written meanwhile

void WriteAll(int fd, const char* bytes, ssize_t length) {
    while (length > 0) {
        const ssize_t written = write(fd, bytes, static_cast<size_t>(length));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes += written;
        length -= written;
    }
}

}  // namespace

void HoldStandardError() {
    if (g_saved.load() >= 0 || !isatty(STDERR_FILENO)) return;
    const int held = memfd_create("held standard error", MFD_CLOEXEC);
    if (held < 0) return;
    const int saved = dup(STDERR_FILENO);
    if (saved < 0 || dup2(held, STDERR_FILENO) < 0) {
        if (saved >= 0) close(saved);
        close(held);
        return;
    }
    g_held = held;
    g_saved.store(saved);
}

void ReleaseStandardError() {
    const int saved = g_saved.exchange(-1);
    if (saved < 0) return;
    dup2(saved, STDERR_FILENO);
    close(saved);
    char buffer[4096];
    for (off_t offset = 0;;) {
        const ssize_t got = pread(g_held, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        WriteAll(STDERR_FILENO, buffer, got);
        offset += got;
    }
    close(g_held);
    g_held = -1;
}

}  // namespace ce::win
