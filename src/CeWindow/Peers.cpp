// The peer channel between the window systems of the processes on one device.
//
// Each process that has top-level windows publishes them in the device's runtime area,
// <device>/run/windows/:
//   <pid>.lock  held with an exclusive lock by the live process (an OFD lock; the kernel drops it
//               when the process dies, however it dies);
//   <pid>.list  its request socket's name, then one line per window: the handle in hex and the
//               class name (UTF-8, with control characters and '%' written as %XX). Replaced
//               whole by a rename, so that a reader never sees half a list.
// A list counts only while its lock is held. A process removes its files when it has no top-level
// window left and when it exits. A reader (or a process that starts publishing) that finds a lock
// it can take removes that dead process's files, holding the lock meanwhile, so nothing stale is
// ever believed and nothing piles up after a process that was killed.
//
// Requests travel as datagrams (one window handle, 8 bytes) to the owner's socket in the
// abstract namespace, which disappears with its process.
#include "Peers.h"

#include <CePlatform/Unicode.h>
#include <CePlatform/WindowSystemServices.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <sstream>

namespace ce::win {

namespace {

namespace fs = std::filesystem;

struct State {
    pid_t pid = 0;        // the process these belong to (a forked child starts afresh)
    int socketFd = -1;    // the request socket
    std::string address;  // its abstract name (without the leading zero byte)
    fs::path folder;      // where this process is published; empty when it is not
    int lockFd = -1;      // holds <pid>.lock in `folder`
};

State& Own() {
    static State state;
    return state;
}

// A forked child has its parent's descriptors: it must neither answer for its parent nor keep
// the parent's lock alive, so it drops them.
void ForgetInheritedState() {
    State& state = Own();
    if (state.socketFd >= 0) close(state.socketFd);
    if (state.lockFd >= 0) close(state.lockFd);
    state = State{};
}

void CheckProcess() {
    static std::once_flag once;
    std::call_once(once, [] { pthread_atfork(nullptr, nullptr, ForgetInheritedState); });
    if (Own().pid != getpid()) {
        Own() = State{};
        Own().pid = getpid();
    }
}

bool SameFile(int fd, const fs::path& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// The current device's folder of published windows, created on demand; empty when there is no
// device.
fs::path PeersFolder() { return RuntimeFolder("windows"); }

fs::path LockPath(const fs::path& folder, pid_t pid) {
    return folder / (std::to_string(pid) + ".lock");
}
fs::path ListPath(const fs::path& folder, pid_t pid) {
    return folder / (std::to_string(pid) + ".list");
}

// Whether process `pid` holds its lock in `folder`. When it does not, its files are removed,
// under its lock so that a process of the same number starting to publish waits for that.
bool IsAlive(const fs::path& folder, pid_t pid) {
    const fs::path lockPath = LockPath(folder, pid);
    const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (!SetFileLock(fd, F_WRLCK, false)) {
        const bool held = errno == EAGAIN || errno == EACCES;
        close(fd);
        return held;
    }
    if (SameFile(fd, lockPath)) {
        unlink(ListPath(folder, pid).c_str());
        unlink((ListPath(folder, pid).string() + ".new").c_str());
        unlink(lockPath.c_str());
    }
    close(fd);
    return false;
}

std::string Escape(std::u16string_view text) {
    std::string out;
    for (unsigned char c : ToUtf8(text)) {
        if (c < 0x20 || c == '%' || c == 0x7F) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::u16string Unescape(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const std::string hex(text.substr(i + 1, 2));
            char* end = nullptr;
            const long value = std::strtol(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 2) {
                out += static_cast<char>(value);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return FromUtf8(out);
}

struct PeerList {
    std::string address;
    std::vector<std::pair<HWND, std::u16string>> windows;
};

// A published list; nothing when it is missing or not in the expected form.
std::optional<PeerList> ReadList(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    PeerList list;
    std::string line;
    if (!std::getline(in, line) || line.rfind("socket ", 0) != 0) return std::nullopt;
    list.address = line.substr(7);
    while (std::getline(in, line)) {
        const size_t blank = line.find(' ');
        if (blank == std::string::npos) continue;
        char* end = nullptr;
        const unsigned long long value = std::strtoull(line.c_str(), &end, 16);
        if (end != line.c_str() + blank || value == 0) continue;
        list.windows.emplace_back(reinterpret_cast<HWND>(static_cast<uintptr_t>(value)),
                                  Unescape(std::string_view(line).substr(blank + 1)));
    }
    return list;
}

// Writes the file whole under a temporary name and renames it into place.
bool WriteAtomically(const fs::path& path, const std::string& content) {
    const fs::path temporary = path.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out || !(out << content) || !out.flush()) return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

// Stops publishing in the folder where this process was published.
void Withdraw() {
    State& state = Own();
    if (state.folder.empty() || state.pid != getpid()) return;
    unlink(ListPath(state.folder, state.pid).c_str());
    unlink(LockPath(state.folder, state.pid).c_str());
    if (state.lockFd >= 0) close(state.lockFd);
    state.lockFd = -1;
    state.folder.clear();
}

// The numbers of the processes with files in `folder`, live or dead.
std::set<pid_t> PublishedProcesses(const fs::path& folder) {
    std::set<pid_t> pids;
    try {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec)) {
            const std::string name = entry.path().filename().string();
            char* end = nullptr;
            const long pid = std::strtol(name.c_str(), &end, 10);
            if (end != name.c_str() && *end == '.' && pid > 0) {
                pids.insert(static_cast<pid_t>(pid));
            }
        }
    } catch (...) {
        // The folder changed or failed while it was read: what was found is enough.
    }
    return pids;
}

// Takes this process's lock in `folder` (waiting for a reader that is removing a dead process's
// files of the same number), after removing what dead processes left there.
bool Claim(const fs::path& folder) {
    State& state = Own();
    if (state.folder == folder && state.lockFd >= 0) return true;
    Withdraw();
    static const bool withdrawnAtExit = std::atexit([] { Withdraw(); }) == 0;
    (void)withdrawnAtExit;
    for (const pid_t pid : PublishedProcesses(folder)) {
        if (pid != state.pid) IsAlive(folder, pid);
    }
    const fs::path lockPath = LockPath(folder, state.pid);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        if (SetFileLock(fd, F_WRLCK, true) && SameFile(fd, lockPath)) {
            state.lockFd = fd;
            state.folder = folder;
            return true;
        }
        close(fd);
    }
    return false;
}

uint64_t HandleValue(HWND hwnd) {
    return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(hwnd)) & ~uint64_t{1};
}

pid_t OwnerOf(HWND hwnd) { return static_cast<pid_t>(HandleValue(hwnd) >> 32); }

sockaddr_un AbstractAddress(const std::string& name, socklen_t* length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t size = std::min(name.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name.data(), size);  // sun_path[0] = 0: abstract
    *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
    return address;
}

}  // namespace

int PeerFd() {
    CheckProcess();
    State& state = Own();
    if (state.socketFd >= 0) return state.socketFd;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    // A random part makes the name unique even among processes of equal number (in other pid
    // namespaces).
    std::random_device random;
    char name[64];
    std::snprintf(name, sizeof name, "cewindow-peer-%d-%08x%08x", static_cast<int>(state.pid),
                  random(), random());
    socklen_t length = 0;
    const sockaddr_un address = AbstractAddress(name, &length);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        close(fd);
        return -1;
    }
    state.socketFd = fd;
    state.address = name;
    return fd;
}

