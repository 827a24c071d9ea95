// The simulated device behind the Win32 functions of <windows.h>, and its control interface for
// the device tool and the tests.
//
// A device is a folder:
//   device.db  one SQLite database (WAL mode) with the registry, the profile, the journal of
//              physical events and the change log of registry writes;
//   fs/        the root of the device's file system;
//   run/       what live processes hold (named mutexes, the device lock);
//   snapshots/ saved states of the whole device (Device::SaveSnapshot).
//
// Two processes may use one device at once: every registry write is one transaction that takes
// the write lock from its start, and a busy database is waited for (up to 10 s), not reported as
// a failure. A process that is killed loses no committed write.
//
// Functions here throw DeviceError (a clear message naming the path) where noted; the Win32
// functions never throw.
#pragma once

#include <CePlatform/Api.h>
#include <CePlatform/RegFile.h>
#include <CePlatform/RegistryTypes.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ce {

class CEPLATFORM_API DeviceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the device is: its edition, its OS version, and which optional modules it has.
struct CEPLATFORM_API Profile {
    std::string platform = "SmartPhone";  // the SPI_GETPLATFORMTYPE text
    uint32_t osMajor = 5;
    uint32_t osMinor = 2;
    uint32_t osBuild = 1236;
    // Present optional modules and stream devices, as named.
    std::vector<std::string> modules = {"aygshell.dll", "BthUtil.dll", "BAG0:"};
    // The Bluetooth radio's mode as BthGetMode reports it: 0 off, 1 connectable, 2 discoverable;
    // any other number is kept as it is.
    uint32_t bluetoothMode = 0;

    bool HasModule(std::string_view name) const;  // without regard to case
};

// The optional modules and stream devices a device may have ("aygshell.dll", "BthUtil.dll",
// "BAG0:"), in their canonical spelling.
CEPLATFORM_API const std::vector<std::string>& KnownModules();

// One physical event of the device (a restart, ...).
struct JournalEntry {
    int64_t seq = 0;
    std::string time;  // UTC, "2026-12-07T02:11:17.123Z"
    int64_t pid = 0;
    std::string event;
};

// One registry change: a value written or deleted, a key created or deleted, or the whole device
// restored to a snapshot.
struct Change {
    enum Kind { kSetValue, kDeleteValue, kCreateKey, kDeleteKey, kRestore };
    int64_t seq = 0;
    std::string time;
    int64_t pid = 0;
    Kind kind = kSetValue;
    std::string key;                 // "HKEY_LOCAL_MACHINE\Software\Quenvale"
    std::u16string valueName;        // value changes only; "" is the default value
    std::optional<RegValue> before;  // absent: the value did not exist
    std::optional<RegValue> after;   // absent: the value was deleted
    std::string snapshot;            // kRestore: the snapshot's name (the key is empty)
};

// A saved state of the whole device (Device::SaveSnapshot).
struct SnapshotInfo {
    std::string name;
    std::string time;       // when it was saved, UTC, as JournalEntry::time
    uint64_t size = 0;      // the bytes of its files on the host
    int64_t changeSeq = 0;  // the highest change sequence number the device had used then
    std::string damage;     // why it cannot be read or restored; "" for a whole snapshot
};

// An entry of a folder of the device's file system, as the host holds it.
struct FileEntry {
    enum Kind { kFile, kFolder, kLink, kOther };  // kOther: a pipe, a device node, ...
    std::string name;                             // the host's name (UTF-8)
    Kind kind = kFile;
    uint64_t size = 0;  // regular files only
};

// $XDG_DATA_HOME/cedevice/default, or ~/.local/share/cedevice/default when XDG_DATA_HOME is unset
// or empty.
CEPLATFORM_API std::filesystem::path DefaultDevicePath();

// $CE_DEVICE when set and not empty, else DefaultDevicePath().
CEPLATFORM_API std::filesystem::path SelectedDevicePath();

// The project's seed registry (REGEDIT4): a new Windows Mobile 6 phone.
CEPLATFORM_API std::string_view SeedRegistry();

// Creates a device in `folder`, which must be missing or empty (it is created with its parents):
// the database with `profile`, the seed registry unless `seed` is false (the three root keys
// only), and fs/ with its standard folders. The seed import is not recorded in the change log.
// Throws DeviceError when the folder already holds a device or anything else; nothing is touched
// then.
CEPLATFORM_API void CreateDevice(const std::filesystem::path& folder, const Profile& profile,
                                 bool seed = true);

class CEPLATFORM_API Device {
public:
    // Opens an existing device. Throws DeviceError naming the path when the folder does not exist,
    // holds no device.db, or its device.db is not a SQLite database or has another schema. It
    // never writes to a folder that is not a device. While a restore runs it waits for its end;
    // a restore cut short by a killed process is finished or undone first.
    static std::unique_ptr<Device> Open(const std::filesystem::path& folder);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    const std::filesystem::path& Folder() const;
    std::filesystem::path DatabasePath() const;  // Folder()/device.db
    std::filesystem::path FilesRoot() const;     // Folder()/fs

