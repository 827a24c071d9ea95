// What the window system (the CeWindow library) needs of the device beneath it, and nothing more:
// a journal entry for a settings change, the device's runtime area where each process publishes
// its windows, the file locks that tell a live publisher from a dead one, and the hook through
// which it answers the system parameters that belong to it.
//
// Like the Win32 functions, none of these throws, and each uses the process's current device
// (<CePlatform/Device.h>), opened on first use; when it cannot be opened the reason is printed once
// to standard error.
#pragma once

#include <CePlatform/Api.h>
#include <sys/types.h>
#include <windows.h>

#include <filesystem>
#include <string_view>

namespace ce {

// Appends `event` to the current device's journal as one transaction, with the time and the
// process id: safe from any number of processes at once. False, writing nothing, when there is no
// device or the write fails (a read-only device, a full disk).
CEPLATFORM_API bool JournalEvent(std::string_view event);

// The folder `name` of the current device's runtime area (<device>/run/<name>), created with its
// parents when missing; empty when there is no device or the folder cannot be made. The area
// belongs to live processes: each names its files there by its process id and holds a file lock
// (SetFileLock) on one of them while it lives, so that another process can tell files that a
// dead one left behind (their lock can be taken) and remove them. Snapshots leave the area out.
CEPLATFORM_API std::filesystem::path RuntimeFolder(std::string_view name);

// Takes a read (F_RDLCK) or write (F_WRLCK) lock on `length` bytes from `start` of the file open
// as `fd` (length 0: to the end of the file, however long it grows), or releases it (F_UNLCK);
// with `wait` it waits for other holders, else it fails at once (errno EAGAIN or EACCES while
// another holds it). The lock belongs to the open file description, not to the process: two
// descriptors opened separately by one process are two holders, which exclude each other as two
// processes do. The kernel drops it when its last descriptor is closed, however the process ends.
// Interruptions by signals are retried.
CEPLATFORM_API bool SetFileLock(int fd, short type, bool wait, off_t start = 0, off_t length = 0);

// Answers the SystemParametersInfoW actions other than SPI_GETPLATFORMTYPE (the work area): the
// window system installs it when it is loaded; without it those actions fail with
// ERROR_INVALID_PARAMETER. Called on the caller's thread, from any thread.
using SystemParametersHook = BOOL (*)(UINT uiAction, UINT uiParam, PVOID pvParam, UINT fWinIni);
CEPLATFORM_API void SetSystemParametersHook(SystemParametersHook hook);

}  // namespace ce
