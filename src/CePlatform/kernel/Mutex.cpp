// Named mutexes, shared by every process on one device.
//
// A named mutex is a lock file in the device's runtime area, <device>/run/mutexes/. Each handle is
// its own open file description (an OFD lock, so that two handles in one process are two holders)
// with two lock ranges:
//   byte 0  existence: every holder keeps a shared lock. The mutex exists exactly while some
//           description holds it: a creator that can take the exclusive lock is the first
//           holder, one that cannot finds the mutex already there. The last holder to close
//           removes the file.
//   byte 1  ownership: the owning process keeps an exclusive lock while one of its threads owns
//           the mutex. The file's first byte of content is '1' while it is owned, so that the
//           next owner can tell that a former owner ended without releasing it (abandoned).
// The kernel drops the locks of a process that dies, so a killed holder leaves at most an
// unlocked file, which the next process that creates a mutex on the device removes.
//
// Within a process, a table says which thread owns which mutex and how many times.
#include <CePlatform/Unicode.h>
#include <CePlatform/WindowSystemServices.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "device/DeviceImpl.h"
#include "kernel/Handles.h"

namespace ce {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr off_t kExistenceByte = 0;
constexpr off_t kOwnerByte = 1;

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

class MutexObject;

// Which thread of this process owns which mutex (by its identity: the lock file, or the object of
// a private mutex), how many times, and through which handle's object.
struct Owner {
    std::thread::id thread;  // empty: free in this process
    int count = 0;           // 0 while the thread still waits for the other processes
    MutexObject* holder = nullptr;
};

struct OwnerTable {
    std::mutex mutex;
    std::condition_variable freed;
    std::map<std::string, Owner> owners;
};

OwnerTable& Owners() {
    static auto* table = new OwnerTable;  // never destroyed, as Locks()
    return *table;
}

void BeforeFork() {
    Locks().mutex.lock();
    Owners().mutex.lock();
}
void AfterForkInParent() {
    Owners().mutex.unlock();
    Locks().mutex.unlock();
}
void AfterForkInChild() {
    Owners().owners.clear();  // the child has no thread that owns anything
    Owners().mutex.unlock();
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

// A mutex of either kind; its identity within the process, and how it is held against the other
// processes of the device.
class MutexObject : public KernelObject {
public:
    ~MutexObject() override {
        // Closed while its thread owns it through this object: the ownership ends unreleased.
        OwnerTable& table = Owners();
        std::lock_guard<std::mutex> lock(table.mutex);
        auto found = table.owners.find(key_);
        if (found != table.owners.end() && found->second.holder == this) {
            table.owners.erase(found);
            table.freed.notify_all();
        }
    }
    const std::string& Key() const { return key_; }
    // Takes the ownership against the other processes until `deadline` (none: for ever):
    // WAIT_OBJECT_0, WAIT_ABANDONED, WAIT_TIMEOUT or WAIT_FAILED.
    virtual DWORD LockAcrossProcesses(const std::optional<Clock::time_point>& deadline) = 0;
    virtual void UnlockAcrossProcesses() = 0;

protected:
    explicit MutexObject(std::string key) : key_(std::move(key)) {}

private:
    std::string key_;
};

// A mutex without a name: nothing outside this process can reach it.
class PrivateMutex : public MutexObject {
public:
    PrivateMutex() : MutexObject("private:" + std::to_string(++serial_)) {}
    DWORD LockAcrossProcesses(const std::optional<Clock::time_point>&) override {
        return WAIT_OBJECT_0;
    }
    void UnlockAcrossProcesses() override {}

private:
    static inline std::atomic<uint64_t> serial_{0};
};

class NamedMutex : public MutexObject {
public:
    NamedMutex(fs::path path, int fd) : MutexObject(path.string()), path_(std::move(path)), fd_(fd) {}

    ~NamedMutex() override {
        if (!UnregisterLock(fd_)) return;  // closed in a forked child: the parent still holds it
        // The last holder removes the file. It holds the exclusive lock while doing so, and a
        // creator checks after locking that the path still names the file it locked, so nobody
        // is left holding a removed file.
        if (SetFileLock(fd_, F_WRLCK, false, kExistenceByte, 1)) unlink(path_.c_str());
        close(fd_);
    }

    DWORD LockAcrossProcesses(const std::optional<Clock::time_point>& deadline) override {
        if (!deadline) {
            if (!SetFileLock(fd_, F_WRLCK, true, kOwnerByte, 1)) return Failed();
        } else {
            // Locks cannot be waited for with a time limit: try, and sleep a little between tries.
            auto pause = std::chrono::milliseconds(1);
            while (!SetFileLock(fd_, F_WRLCK, false, kOwnerByte, 1)) {
                if (errno != EAGAIN && errno != EACCES) return Failed();
                const auto now = Clock::now();
                if (now >= *deadline) return WAIT_TIMEOUT;
                std::this_thread::sleep_for(std::min<Clock::duration>(pause, *deadline - now));
                pause = std::min(pause * 2, std::chrono::milliseconds(10));
            }
        }
        char mark = 0;
        const bool abandoned = pread(fd_, &mark, 1, 0) == 1 && mark == '1';
        if (pwrite(fd_, "1", 1, 0) != 1) {
            SetFileLock(fd_, F_UNLCK, false, kOwnerByte, 1);
            return Failed();
        }
        return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
    }

    void UnlockAcrossProcesses() override {
        (void)!pwrite(fd_, "0", 1, 0);
        SetFileLock(fd_, F_UNLCK, false, kOwnerByte, 1);
    }

private:
    static DWORD Failed() {
        SetLastError(ERROR_GEN_FAILURE);
        return WAIT_FAILED;
    }

    fs::path path_;
    int fd_;
};

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

bool SameFile(int fd, const fs::path& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Removes the lock files that no live process holds (left by killed holders), as a last holder
// would: under the exclusive lock, and only while the path still names the file locked.
void RemoveStaleLockFiles(const fs::path& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const int fd = open(entry.path().c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        if (SetFileLock(fd, F_WRLCK, false, kExistenceByte, 1) && SameFile(fd, entry.path())) {
            unlink(entry.path().c_str());
        }
        close(fd);
    }
}

// Sets the last error for a lock file that cannot be made; a device that cannot be written is
// named as such.
void CannotMake(int error) {
    std::lock_guard<std::recursive_mutex> lock(PlatformLock());
    Device::Impl* device = TryCurrentDevice();
    if (device && (error == EROFS || error == EACCES || error == EPERM)) {
        ReportDeviceProblem(DeviceProblem::kReadOnly, device->Folder());
    }
    if (device && (error == ENOSPC || error == EDQUOT)) {
        ReportDeviceProblem(DeviceProblem::kDiskFull, device->Folder());
    }
    SetLastError(error == ENOSPC || error == EDQUOT ? ERROR_DISK_FULL
                 : error == EROFS || error == EACCES || error == EPERM ? ERROR_ACCESS_DENIED
                                                                       : ERROR_GEN_FAILURE);
}

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
        CannotMake(ec.value());
        return {};
    }
    // Once per process and device: what killed processes left behind goes.
    static std::set<fs::path> swept;
    if (swept.insert(folder).second) RemoveStaleLockFiles(folder);
    return folder;
}

// Opens the lock file and takes a shared lock on it; -1 with the last error set on failure.
// *existed tells whether another holder had it already.
int OpenNamed(const fs::path& path, bool* existed) {
    for (;;) {
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            CannotMake(errno);
            return -1;
        }
        // The exclusive lock succeeds only when nobody holds the mutex; otherwise wait for the
        // shared lock (a creator holds the exclusive one only for a moment).
        *existed = !SetFileLock(fd, F_WRLCK, false, kExistenceByte, 1);
        if (*existed && !SetFileLock(fd, F_RDLCK, true, kExistenceByte, 1)) {
            close(fd);
            SetLastError(ERROR_GEN_FAILURE);
            return -1;
        }
        if (SameFile(fd, path)) {
            if (!*existed) {
                // A new mutex: nothing a former one recorded counts. Turning the exclusive lock
                // into a shared one is atomic, so no other creator can take it in between.
                (void)!ftruncate(fd, 0);
                if (!SetFileLock(fd, F_RDLCK, false, kExistenceByte, 1)) {
                    close(fd);
                    SetLastError(ERROR_GEN_FAILURE);
                    return -1;
                }
            }
            return fd;
        }
        close(fd);  // the last holder removed this file while we opened it: start again
    }
}