void PublishTopLevelWindows(const std::vector<std::pair<HWND, std::u16string>>& windows) {
    CheckProcess();
    State& state = Own();
    if (windows.empty()) {
        Withdraw();
        return;
    }
    const fs::path folder = PeersFolder();
    if (folder.empty() || PeerFd() < 0 || !Claim(folder)) return;
    std::ostringstream text;
    text << "socket " << state.address << '\n';
    for (const auto& [hwnd, className] : windows) {
        char hex[24];
        std::snprintf(hex, sizeof hex, "%llx",
                      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)));
        text << hex << ' ' << Escape(className) << '\n';
    }
    WriteAtomically(ListPath(folder, state.pid), text.str());
}

HWND FindPeerWindow(std::u16string_view className) {
    CheckProcess();
    const fs::path folder = PeersFolder();
    if (folder.empty()) return nullptr;
    // Every process with files here, live or dead: looking at each also clears the dead ones.
    const std::set<pid_t> pids = PublishedProcesses(folder);
    const std::u16string wanted = FoldCase(className);
    HWND found = nullptr;
    for (const pid_t pid : pids) {
        if (pid == Own().pid || !IsAlive(folder, pid) || found) continue;
        const auto list = ReadList(ListPath(folder, pid));
        if (!list) continue;
        for (const auto& [hwnd, name] : list->windows) {
            if (OwnerOf(hwnd) == pid && FoldCase(name) == wanted) {
                found = hwnd;
                break;
            }
        }
    }
    return found;
}

bool RequestForeground(HWND hwnd) {
    CheckProcess();
    const uint64_t value = HandleValue(hwnd);
    const pid_t pid = OwnerOf(hwnd);
    if (pid <= 0 || pid == Own().pid) return false;
    const fs::path folder = PeersFolder();
    if (folder.empty() || !IsAlive(folder, pid)) return false;
    const auto list = ReadList(ListPath(folder, pid));
    if (!list) return false;
    bool published = false;
    for (const auto& window : list->windows) published |= HandleValue(window.first) == value;
    if (!published) return false;

    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    socklen_t length = 0;
    const sockaddr_un address = AbstractAddress(list->address, &length);
    const ssize_t sent = sendto(fd, &value, sizeof value, MSG_DONTWAIT,
                                reinterpret_cast<const sockaddr*>(&address), length);
    close(fd);
    return sent == static_cast<ssize_t>(sizeof value);
}

void TakePeerRequests(const std::function<void(HWND)>& bringForward) {
    const int fd = PeerFd();
    if (fd < 0) return;
    for (;;) {
        uint64_t value = 0;
        const ssize_t got = recv(fd, &value, sizeof value, MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return;  // drained
        if (got != static_cast<ssize_t>(sizeof value) ||
            OwnerOf(reinterpret_cast<HWND>(value)) != Own().pid) {
            continue;  // not a request of this channel
        }
        if (bringForward) bringForward(reinterpret_cast<HWND>(static_cast<uintptr_t>(value)));
    }
}

}  // namespace ce::win
