#include "files/DevicePaths.h"

#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "device/DeviceImpl.h"
#include "registry/KeyNames.h"

namespace ce {

namespace fs = std::filesystem;

namespace {

// Sets errno and the last error; returns `result`.
template <typename Result>
Result Fail(Result result, int error, DWORD lastError) {
    SetLastError(lastError);
    errno = error;
    return result;
}

// A failure of the host that the table of DevicePaths.h does not name otherwise.
DWORD HostError(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case ENOMEM:
            return ERROR_OUTOFMEMORY;
        default:
            return ERROR_GEN_FAILURE;
    }
}

// The kind of the entry `name` of the folder `dirFd`, never following a link; 0 when there is
// none (errno set).
mode_t EntryType(int dirFd, const std::string& name) {
    struct stat st {};
    if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return 0;
    return st.st_mode & S_IFMT;
}

// Whether a host name (UTF-8) folds to `wanted` (FoldKey's form). Names are nearly always
// ASCII: those are compared byte by byte, without converting them.
bool SameFoldedName(std::string_view hostName, const std::string& wanted) {
    const bool ascii = std::all_of(hostName.begin(), hostName.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) return FoldKey(FromUtf8(hostName)) == wanted;
    if (hostName.size() != wanted.size()) return false;
    for (size_t i = 0; i < hostName.size(); ++i) {
        const char c = hostName[i];
        if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c) != wanted[i]) return false;
    }
    return true;
}

// The entry of the folder `dirFd` whose name equals `name` without regard to case, looked for in
// a listing of the folder; nothing when there is none. The folder is read through the walk's own
// descriptor (which nothing else reads from), from its start: a descriptor of its own would cost
// the probe of a missing file (a shortcut looked for) half of its system calls.
std::optional<std::string> FindEntry(int dirFd, std::u16string_view name) {
    if (lseek(dirFd, 0, SEEK_SET) != 0) return std::nullopt;
    const std::string wanted = FoldKey(name);
    alignas(dirent64) char buffer[8192];
    ssize_t size;
    while ((size = getdents64(dirFd, buffer, sizeof buffer)) > 0) {
        for (ssize_t offset = 0; offset < size;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            const std::string_view entryName = entry->d_name;
            if (entryName == "." || entryName == "..") continue;
            if (SameFoldedName(entryName, wanted)) return std::string(entryName);
        }
    }
    return std::nullopt;
}

