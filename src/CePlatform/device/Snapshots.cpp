// Whole-device snapshots, and the device lock that keeps a restore apart from every other user.
//
// A snapshot is the folder snapshots/NAME/ of the device: device.db, a copy of the database made
// by SQLite's online backup (one read transaction: a state the database really was in, while
// writers go on), which also holds the time of saving, and fs/, a copy of the file system. It is
// built under a hidden name and renamed into place: it is whole or absent.
//
// Every process that has the device open holds run/device.lock shared; a restore holds it to
// itself, and does this:
//   1. copies the snapshot's fs/ to .restore-fs;
//   2. writes the marker .restore, holding a token that names this restore;
//   3. in one database transaction replaces the registry, the profile, the journal and the change
//      log with the snapshot's, adds the change "device restored to snapshot NAME" and stores the
//      token as the device's "restore.token": this commit decides whether the restore happened;
//   4. moves fs/ to .restore-old-fs and .restore-fs to fs/, and removes .restore-old-fs;
//   5. removes the marker.
// A process killed on the way leaves the marker or the prepared copy behind. The next process to
// open the device takes the lock to itself and finishes the restore (the token was committed:
// steps 4 and 5) or undoes it (it was not: .restore-fs and the marker go), so that the device is
// wholly old or wholly restored. The database is never swapped as a file: other processes may have
// it open.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <CePlatform/WindowSystemServices.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>

#include "device/DeviceImpl.h"

namespace ce {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSnapshotsName = "snapshots";
constexpr const char* kLockPath = "run/device.lock";
constexpr const char* kMarkerName = ".restore";
constexpr const char* kPreparedFilesName = ".restore-fs";
constexpr const char* kOldFilesName = ".restore-old-fs";
// A snapshot being saved or deleted, under a name no snapshot can have: ".saving-PID-NAME".
constexpr const char* kSavingPrefix = ".saving-";
constexpr const char* kDeletingPrefix = ".deleting-";
constexpr size_t kMaxNameLength = 64;
constexpr auto kRestoreWait = std::chrono::seconds(10);
constexpr auto kLockPoll = std::chrono::milliseconds(10);

// A host failure of a file operation on the device in `folder`, in the words that a failing
// database write uses.
[[noreturn]] void FailOnHost(const fs::path& folder, const std::string& doing,
                             const std::error_code& ec) {
    const int error = ec.value();
    if (error == ENOSPC || error == EDQUOT) {
        throw DeviceError("the disk that holds the device " + folder.string() +
                          " is full; nothing was written");
    }
    if (error == EROFS || error == EACCES || error == EPERM) {
        throw DeviceError("the device " + folder.string() + " is read-only; nothing was written");
    }
    throw DeviceError("cannot " + doing + ": " + ec.message());
}

void CheckName(std::string_view name) {
    std::string why;
    const std::u16string units = FromUtf8(name);
    const bool utf8 = ToUtf8(units) == name;
    if (name.empty()) {
        why = "it is empty";
    } else if (!utf8) {
        why = "it is not UTF-8 text";
    } else if (units.size() > kMaxNameLength) {
        why = "it is longer than 64 characters";
    } else if (name.front() == '.') {
        why = "it starts with a dot";
    } else if (name.find_first_of("/\\") != std::string_view::npos) {
        why = "it holds a path separator";
    } else if (std::any_of(units.begin(), units.end(),
                           [](char16_t c) { return c < 0x20 || c == 0x7F; })) {
        why = "it holds a control character";
    }
    if (why.empty()) return;
    // The name as given, with control characters and other bytes escaped, so the message stays
    // one readable line.
    std::string shown;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || (b >= 0x80 && !utf8)) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            shown += hex;
        } else {
            shown += c;
        }
    }
    throw DeviceError("bad snapshot name \"" + shown + "\": " + why + " (nothing changed)");
}