std::shared_ptr<MutexObject> CreateNamed(LPCWSTR name, bool* existed) {
    const fs::path folder = MutexFolder();
    if (folder.empty()) return nullptr;
    const fs::path path = folder / LockFileName(name);
    const int fd = OpenNamed(path, existed);
    if (fd < 0) return nullptr;
    try {
        RegisterLock(fd);
        return std::make_shared<NamedMutex>(path, fd);
    } catch (...) {
        UnregisterLock(fd);
        close(fd);
        throw;
    }
}

DWORD Wait(MutexObject& mutex, DWORD milliseconds) {
    std::optional<Clock::time_point> deadline;
    if (milliseconds != INFINITE) deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    const std::thread::id self = std::this_thread::get_id();
    OwnerTable& table = Owners();
    std::unique_lock<std::mutex> lock(table.mutex);
    if (Owner& owner = table.owners[mutex.Key()]; owner.thread == self && owner.count > 0) {
        ++owner.count;
        return WAIT_OBJECT_0;
    }
    // First another thread of this process lets go, then the other processes.
    const auto free = [&] { return table.owners[mutex.Key()].thread == std::thread::id(); };
    if (!deadline) {
        table.freed.wait(lock, free);
    } else if (!table.freed.wait_until(lock, *deadline, free)) {
        return WAIT_TIMEOUT;
    }
    table.owners[mutex.Key()] = Owner{self, 0, &mutex};
    lock.unlock();
    const DWORD result = mutex.LockAcrossProcesses(deadline);
    lock.lock();
    Owner& owner = table.owners[mutex.Key()];
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
        owner.count = 1;
    } else {
        owner = Owner{};
        table.freed.notify_all();
    }
    return result;
}