// The entry of the folder `dirFd` whose name equals `name` without regard to case: the name as
// given when it exists so, else the matching entry's; *exists tells whether there is one (when
// not, the name as given names a file about to be created).
std::string MatchEntry(int dirFd, std::u16string_view name, bool* exists) {
    std::string given = ToUtf8(name);
    struct stat st {};
    *exists = true;
    if (fstatat(dirFd, given.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return given;
    if (std::optional<std::string> found = FindEntry(dirFd, name)) return std::move(*found);
    *exists = false;
    return given;
}

// Opens the folder `name` of the folder `dirFd`, matched without regard to case; the host's name
// of it in *hostName. Invalid (errno set by openat) when it cannot be opened as a folder.
UniqueFd OpenMatchingFolder(int dirFd, std::u16string_view name, std::string* hostName) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    // Nearly always named as it is stored: tried first, without a listing.
    *hostName = ToUtf8(name);
    UniqueFd folder(openat(dirFd, hostName->c_str(), kFlags));
    if (folder || errno != ENOENT) return folder;
    if (std::optional<std::string> found = FindEntry(dirFd, name)) {
        *hostName = std::move(*found);
        return UniqueFd(openat(dirFd, hostName->c_str(), kFlags));
    }
    errno = ENOENT;
    return folder;
}

// Opens the folder `relative` ("Windows/Start Menu") below the folder `dirFd` in one call, which
// refuses a symbolic link anywhere on the way and any way out of `dirFd`. Invalid, errno
// untouched, when that fails for whatever reason (a name in another case, a link, a kernel
// without openat2).
UniqueFd OpenFoldersAsNamed(int dirFd, const std::string& relative) {
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    const int error = errno;
    const long fd = syscall(SYS_openat2, dirFd, relative.c_str(), &how, sizeof how);
    errno = error;
    return UniqueFd(static_cast<int>(fd));
}

// The components of a device path: "." dropped, ".." taking one back (never above the root),
// empty ones skipped. False when one holds a zero character.
bool SplitDevicePath(std::u16string_view path, std::vector<std::u16string_view>* parts) {
    for (size_t start = 0, end; start <= path.size(); start = end + 1) {
        end = std::min(path.find_first_of(u"\\/", start), path.size());
        const std::u16string_view part = path.substr(start, end - start);
        if (part.empty() || part == u".") continue;
        if (part == u"..") {
            if (!parts->empty()) parts->pop_back();
            continue;
        }
        if (part.find(u'\0') != std::u16string_view::npos) return false;
        parts->push_back(part);
    }
    return true;
}

// Why a folder on the way could not be opened as one.
void FailOnTheWay(int dirFd, const std::string& name) {
    const int openError = errno;
    switch (EntryType(dirFd, name)) {
        case S_IFLNK:
            Fail(0, ELOOP, ERROR_ACCESS_DENIED);
            return;
        case 0:
            if (errno == ENOENT) {
                Fail(0, ENOENT, ERROR_PATH_NOT_FOUND);
                return;
            }
            break;
        case S_IFDIR:
            break;
        default:
            Fail(0, ENOTDIR, ERROR_PATH_NOT_FOUND);
            return;
    }
    Fail(0, openError, HostError(openError));
}

// Why the file `name` of the folder `dirFd` could not be opened with `flags`.
void FailToOpen(int dirFd, const std::string& name, int flags) {
    const int openError = errno;
    const mode_t type = EntryType(dirFd, name);
    if (type == S_IFLNK) {
        Fail(0, ELOOP, ERROR_ACCESS_DENIED);
    } else if (openError == EEXIST && (flags & O_EXCL)) {
        Fail(0, EEXIST, ERROR_FILE_EXISTS);
    } else if (type == S_IFDIR) {
        Fail(0, EISDIR, ERROR_ACCESS_DENIED);
    } else if (type != 0 && type != S_IFREG) {
        Fail(0, EACCES, ERROR_ACCESS_DENIED);  // a pipe without a writer, a device node
    } else if (openError == ENOENT) {
        // With O_CREAT only the folder can be missing: another process removed it meanwhile.
        Fail(0, ENOENT, (flags & O_CREAT) ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND);
    } else {
        Fail(0, openError, HostError(openError));
    }
}

// The entry `name` of the folder `dirFd` as it is, never followed.
std::optional<FileEntry> ReadEntry(int dirFd, const std::string& name) {
    struct stat st {};
    if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    FileEntry entry{name, FileEntry::kOther, 0};
    if (S_ISREG(st.st_mode)) {
        entry.kind = FileEntry::kFile;
        entry.size = static_cast<uint64_t>(st.st_size);
    } else if (S_ISDIR(st.st_mode)) {
        entry.kind = FileEntry::kFolder;
    } else if (S_ISLNK(st.st_mode)) {
        entry.kind = FileEntry::kLink;
    }
    return entry;
}

// The failure of an operation on the device path `path` ("file" or "folder" is what it wanted),
// from errno and the last error as the functions above set them.
DeviceError PathError(std::u16string_view path, const char* what) {
    const int error = errno;
    const std::string shown = ToUtf8(path);
    switch (error) {
        case EINVAL:
            return DeviceError("bad device path " + shown + ": it holds a zero character");
        case ELOOP:
            return DeviceError("device path " + shown +
                               " meets a symbolic link, which is not followed (the device's file "
                               "system has none)");
        case ENOENT:
        case ENOTDIR:
            return DeviceError(std::string("no such ") + what + ": " + shown);
        case EISDIR:
            return DeviceError(shown + " is a folder");
        default:
            return DeviceError("cannot read " + shown + ": " + std::strerror(error));
    }
}

}  // namespace