// The bytes of the files below `folder` (links and the like count as nothing).
uint64_t SizeOf(const fs::path& folder) {
    uint64_t size = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code sizeError;
        if (it->symlink_status(sizeError).type() == fs::file_type::regular) {
            size += it->file_size(sizeError);
        }
    }
    return size;
}

// Copies the tree `from` to the new folder `to`: folders, regular files, symbolic links (as
// links, never followed) and pipes (made anew). Anything else cannot be copied: an error.
void CopyTree(const fs::path& device, const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::create_directory(to, ec);
    if (ec) FailOnHost(device, "create " + to.string(), ec);
    for (auto it = fs::directory_iterator(from, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const fs::path target = to / it->path().filename();
        const fs::file_status status = it->symlink_status(ec);
        if (ec) break;
        switch (status.type()) {
            case fs::file_type::directory:
                CopyTree(device, it->path(), target);
                break;
            case fs::file_type::regular:
                fs::copy_file(it->path(), target, ec);
                break;
            case fs::file_type::symlink:
                fs::copy_symlink(it->path(), target, ec);
                break;
            case fs::file_type::fifo:
                if (mkfifo(target.c_str(), 0600) != 0) ec.assign(errno, std::generic_category());
                break;
            default:
                throw DeviceError("cannot copy " + it->path().string() +
                                  ": it is not a file, a folder, a link or a pipe");
        }
        if (ec) FailOnHost(device, "copy " + it->path().string(), ec);
    }
    if (ec) FailOnHost(device, "copy " + from.string(), ec);
}

void RemoveTree(const fs::path& folder) {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

// Removes what savers and deleters that died left in the snapshots folder.
void RemoveLeftovers(const fs::path& snapshots) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(snapshots, ec)) {
        const std::string name = entry.path().filename().string();
        for (const char* prefix : {kSavingPrefix, kDeletingPrefix}) {
            if (name.rfind(prefix, 0) != 0) continue;
            const long pid =
                std::strtol(name.c_str() + std::string_view(prefix).size(), nullptr, 10);
            if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
                RemoveTree(entry.path());
            }
        }
    }
}

std::string ReadSmallFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Makes `path` hold `text`, whole or not at all: written beside it and renamed into place.
void WriteWhole(const fs::path& device, const fs::path& path, const std::string& text) {
    const fs::path building = path.string() + ".new";
    {
        std::ofstream out(building, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            FailOnHost(device, "write " + building.string(),
                       std::error_code(errno ? errno : EIO, std::generic_category()));
        }
    }
    std::error_code ec;
    fs::rename(building, path, ec);
    if (ec) FailOnHost(device, "write " + path.string(), ec);
}

// Steps 4 and 5 of a restore whose database part is committed: fs/ switched to the prepared
// copy, the old one removed, the marker removed. Each step can be repeated after a kill.
void SwitchFiles(const fs::path& folder) {
    std::error_code ec;
    const fs::path live = folder / kFilesName;
    const fs::path prepared = folder / kPreparedFilesName;
    const fs::path old = folder / kOldFilesName;
    if (fs::exists(prepared, ec)) {
        // Killed between the two renames, a restore leaves no fs/: the prepared copy goes in.
        if (fs::exists(live, ec)) fs::rename(live, old, ec);
        if (!ec) fs::rename(prepared, live, ec);
        if (ec) FailOnHost(folder, "switch " + live.string() + " to the snapshot's files", ec);
    }
    fs::remove_all(old, ec);
    if (!ec) fs::remove(folder / kMarkerName, ec);
    if (ec) FailOnHost(folder, "finish the restore of " + folder.string(), ec);
}

// The token that the committed database holds for the last restore; "" when none.
std::string CommittedToken(Database& db) {
    auto q = db.Prepare("SELECT value FROM device WHERE name = 'restore.token'");
    return q.Step() ? q.Text(0) : std::string();
}

