// Device paths on the host, without a way out of the device's file system. A path is walked one
// component at a time from an open descriptor of fs/: each folder is opened with O_NOFOLLOW
// relative to the one before (or, when all are named as stored, by one openat2 that refuses links
// the same way), each name matched to an existing entry without regard to case, and
// the file is opened, created or deleted relative to the folder that the walk opened. A symbolic
// link met anywhere on the way, or swapped in while the walk runs, is refused instead of
// followed. (A hard link inside fs/ is an ordinary file here: making one is the user's doing.)
//
// Paths: "\" and "/" separate components; "." is dropped and ".." goes back one component, never
// above the root; a missing name keeps the case given.
//
// Every function fails with errno and the Win32 last error set:
//   errno    last error            when
//   ENOENT   ERROR_FILE_NOT_FOUND  the file itself does not exist
//   ENOENT   ERROR_PATH_NOT_FOUND  a folder on the way does not exist
//   ENOTDIR  ERROR_PATH_NOT_FOUND  something on the way is not a folder
//   EEXIST   ERROR_FILE_EXISTS     CreateNewDeviceFile: the name is taken (file, folder, anything
//                                  but a link)
//   ELOOP    ERROR_ACCESS_DENIED   a symbolic link, on the way or in the file's place
//   EISDIR   ERROR_ACCESS_DENIED   the file is a folder (also the root "\")
//   EACCES   ERROR_ACCESS_DENIED   the file is no regular file (a pipe, a device node)
//   EINVAL   ERROR_INVALID_NAME    the path holds a zero character
//   others, from the host: EACCES, EPERM, EROFS → ERROR_ACCESS_DENIED; ENOSPC, EDQUOT →
//   ERROR_DISK_FULL; anything else → ERROR_GEN_FAILURE.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace ce {

class Device;

// An open file descriptor, closed when it goes out of scope.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) close(fd_);
    }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        UniqueFd old(std::exchange(fd_, other.Release()));
        return *this;
    }

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

// How far a device path leads on the host.
struct DevicePathWalk {
    // The folder that holds the last component, opened by the walk; invalid when the walk stopped
    // before it (errno and the last error are then set, as in the table above).
    UniqueFd parent;
    // The last component as the host names it (as given when it does not exist); empty when the
    // path is the root itself.
    std::string name;
    // Whether an entry of that name (of any kind) was found in the folder.
    bool exists = false;
    // The host path of the whole, for messages: components past the point where the walk stopped
    // keep the case given.
    std::filesystem::path host;
};

// Walks `path` on `device` up to the folder that holds its last component.
DevicePathWalk WalkDevicePath(const Device& device, std::u16string_view path);

// Opens a regular file: `flags` are those of open(2), one of O_RDONLY, O_WRONLY or O_RDWR with
// any of O_CREAT (mode 0666 less the umask), O_TRUNC, O_APPEND and O_EXCL. The file is never
// reached through a link, and a pipe found in its place is refused without blocking. Returns the
// descriptor (blocking, close-on-exec), or an invalid one with errno and the last error set.
UniqueFd OpenDeviceFile(const Device& device, std::u16string_view path, int flags);

// Creates a new empty file for writing, only where nothing of that name exists (O_EXCL: two
// creators of one name never both succeed) and its folder does. Fails, creating nothing, with:
// EEXIST/ERROR_FILE_EXISTS where a file or folder of that name exists (matched without regard
// to case); ENOENT/ERROR_PATH_NOT_FOUND where its folder does not; ELOOP/ERROR_ACCESS_DENIED
// where a symbolic link stands on the way or in its place; or a host failure (read-only device:
// EROFS or EACCES, ERROR_ACCESS_DENIED; disk full: ENOSPC, ERROR_DISK_FULL).
UniqueFd CreateNewDeviceFile(const Device& device, std::u16string_view path);

// Deletes a file: anything in the path's place but a folder or a symbolic link, which are refused
// (EISDIR, ELOOP). The entry is removed from the folder the walk opened (unlinkat). False with
// errno and the last error set.
bool DeleteDeviceFile(const Device& device, std::u16string_view path);

// Opens a folder (the root for "\" or "") for listing with fdopendir. A path naming no folder
// fails with ENOTDIR/ERROR_PATH_NOT_FOUND (ELOOP for a link); a missing one with ENOENT.
UniqueFd OpenDeviceFolder(const Device& device, std::u16string_view path);

}  // namespace ce