    // The host path of a device path ("\Windows\Start Menu\Alarm.lnk") under FilesRoot(), for
    // messages: what it names may change before it is used, so files are reached through
    // ReadFile, ListFiles and the Win32 functions, which never leave FilesRoot(). "\" and "/"
    // separate components; each is matched to an existing entry without regard to case (a
    // missing one keeps the case given); "." is dropped and ".." goes back one component, never
    // above the root. Throws DeviceError when the path meets a symbolic link (the device has
    // none; one could lead outside FilesRoot()) or holds a zero character.
    std::filesystem::path HostPath(std::u16string_view devicePath) const;
    // The content of a regular file of the device's file system: the whole of it, or its first
    // `maxBytes` bytes (ask for one byte more than you accept to tell a larger file). Throws
    // DeviceError naming the path when it is missing, a folder or anything but a regular file,
    // or meets a symbolic link.
    std::string ReadFile(std::u16string_view devicePath, size_t maxBytes = SIZE_MAX) const;
    // The entries of a folder of the device's file system in the host's order, or the one entry
    // that the path names when it is no folder. A symbolic link is listed as a link, never
    // followed. Throws DeviceError naming the path when it does not exist or meets a symbolic
    // link on the way.
    std::vector<FileEntry> ListFiles(std::u16string_view devicePath) const;

    Profile GetProfile() const;
    void SetProfile(const Profile& profile);
    // Reads the profile, lets `edit` change it, writes it back and, unless `event` is empty,
    // journals the event: one transaction, so that a concurrent change of another field is
    // never undone.
    void UpdateProfile(const std::function<void(Profile&)>& edit, std::string_view event = {});

    // Appends an event to the journal (one transaction).
    void AddJournalEntry(std::string_view event);
    // Entries with a sequence number above `afterSeq`, oldest first.
    std::vector<JournalEntry> Journal(int64_t afterSeq = 0) const;
    // Changes with a sequence number above `afterSeq`, oldest first.
    std::vector<Change> Changes(int64_t afterSeq = 0) const;

    bool KeyExists(RootKey root, std::u16string_view path) const;
    // One key (its path in its stored case) with its own values, sorted as ExportKeys sorts
    // them, read in one read transaction. Throws DeviceError when the key does not exist.
    RegKey ReadKey(RootKey root, std::u16string_view path) const;
    // The key and every key below it, each with its values, keys sorted by their path compared
    // without regard to case (a key before its subkeys), values sorted the same way with the
    // default value first. Without a root: the whole registry, root by root. All of it is read
    // in one read transaction: a snapshot of a state the registry was in, whatever other
    // processes write meanwhile. Throws DeviceError when the key does not exist.
    std::vector<RegKey> ExportKeys(std::optional<RootKey> root = std::nullopt,
                                   std::u16string_view path = {}) const;
    // Applies the operations of a registry file in one transaction: all of them or, on an error,
    // none (throws DeviceError). Deleting a missing key or value is not an error. Each change is
    // recorded in the change log when `logChanges` is true.
    void Import(const std::vector<RegFileOp>& ops, bool logChanges = true);

    // Snapshots: whole states of the device (the registry, the profile, the journal, the change
    // log and the file system, not run/), kept in Folder()/snapshots/NAME, so that a copy of the
    // folder carries them. A name has 1 to 64 characters, no path separator, no control
    // character, and does not start with a dot. Each throws DeviceError with a clear message for
    // a bad name, an unknown snapshot or an existing one on save, changing nothing.
    //
    // Saves a snapshot while other processes go on writing: the database is copied in one read
    // transaction (a state it really was in), the file system after it.
    SnapshotInfo SaveSnapshot(std::string_view name);
    // Every snapshot, in the order of saving (then by name).
    std::vector<SnapshotInfo> Snapshots() const;
    // Puts the device back to the snapshot as one step: a process killed at any moment leaves the
    // old or the restored state, and the next Open finishes or undoes what it began. It needs the
    // device to itself: it waits up to 10 s for other processes to close it, then refuses. The
    // change log goes on: the snapshot's entries, then one kRestore entry numbered above every
    // number the device ever used, whose number is returned.
    int64_t RestoreSnapshot(std::string_view name);
    void DeleteSnapshot(std::string_view name);

    // The inside of an open device, for the platform's own sources.
    class CEPLATFORM_LOCAL Impl;
    Impl& impl() const { return *impl_; }

private:
    CEPLATFORM_LOCAL explicit Device(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The process's current device, the one the Win32 functions use: opened on first use from
// SelectedDevicePath(); the default device is created there (with the default profile and the
// seed) when that folder is missing or empty. Throws DeviceError.
CEPLATFORM_API Device& CurrentDevice();

// Makes the device in `folder` the current one (throws DeviceError, leaving the current device
// as it was, when it cannot be opened). Registry handles opened on the previous device become
// invalid.
CEPLATFORM_API void UseDevice(const std::filesystem::path& folder);

// Closes the current device; its handles become invalid. The next call that needs a device opens
// SelectedDevicePath() again.
CEPLATFORM_API void CloseDevice();

}  // namespace ce