// Finishes or undoes a restore that a killed process left (see the top of this file). The caller
// holds the device lock to itself.
void RecoverRestore(const fs::path& folder, Database& db) {
    const std::string token = ReadSmallFile(folder / kMarkerName);
    if (!token.empty() && token == CommittedToken(db)) {
        SwitchFiles(folder);
        return;
    }
    std::error_code ec;
    fs::remove_all(folder / kPreparedFilesName, ec);
    if (!ec) fs::remove(folder / kMarkerName, ec);
    if (ec) FailOnHost(folder, "undo the interrupted restore of " + folder.string(), ec);
}

// Whether a restore left something behind: a process that holds the lock shared sees this only
// when the restorer was killed.
bool RestoreLeftBehind(const fs::path& folder) {
    std::error_code ec;
    return fs::exists(folder / kMarkerName, ec) || fs::exists(folder / kPreparedFilesName, ec);
}

// A new token for a restore: unique to this process and moment.
std::string NewToken() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::to_string(getpid()) + "-" +
           std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

// Attaches a snapshot's database to a connection as "snapshot" for as long as it lives.
class AttachedSnapshot {
public:
    AttachedSnapshot(Database& db, const fs::path& path) : db_(db) {
        db_.Prepare("ATTACH DATABASE ? AS snapshot").Bind(1, path.string()).Run();
    }
    ~AttachedSnapshot() {
        sqlite3_exec(db_.handle(), "DETACH DATABASE snapshot", nullptr, nullptr, nullptr);
    }
    AttachedSnapshot(const AttachedSnapshot&) = delete;
    AttachedSnapshot& operator=(const AttachedSnapshot&) = delete;

private:
    Database& db_;
};

// Step 3 of a restore: the device's database takes the snapshot's content in one transaction.
// Returns the sequence number of the restore's change.
int64_t RestoreDatabase(Device::Impl& device, const fs::path& snapshotDb, std::string_view name,
                        const std::string& token) {
    Database& db = device.Db();
    AttachedSnapshot attached(db, snapshotDb);
    {
        auto q = db.Prepare("SELECT value FROM snapshot.device WHERE name = 'version'");
        auto live = db.Prepare("SELECT value FROM main.device WHERE name = 'version'");
        if (!q.Step() || !live.Step() || q.Int(0) != live.Int(0)) {
            throw DeviceError("snapshot \"" + std::string(name) +
                              "\" was saved by a device of another schema version");
        }
    }
    Database::Transaction t(db);
    // The journal's AUTOINCREMENT keeps in sqlite_sequence the highest number it ever used; the
    // rows copied in raise it, never lower it, so its numbers never go backwards. The change log
    // numbers its restore entry itself.
    db.Exec(R"sql(
        DELETE FROM main.profile;
        DELETE FROM main.journal;
        INSERT INTO main.profile(name, value) SELECT name, value FROM snapshot.profile;
        INSERT INTO main.journal(seq, time, pid, event)
          SELECT seq, time, pid, event FROM snapshot.journal;
    )sql");
    const int64_t seq = device.Registry().RestoreFromSnapshot(name);
    db.Prepare(
          "INSERT INTO device(name, value) VALUES('restore.token', ?) "
          "ON CONFLICT(name) DO UPDATE SET value = excluded.value")
        .Bind(1, token)
        .Run();
    t.Commit();
    device.ForgetPlatform();
    return seq;
}

