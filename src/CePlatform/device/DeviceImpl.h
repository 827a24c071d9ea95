// The inside of an open device: its database and the registry store in it. Used by the Win32
// functions and by the control interface; everything here throws DbError on a database failure.
#pragma once

#include <CePlatform/Device.h>
#include <windows.h>

#include <mutex>
#include <optional>
#include <string>

#include "device/Database.h"
#include "device/DeviceLock.h"
#include "files/DevicePaths.h"
#include "registry/RegistryStore.h"

namespace ce {

// The device's database and its file system's root, in its folder.
inline constexpr const char* kDatabaseName = "device.db";
inline constexpr const char* kFilesName = "fs";

// What a failure of the database `db` means to the user of its device. A device that cannot be
// written, or whose disk is full, is named as such: a write that fails so has changed nothing.
std::string Describe(const std::filesystem::path& db, const DbError& e);

class Device::Impl {
public:
    Impl(std::filesystem::path folder, std::unique_ptr<Database> db, DeviceLock lock = {});

    const std::filesystem::path& Folder() const { return folder_; }
    Database& Db() { return *db_; }
    RegistryStore& Registry() { return registry_; }
    DeviceLock& Lock() { return lock_; }
    // Distinguishes devices opened in this process, so a handle of a closed device is refused.
    uint64_t Generation() const { return generation_; }
    // The device's fs/ folder, held open so that a device path is walked from it without a walk
    // of the host's path to it (-1 when it could not be opened). A restore, which puts another
    // folder in its place, opens it again.
    int FilesFd() const { return files_.Get(); }
    void ReopenFiles();

    void AddJournalEntry(std::string_view event);
    // The profile's platform text (Profile::platform), which programs ask for often. It is read
    // once: a device's platform does not change while programs run on it (only its creation
    // sets it), and a change made through this device forgets what was read (ForgetPlatform).
    const std::string& Platform();
    void ForgetPlatform() { platform_.reset(); }

private:
    std::filesystem::path folder_;
    std::unique_ptr<Database> db_;
    RegistryStore registry_;
    DeviceLock lock_;
    uint64_t generation_;
    UniqueFd files_;
    std::optional<std::string> platform_;
};

// The current device for the Win32 functions, or null with the reason already reported (once per
// process, on standard error). Callers hold PlatformLock().
Device::Impl* TryCurrentDevice();
// What keeps a device that opened from being written.
enum class DeviceProblem { kReadOnly, kDiskFull };
// Tells the user on standard error, once per process, problem and device, that the device in
// `folder`
// cannot be written and what to do about it: the Win32 functions only return error codes, which
// do not say that the cause lies outside the program.
void ReportDeviceProblem(DeviceProblem problem, const std::filesystem::path& folder);
// Serialises the Win32 functions of this process.
std::recursive_mutex& PlatformLock();

// Runs `call(Device&)` on the current device under PlatformLock() and returns its result. Without
// a device: `failure`, with the last error ERROR_NOT_READY; when the call throws (a database
// error, no memory): `failure`, with ERROR_GEN_FAILURE. Never throws, so the Win32 functions can
// use it as their body.
template <typename Result, typename Call>
Result OnCurrentDevice(Result failure, Call&& call) {
    std::lock_guard<std::recursive_mutex> lock(PlatformLock());
    try {
        if (!TryCurrentDevice()) {
            SetLastError(ERROR_NOT_READY);
            return failure;
        }
        return call(CurrentDevice());
    } catch (...) {
        SetLastError(ERROR_GEN_FAILURE);
        return failure;
    }
}

}  // namespace ce