BOOL Release(MutexObject& mutex) {
    OwnerTable& table = Owners();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.owners.find(mutex.Key());
    if (found == table.owners.end() || found->second.thread != std::this_thread::get_id() ||
        found->second.count == 0) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    if (--found->second.count == 0) {
        found->second.holder->UnlockAcrossProcesses();
        table.owners.erase(found);
        table.freed.notify_all();
    }
    return TRUE;
}

}  // namespace

}  // namespace ce

extern "C" HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES /*lpMutexAttributes*/,
                                      BOOL bInitialOwner, LPCWSTR lpName) {
    try {
        bool existed = false;
        std::shared_ptr<ce::MutexObject> object;
        if (!lpName || !*lpName) {
            object = std::make_shared<ce::PrivateMutex>();  // no other call can find it
        } else {
            object = ce::CreateNamed(lpName, &existed);
            if (!object) return nullptr;
        }
        if (bInitialOwner && !existed) ce::Wait(*object, INFINITE);
        HANDLE handle = ce::AddHandle(std::move(object));
        SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        return handle;
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    try {
        if (auto mutex = ce::FindHandleAs<ce::MutexObject>(hHandle)) {
            return ce::Wait(*mutex, dwMilliseconds);
        }
        SetLastError(ERROR_INVALID_HANDLE);
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return WAIT_FAILED;
}

extern "C" BOOL WINAPI ReleaseMutex(HANDLE hMutex) {
    if (auto mutex = ce::FindHandleAs<ce::MutexObject>(hMutex)) return ce::Release(*mutex);
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