// Copies the device's database into the new file `to` with SQLite's online backup, in one step:
// one read transaction, which writers in other processes do not wait for.
void BackUpDatabase(Database& from, const fs::path& to) {
    Database copy(to, Database::Mode::kCreate);
    sqlite3_backup* backup = sqlite3_backup_init(copy.handle(), "main", from.handle(), "main");
    if (backup == nullptr) {
        throw DbError(sqlite3_errcode(copy.handle()), sqlite3_errmsg(copy.handle()),
                      sqlite3_system_errno(copy.handle()));
    }
    int rc;
    while ((rc = sqlite3_backup_step(backup, -1)) == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        std::this_thread::sleep_for(kLockPoll);
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        throw DbError(rc, std::string("copying the database: ") + sqlite3_errstr(rc),
                      sqlite3_system_errno(copy.handle()));
    }
    // A file of its own, without a write-ahead log beside it; it knows when it was saved.
    copy.Exec(
        "PRAGMA journal_mode = DELETE;"
        "INSERT INTO device(name, value) "
        "VALUES('snapshot.time', strftime('%Y-%m-%dT%H:%M:%fZ', 'now')) "
        "ON CONFLICT(name) DO UPDATE SET value = excluded.value;");
}

SnapshotInfo ReadInfo(const fs::path& folder) {
    SnapshotInfo info;
    info.name = folder.filename().string();
    info.size = SizeOf(folder);
    std::error_code ec;
    if (!fs::is_directory(folder / kFilesName, ec)) info.damage = "it has no fs folder";
    try {
        if (!fs::is_regular_file(folder / kDatabaseName, ec)) {
            info.damage = "it has no device.db";
            return info;
        }
        Database db(folder / kDatabaseName, Database::Mode::kUnchanging);
        auto time = db.Prepare("SELECT value FROM device WHERE name = 'snapshot.time'");
        if (time.Step()) info.time = time.Text(0);
        auto seq = db.Prepare("SELECT max(seq) FROM changes");
        if (seq.Step()) info.changeSeq = seq.Int(0);
    } catch (const DbError& e) {
        info.damage = std::string("its device.db cannot be read: ") + e.what();
    }
    return info;
}

}  // namespace

bool DeviceLock::TakeToItself(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!SetFileLock(fd_.Get(), F_WRLCK, false)) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(kLockPoll);
    }
    return true;
}

void DeviceLock::Share() { SetFileLock(fd_.Get(), F_RDLCK, false); }

DeviceLock LockDevice(const fs::path& folder, Database& db) {
    const fs::path path = folder / kLockPath;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    UniqueFd fd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd) return DeviceLock();
    for (;;) {
        if (!RestoreLeftBehind(folder)) {
            SetFileLock(fd.Get(), F_RDLCK, true);
            if (!RestoreLeftBehind(folder)) return DeviceLock(std::move(fd));
            SetFileLock(fd.Get(), F_UNLCK, false);
        }
        if (SetFileLock(fd.Get(), F_WRLCK, false)) {
            if (RestoreLeftBehind(folder)) RecoverRestore(folder, db);
            SetFileLock(fd.Get(), F_RDLCK, false);
            return DeviceLock(std::move(fd));
        }
        std::this_thread::sleep_for(kLockPoll);
    }
}

SnapshotInfo Device::SaveSnapshot(std::string_view name) {
    CheckName(name);
    const fs::path snapshots = Folder() / kSnapshotsName;
    const fs::path placed = snapshots / std::string(name);
    std::error_code ec;
    if (fs::exists(placed, ec)) {
        throw DeviceError("a snapshot named \"" + std::string(name) +
                          "\" exists already (nothing changed)");
    }
    fs::create_directories(snapshots, ec);
    if (ec) FailOnHost(Folder(), "create " + snapshots.string(), ec);
    RemoveLeftovers(snapshots);
    const fs::path building =
        snapshots / (kSavingPrefix + std::to_string(getpid()) + "-" + std::string(name));
    RemoveTree(building);
    try {
        fs::create_directory(building, ec);
        if (ec) FailOnHost(Folder(), "create " + building.string(), ec);
        try {
            BackUpDatabase(impl_->Db(), building / kDatabaseName);
        } catch (const DbError& e) {
            throw DeviceError(Describe(DatabasePath(), e));
        }
        CopyTree(Folder(), FilesRoot(), building / kFilesName);
        // Of two savers of one name, the first to rename wins; the other finds it taken.
        if (renameat2(AT_FDCWD, building.c_str(), AT_FDCWD, placed.c_str(), RENAME_NOREPLACE) !=
            0) {
            if (errno == EEXIST || errno == ENOTEMPTY) {
                throw DeviceError("a snapshot named \"" + std::string(name) +
                                  "\" exists already (nothing changed)");
            }
            FailOnHost(Folder(), "place " + placed.string(),
                       std::error_code(errno, std::generic_category()));
        }
    } catch (...) {
        RemoveTree(building);
        throw;
    }
    return ReadInfo(placed);
}