DevicePathWalk WalkDevicePath(const Device& device, std::u16string_view path) {
    DevicePathWalk walk;
    walk.host = device.FilesRoot();
    std::vector<std::u16string_view> parts;
    if (!SplitDevicePath(path, &parts)) return Fail(std::move(walk), EINVAL, ERROR_INVALID_NAME);

    UniqueFd folder;
    size_t next = 0;
    // Nearly always the folders on the way are named as they are stored: then they are opened in
    // one call from the device's open fs/ folder, as the walk below would open them. Else the
    // walk finds out what stands there, from fs/ itself.
    if (parts.size() > 1) {
        std::string folders = ToUtf8(parts[0]);
        for (size_t i = 1; i + 1 < parts.size(); ++i) folders += '/' + ToUtf8(parts[i]);
        folder = OpenFoldersAsNamed(device.impl().FilesFd(), folders);
        if (folder) {
            walk.host /= folders;
            next = parts.size() - 1;
        }
    }
    if (!folder) {
        folder = UniqueFd(open(walk.host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder) {
            const int error = errno;
            Fail(0, error, error == ENOENT ? ERROR_PATH_NOT_FOUND : HostError(error));
        }
    }
    // Every component but the last is a folder to open.
    for (; folder && next + 1 < parts.size(); ++next) {
        std::string name;
        UniqueFd child = OpenMatchingFolder(folder.Get(), parts[next], &name);
        walk.host /= name;
        if (!child) {
            FailOnTheWay(folder.Get(), name);
            folder = UniqueFd();
            ++next;
            break;
        }
        folder = std::move(child);
    }
    if (folder && next < parts.size()) {
        walk.name = MatchEntry(folder.Get(), parts[next++], &walk.exists);
        walk.host /= walk.name;
        walk.parent = std::move(folder);
    }
    // Past the point where the walk stopped, the components are named as given.
    const int error = errno;
    for (; next < parts.size(); ++next) walk.host /= ToUtf8(parts[next]);
    if (!walk.parent && parts.empty() && folder) walk.parent = std::move(folder);
    errno = error;
    return walk;
}

UniqueFd OpenDeviceFile(const Device& device, std::u16string_view path, int flags) {
    DevicePathWalk walk = WalkDevicePath(device, path);
    if (!walk.parent) return UniqueFd();
    if (walk.name.empty()) return Fail(UniqueFd(), EISDIR, ERROR_ACCESS_DENIED);
    // Nothing of that name was there a moment ago: a file to read is missing.
    if (!walk.exists && !(flags & O_CREAT)) return Fail(UniqueFd(), ENOENT, ERROR_FILE_NOT_FOUND);
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer.
    UniqueFd file(openat(walk.parent.Get(), walk.name.c_str(),
                         flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    if (!file) {
        FailToOpen(walk.parent.Get(), walk.name, flags);
        return UniqueFd();
    }
    struct stat st {};
    if (fstat(file.Get(), &st) != 0) return Fail(UniqueFd(), errno, HostError(errno));
    if (S_ISDIR(st.st_mode)) return Fail(UniqueFd(), EISDIR, ERROR_ACCESS_DENIED);
    if (!S_ISREG(st.st_mode)) return Fail(UniqueFd(), EACCES, ERROR_ACCESS_DENIED);
    const int status = fcntl(file.Get(), F_GETFL);
    if (status == -1 || fcntl(file.Get(), F_SETFL, status & ~O_NONBLOCK) == -1) {
        return Fail(UniqueFd(), errno, HostError(errno));
    }
    return file;
}

UniqueFd CreateNewDeviceFile(const Device& device, std::u16string_view path) {
    return OpenDeviceFile(device, path, O_WRONLY | O_CREAT | O_EXCL);
}

bool DeleteDeviceFile(const Device& device, std::u16string_view path) {
    DevicePathWalk walk = WalkDevicePath(device, path);
    if (!walk.parent) return false;
    if (walk.name.empty()) return Fail(false, EISDIR, ERROR_ACCESS_DENIED);
    switch (EntryType(walk.parent.Get(), walk.name)) {
        case 0:
            return errno == ENOENT ? Fail(false, ENOENT, ERROR_FILE_NOT_FOUND)
                                   : Fail(false, errno, HostError(errno));
        case S_IFLNK:
            return Fail(false, ELOOP, ERROR_ACCESS_DENIED);
        case S_IFDIR:
            return Fail(false, EISDIR, ERROR_ACCESS_DENIED);
        default:
            break;
    }
    // Should the entry be swapped meanwhile, unlinkat removes what is there now and never
    // anything a link points to; a folder it refuses.
    if (unlinkat(walk.parent.Get(), walk.name.c_str(), 0) != 0) {
        const int error = errno;
        if (error == ENOENT) return Fail(false, ENOENT, ERROR_FILE_NOT_FOUND);
        if (error == EISDIR) return Fail(false, EISDIR, ERROR_ACCESS_DENIED);
        return Fail(false, error, HostError(error));
    }
    return true;
}

UniqueFd OpenDeviceFolder(const Device& device, std::u16string_view path) {
    DevicePathWalk walk = WalkDevicePath(device, path);
    if (!walk.parent) return UniqueFd();
    if (walk.name.empty()) return std::move(walk.parent);
    UniqueFd folder(openat(walk.parent.Get(), walk.name.c_str(),
                           O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder) FailOnTheWay(walk.parent.Get(), walk.name);
    return folder;
}

fs::path Device::HostPath(std::u16string_view devicePath) const {
    const DevicePathWalk walk = WalkDevicePath(*this, devicePath);
    // A missing folder is no error here: the rest of the path is named as given.
    if (!walk.parent && (errno == ELOOP || errno == EINVAL)) throw PathError(devicePath, "file");
    if (walk.parent && !walk.name.empty() && EntryType(walk.parent.Get(), walk.name) == S_IFLNK) {
        errno = ELOOP;
        throw PathError(devicePath, "file");
    }
    return walk.host;
}

std::string Device::ReadFile(std::u16string_view devicePath, size_t maxBytes) const {
    const UniqueFd file = OpenDeviceFile(*this, devicePath, O_RDONLY);
    if (!file) {
        // Refused for what stands there (a pipe, a device node), or by the host.
        const int error = errno;
        if (error == EACCES && ListFiles(devicePath).front().kind != FileEntry::kFile) {
            throw DeviceError(ToUtf8(devicePath) + " is not a regular file");
        }
        errno = error;
        throw PathError(devicePath, "file");
    }
    std::string content;
    char buffer[65536];
    while (content.size() < maxBytes) {
        const ssize_t got =
            read(file.Get(), buffer, std::min(sizeof buffer, maxBytes - content.size()));
        if (got == 0) return content;
        if (got > 0) {
            content.append(buffer, static_cast<size_t>(got));
        } else if (errno != EINTR) {
            throw DeviceError("cannot read " + ToUtf8(devicePath) + ": " + std::strerror(errno));
        }
    }
    return content;
}

std::vector<FileEntry> Device::ListFiles(std::u16string_view devicePath) const {
    UniqueFd folder = OpenDeviceFolder(*this, devicePath);
    if (!folder) {
        // A path that names a file or a link lists that one entry.
        const int error = errno;
        if (error == ENOTDIR || error == ELOOP) {
            const DevicePathWalk walk = WalkDevicePath(*this, devicePath);
            if (walk.parent) {
                if (auto entry = ReadEntry(walk.parent.Get(), walk.name)) return {*entry};
            }
        }
        errno = error;
        throw PathError(devicePath, "folder");
    }
    DIR* dir = fdopendir(folder.Get());
    if (dir == nullptr) throw PathError(devicePath, "folder");
    folder.Release();
    std::vector<FileEntry> entries;
    while (const dirent* found = readdir(dir)) {
        const std::string name = found->d_name;
        if (name == "." || name == "..") continue;
        if (auto entry = ReadEntry(dirfd(dir), name)) entries.push_back(std::move(*entry));
    }
    closedir(dir);
    return entries;
}

}  // namespace ce
