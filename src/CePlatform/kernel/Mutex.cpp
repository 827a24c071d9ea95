// Named mutexes, shared by every process on one device.
//
// A named mutex is a lock file in the device's runtime area, <device>/run/mutexes/. Each handle is
// its own open file description holding a shared lock (an OFD lock, so that two handles in one
// process are two holders). The mutex exists exactly while some description holds that lock:
// a creator that can take the exclusive lock is the first holder, one that cannot finds the mutex
// already there. The kernel drops the locks of a process that dies, so a killed holder leaves at
// most an unlocked file, which means nothing. The last holder to close removes the file.
//
// Ownership (bInitialOwner, waiting, releasing) is not modelled: the platform stand-in has no
// wait functions, and the system uses named mutexes only to tell whether one already exists.
#include <CePlatform/Unicode.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>

#include "device/DeviceImpl.h"
#include "kernel/FileLock.h"
#include "kernel/Handles.h"

namespace ce {

namespace {

namespace fs = std::filesystem;

// Escaped names longer than this are replaced by a hash, so that a file name stays within the
// file system's limit whatever the mutex name.
constexpr size_t kMaxReadableName = 200;

// The descriptors of this process's named mutexes. A fork()ed child closes its copies at once:
// like a Windows handle, a mutex is not inherited by a new process, and a child that lives on
// must not keep its parent's mutex in existence.
struct OpenLocks {
    std::mutex mutex;
    std::set<int> fds;
};

OpenLocks& Locks() {
    static auto* locks = new OpenLocks;  // never destroyed: handles may close during exit
    return *locks;
}

void BeforeFork() { Locks().mutex.lock(); }
void AfterForkInParent() { Locks().mutex.unlock(); }
void AfterForkInChild() {
    OpenLocks& locks = Locks();
    for (int fd : locks.fds) close(fd);
    locks.fds.clear();
    locks.mutex.unlock();
}

void RegisterLock(int fd) {
    static std::once_flag once;
    std::call_once(once, [] { pthread_atfork(BeforeFork, AfterForkInParent, AfterForkInChild); });
    std::lock_guard<std::mutex> lock(Locks().mutex);
    Locks().fds.insert(fd);
}

// False when the descriptor was closed by a fork (this is the child).
bool UnregisterLock(int fd) {
    std::lock_guard<std::mutex> lock(Locks().mutex);
    return Locks().fds.erase(fd) == 1;
}

uint64_t Fnv1a(std::string_view bytes, uint64_t basis) {
    uint64_t hash = basis;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

// The lock file's name for a mutex name: the case-folded name in UTF-8, with every byte outside
// [A-Za-z0-9_-] written as %XX; a hash of it when that is too long for a file name.
std::string LockFileName(std::u16string_view name) {
    const std::string folded = ToUtf8(FoldCase(name));
    std::string escaped = "m-";
    for (unsigned char c : folded) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '_' || c == '-') {
            escaped += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            escaped += hex;
        }
    }
    if (escaped.size() <= kMaxReadableName) return escaped;
    char hashed[64];
    std::snprintf(hashed, sizeof hashed, "h-%016llx%016llx-%zu",
                  static_cast<unsigned long long>(Fnv1a(folded, 0xcbf29ce484222325ULL)),
                  static_cast<unsigned long long>(Fnv1a(folded, 0x84222325cbf29ce4ULL)),
                  folded.size());
    return hashed;
}

class NamedMutex : public KernelObject {
public:
    NamedMutex(fs::path path, int fd) : path_(std::move(path)), fd_(fd) {}

    ~NamedMutex() override {
        if (!UnregisterLock(fd_)) return;  // closed in a forked child: the parent still holds it
        // The last holder removes the file. It holds the exclusive lock while doing so, and a
        // creator checks after locking that the path still names the file it locked, so nobody
        // is left holding a removed file.
        if (SetFileLock(fd_, F_WRLCK, false)) unlink(path_.c_str());
        close(fd_);
    }

private:
    fs::path path_;
    int fd_;
};

// The device's runtime folder for mutexes, created on demand; empty with the last error set when
// there is no device or the folder cannot be made.
fs::path MutexFolder() {
    std::lock_guard<std::recursive_mutex> lock(PlatformLock());
    Device::Impl* device = TryCurrentDevice();
    if (!device) {
        SetLastError(ERROR_NOT_READY);
        return {};
    }
    fs::path folder = device->Folder() / "run" / "mutexes";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        SetLastError(ERROR_ACCESS_DENIED);
        return {};
    }
    return folder;
}

// Opens the lock file and takes a shared lock on it; -1 with the last error set on failure.
// *existed tells whether another holder had it already.
int OpenNamed(const fs::path& path, bool* existed) {
    for (;;) {
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            SetLastError(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_GEN_FAILURE);
            return -1;
        }
        // The exclusive lock succeeds only when nobody holds the mutex; otherwise wait for the
        // shared lock (a creator holds the exclusive one only for a moment).
        *existed = !SetFileLock(fd, F_WRLCK, false);
        if (*existed && !SetFileLock(fd, F_RDLCK, true)) {
            close(fd);
            SetLastError(ERROR_GEN_FAILURE);
            return -1;
        }
        struct stat opened {};
        struct stat named {};
        if (fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            // Turning the exclusive lock into a shared one is atomic, so no other creator can
            // take the exclusive lock in between.
            if (!*existed && !SetFileLock(fd, F_RDLCK, false)) {
                close(fd);
                SetLastError(ERROR_GEN_FAILURE);
                return -1;
            }
            return fd;
        }
        close(fd);  // the last holder removed this file while we opened it: start again
    }
}

}  // namespace

}  // namespace ce

extern "C" HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES /*lpMutexAttributes*/,
                                      BOOL /*bInitialOwner*/, LPCWSTR lpName) {
    try {
        if (!lpName || !*lpName) {
            // An unnamed mutex: a private object that no other call can find.
            HANDLE handle = ce::AddHandle(std::make_shared<ce::KernelObject>());
            SetLastError(ERROR_SUCCESS);
            return handle;
        }
        const std::filesystem::path folder = ce::MutexFolder();
        if (folder.empty()) return nullptr;
        const std::filesystem::path path = folder / ce::LockFileName(lpName);
        bool existed = false;
        const int fd = ce::OpenNamed(path, &existed);
        if (fd < 0) return nullptr;
        std::shared_ptr<ce::NamedMutex> object;
        try {
            ce::RegisterLock(fd);
            object = std::make_shared<ce::NamedMutex>(path, fd);
        } catch (...) {
            ce::UnregisterLock(fd);
            close(fd);
            throw;
        }
        HANDLE handle = ce::AddHandle(std::move(object));
        SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        return handle;
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}