std::vector<SnapshotInfo> Device::Snapshots() const {
    std::vector<SnapshotInfo> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(Folder() / kSnapshotsName, ec)) {
        std::error_code kind;
        if (entry.path().filename().string().front() == '.' || !entry.is_directory(kind)) continue;
        found.push_back(ReadInfo(entry.path()));
    }
    std::sort(found.begin(), found.end(), [](const SnapshotInfo& a, const SnapshotInfo& b) {
        return a.time != b.time ? a.time < b.time : a.name < b.name;
    });
    return found;
}

int64_t Device::RestoreSnapshot(std::string_view name) {
    CheckName(name);
    const fs::path snapshot = Folder() / kSnapshotsName / std::string(name);
    std::error_code ec;
    if (!fs::is_directory(snapshot, ec)) {
        throw DeviceError("no snapshot named \"" + std::string(name) +
                          "\" (cedevice snapshot list lists them)");
    }
    if (const SnapshotInfo info = ReadInfo(snapshot); !info.damage.empty()) {
        throw DeviceError("snapshot \"" + info.name + "\" cannot be restored: " + info.damage +
                          " (nothing changed)");
    }
    DeviceLock& lock = impl_->Lock();
    if (!lock) {
        throw DeviceError("the device " + Folder().string() +
                          " cannot be locked for a restore (is it read-only?); nothing changed");
    }
    if (!lock.TakeToItself(kRestoreWait)) {
        throw DeviceError("another process has the device " + Folder().string() +
                          " open, and a restore needs it to itself; nothing changed (try again "
                          "when it ends)");
    }
    struct Shared {
        DeviceLock& lock;
        ~Shared() { lock.Share(); }
    } shareAtEnd{lock};

    const fs::path prepared = Folder() / kPreparedFilesName;
    RemoveTree(prepared);
    const std::string token = NewToken();
    int64_t seq = 0;
    try {
        CopyTree(Folder(), snapshot / kFilesName, prepared);
        WriteWhole(Folder(), Folder() / kMarkerName, token);
        try {
            seq = RestoreDatabase(*impl_, snapshot / kDatabaseName, name, token);
        } catch (const DbError& e) {
            throw DeviceError(Describe(DatabasePath(), e));
        }
    } catch (...) {
        RemoveTree(prepared);
        fs::remove(Folder() / kMarkerName, ec);
        throw;
    }
    // The files are opened again even when the switch fails half-way: the old tree may be gone.
    try {
        SwitchFiles(Folder());
    } catch (...) {
        impl_->ReopenFiles();
        throw;
    }
    impl_->ReopenFiles();
    return seq;
}

void Device::DeleteSnapshot(std::string_view name) {
    CheckName(name);
    const fs::path snapshots = Folder() / kSnapshotsName;
    const fs::path doomed =
        snapshots / (kDeletingPrefix + std::to_string(getpid()) + "-" + std::string(name));
    std::error_code ec;
    // Renamed away first: it vanishes from the list at once, whole.
    fs::rename(snapshots / std::string(name), doomed, ec);
    if (ec == std::errc::no_such_file_or_directory) {
        throw DeviceError("no snapshot named \"" + std::string(name) +
                          "\" (cedevice snapshot list lists them)");
    }
    if (ec) FailOnHost(Folder(), "delete snapshot \"" + std::string(name) + "\"", ec);
    RemoveTree(doomed);
}

}  // namespace ce
