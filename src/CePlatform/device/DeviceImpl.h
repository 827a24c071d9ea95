// The inside of an open device: its database and the registry store on it. Used by the Win32
// functions and by the control interface; everything here throws DbError on a database failure.
#pragma once

#include <CePlatform/Device.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <optional>

#include "device/Database.h"
#include "device/DeviceLock.h"
#include "registry/KeyNames.h"

namespace ce {

// A key: its row, its root and its normalised path (as it was asked for: equal to the stored path
// but for case; StoredPath gives the stored one).
struct KeyRow {
    int64_t id = 0;
    RootKey root = RootKey::LocalMachine;
    std::u16string path;
};

// The device's database and its file system's root, in its folder.
inline constexpr const char* kDatabaseName = "device.db";
inline constexpr const char* kFilesName = "fs";

// Appends the components of `relative` to the normalised `path`.
bool AppendKeyPath(std::u16string* path, std::u16string_view relative);
// "a\b" + "c" → "a\b\c"; either side may be empty.
std::u16string JoinKeyPath(std::u16string_view parent, std::u16string_view child);
// The form of a name or a path that the database compares: case-folded, in UTF-8.
std::string FoldKey(std::u16string_view text);

// What a failure of the database `db` means to the user of its device. A device that cannot be
// written, or whose disk is full, is named as such: a write that fails so has changed nothing.
std::string Describe(const std::filesystem::path& db, const DbError& e);

class Device::Impl {
public:
    Impl(std::filesystem::path folder, std::unique_ptr<Database> db, DeviceLock lock = {});

    const std::filesystem::path& Folder() const { return folder_; }
    Database& Db() { return *db_; }
    DeviceLock& Lock() { return lock_; }
    // Distinguishes devices opened in this process, so a handle of a closed device is refused.
    uint64_t Generation() const { return generation_; }

    // The stored key at a normalised path: one indexed look-up.
    std::optional<KeyRow> FindKey(RootKey root, std::u16string_view path);
    // The root key's own row.
    KeyRow Root(RootKey root) const { return roots_[static_cast<int>(root)]; }
    bool KeyAlive(int64_t id);
    // The key's path with each component in its stored case.
    std::u16string StoredPath(int64_t id);
    // Finds or creates the key (a normalised path) and every missing key above it, in one
    // transaction.
    KeyRow CreateKey(RootKey root, std::u16string_view path, bool* created, bool log);
    // Deletes the key, its values and every key below it. False when it did not exist.
    bool DeleteKeyTree(RootKey root, std::u16string_view path, bool log);

    std::optional<RegValue> GetValue(int64_t keyId, std::u16string_view name);
    // Writes a value of a key that exists (the caller checks).
    void SetValue(const KeyRow& key, const RegValue& value, bool log);
    // False when there was no such value.
    bool DeleteValue(const KeyRow& key, std::u16string_view name, bool log);
    std::vector<RegValue> Values(int64_t keyId);

    void AddJournalEntry(std::string_view event);

    // The key and its subtree, sorted, for export (see Device::ExportKeys). Throws DeviceError
    // when the key does not exist.
    std::vector<RegKey> Export(std::optional<RootKey> root, std::u16string_view path);
    // Applies registry file operations in one transaction.
    void Apply(const std::vector<RegFileOp>& ops, bool log);

private:
    // Records a change of the key at `storedPath` (in its stored case) in the change log.
    void LogChange(const char* kind, RootKey root, std::u16string_view storedPath,
                   const std::u16string* name, const std::optional<RegValue>& before,
                   const std::optional<RegValue>& after);

    std::filesystem::path folder_;
    std::unique_ptr<Database> db_;
    DeviceLock lock_;
    uint64_t generation_;
    std::array<KeyRow, 3> roots_;
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
