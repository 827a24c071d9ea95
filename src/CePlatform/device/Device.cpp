#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <system_error>

#include "device/DeviceImpl.h"

namespace ce {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFormat = "cedevice";
constexpr int64_t kSchemaVersion = 1;
// A device being created is built under this name and then linked into place.
constexpr const char* kCreatingPrefix = ".device.db.creating-";

// The device's own tables; the registry store adds its own (RegistryStore::CreateTables).
constexpr const char* kSchema = R"sql(
CREATE TABLE device(name TEXT PRIMARY KEY, value) WITHOUT ROWID;
CREATE TABLE profile(name TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE journal(
  seq INTEGER PRIMARY KEY AUTOINCREMENT,
  time TEXT NOT NULL,
  pid INTEGER NOT NULL,
  event TEXT NOT NULL);
)sql";

// The folders that every device's file system has.
const char* const kStandardFolders[] = {"Windows/Start Menu/Programs", "Program Files"};

std::atomic<uint64_t> g_generations{0};

// True when the folder is missing, or holds nothing but leftovers of an interrupted creation.
bool IsFreeForDevice(const fs::path& folder) {
    std::error_code ec;
    if (!fs::exists(folder, ec)) return true;
    if (!fs::is_directory(folder, ec)) return false;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.path().filename().string().rfind(kCreatingPrefix, 0) != 0) return false;
    }
    return !ec;
}

// Makes the standard folders of the device's file system that are missing.
void MakeFileSystem(const fs::path& folder) {
    for (const char* sub : kStandardFolders) {
        std::error_code ec;
        fs::create_directories(folder / kFilesName / sub, ec);
        if (ec) {
            throw DeviceError("cannot create " + (folder / kFilesName / sub).string() + ": " +
                              ec.message());
        }
    }
}

void WriteProfile(Database& db, const Profile& profile) {
    auto put = [&db](const std::string& name, const std::string& value) {
        db.Prepare(
              "INSERT INTO profile(name, value) VALUES(?, ?) "
              "ON CONFLICT(name) DO UPDATE SET value = excluded.value")
            .Bind(1, name)
            .Bind(2, value)
            .Run();
    };
    put("platform", profile.platform);
    put("os.major", std::to_string(profile.osMajor));
    put("os.minor", std::to_string(profile.osMinor));
    put("os.build", std::to_string(profile.osBuild));
    put("bluetooth", std::to_string(profile.bluetoothMode));
    for (const std::string& module : KnownModules()) {
        put("module." + module, profile.HasModule(module) ? "1" : "0");
    }
}

uint32_t ToNumber(const std::string& text) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    return (end && *end == '\0') ? static_cast<uint32_t>(value) : 0;
}

// What to do about a folder whose database is no device: it is never overwritten.
constexpr const char* kNotADevice =
    "; move the folder aside and create a device with 'cedevice init', or choose another folder";

// True when the opened database can be read. SQLite cannot read a database in write-ahead-log
// mode whose folder it cannot write (it would make the log's shared-memory file there): false
// then. Other failures are left to the schema check, which reports them.
bool CanRead(Database& db) {
    try {
        db.Exec("SELECT count(*) FROM sqlite_schema");
        return true;
    } catch (const DbError& e) {
        return !(e.ReadOnly() || e.code() == SQLITE_CANTOPEN);
    }
}

// Checks that an opened database is a device of this schema; reads only.
void CheckSchema(Database& db, const fs::path& path) {
    std::string format;
    int64_t version = 0;
    try {
        auto q = db.Prepare("SELECT name, value FROM device");
        while (q.Step()) {
            if (q.Text(0) == "format") format = q.Text(1);
            if (q.Text(0) == "version") version = q.Int(1);
        }
    } catch (const DbError& e) {
        if (e.code() == SQLITE_NOTADB) throw DeviceError(Describe(path, e));
        if (e.code() == SQLITE_ERROR) {
            throw DeviceError(path.string() + " is not a device database (it has another schema)" +
                              kNotADevice);
        }
        throw DeviceError(Describe(path, e));
    }
    if (format != kFormat) {
        throw DeviceError(path.string() + " is not a device database (it has another schema)" +
                          kNotADevice);
    }
    if (version != kSchemaVersion) {
        throw DeviceError(path.string() + " is a device of schema version " +
                          std::to_string(version) + "; this build reads version " +
                          std::to_string(kSchemaVersion));
    }
}

std::unique_ptr<Database> OpenDatabase(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        throw DeviceError("no device at " + folder.string() +
                          " (the folder does not exist; create one with 'cedevice init')");
    }
    const fs::path path = folder / kDatabaseName;
    if (!fs::exists(path, ec)) {
        throw DeviceError(folder.string() + " holds no device (no " + kDatabaseName +
                          "); choose another folder, or create a device in an empty one with "
                          "'cedevice --device FOLDER init'");
    }
    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(path, Database::Mode::kExisting);
        // A device that cannot be written (a read-only mount, a folder without write permission)
        // is read as an unchanging file, which it is: nobody can write there. Only while no log
        // is beside the database, which would hold writes that the file does not.
        const std::string log = path.string() + "-wal";
        if (!CanRead(*db) && !fs::exists(log, ec)) {
            db = std::make_unique<Database>(path, Database::Mode::kUnchanging);
        }
    } catch (const DbError& e) {
        throw DeviceError("cannot open " + Describe(path, e));
    }
    CheckSchema(*db, path);
    try {
        db->Exec("PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL;");
    } catch (const DbError& e) {
        throw DeviceError(Describe(path, e));
    }
    return db;
}

// True when two paths name the same folder, whether or not it exists ("a/b/" is "a/b").
bool SamePath(const fs::path& a, const fs::path& b) {
    auto normal = [](const fs::path& p) {
        std::error_code ec;
        fs::path n = fs::absolute(p, ec).lexically_normal();
        return n.has_filename() ? n : n.parent_path();
    };
    return normal(a) == normal(b);
}

std::unique_ptr<Device> g_current;
bool g_failureReported = false;

}  // namespace

std::string Describe(const fs::path& db, const DbError& e) {
    if (e.code() == SQLITE_NOTADB) return db.string() + " is not a SQLite database" + kNotADevice;
    if (e.DiskFull()) {
        return "the disk that holds the device " + db.parent_path().string() +
               " is full; nothing was written";
    }
    if (e.ReadOnly()) {
        return "the device " + db.parent_path().string() + " is read-only; nothing was written";
    }
    return db.string() + ": " + e.what();
}

bool Profile::HasModule(std::string_view name) const {
    return std::any_of(modules.begin(), modules.end(),
                       [name](const std::string& m) { return EqualsIgnoringAsciiCase(m, name); });
}

const std::vector<std::string>& KnownModules() {
    static const std::vector<std::string> modules = {"aygshell.dll", "BthUtil.dll", "BAG0:"};
    return modules;
}

fs::path DefaultDevicePath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data) return fs::path(data) / "cedevice" / "default";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : ".") / ".local" / "share" / "cedevice" / "default";
}

fs::path SelectedDevicePath() {
    const char* named = std::getenv("CE_DEVICE");
    if (named && *named) return fs::path(named);
    return DefaultDevicePath();
}

void CreateDevice(const fs::path& folder, const Profile& profile, bool seed) {
    std::error_code ec;
    if (!IsFreeForDevice(folder)) {
        // Looked for only now: a creator that wins a race for this folder links its database
        // there before it adds anything else (its fs/), so a folder that it took holds the
        // database by the time it is found taken.
        if (fs::exists(folder / kDatabaseName, ec)) {
            throw DeviceError(folder.string() + " already holds a device");
        }
        throw DeviceError(folder.string() +
                          " is not empty and holds no device; "
                          "a device is created only in a new or empty folder");
    }
    fs::create_directories(folder, ec);
    if (ec) throw DeviceError("cannot create " + folder.string() + ": " + ec.message());

    std::vector<RegFileOp> seedOps;
    if (seed) {
        try {
            seedOps = ParseRegFile(SeedRegistry());
        } catch (const RegFileError& e) {
            throw DeviceError(std::string("the built-in seed registry is malformed: ") + e.what());
        }
    }

    // The database is built under a private name and linked into place when complete, so that a
    // process opening the device never sees half of one, and of two creators only one wins.
    const fs::path building = folder / (kCreatingPrefix + std::to_string(getpid()));
    auto removeBuilding = [&building] {
        std::error_code ignored;
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
            fs::remove(building.string() + suffix, ignored);
        }
    };
    removeBuilding();
    try {
        auto db = std::make_unique<Database>(building, Database::Mode::kCreate);
        db->Exec("PRAGMA journal_mode = WAL; PRAGMA foreign_keys = ON;");
        {
            Database::Transaction t(*db);
            db->Exec(kSchema);
            RegistryStore::CreateTables(*db);
            db->Prepare("INSERT INTO device(name, value) VALUES('format', ?), ('version', ?)")
                .Bind(1, std::string_view(kFormat))
                .Bind(2, kSchemaVersion)
                .Run();
            WriteProfile(*db, profile);
            t.Commit();
        }
        RegistryStore(*db).Apply(seedOps, /*log=*/false);
    } catch (const DbError& e) {
        removeBuilding();
        throw DeviceError("cannot create a device in " + folder.string() + ": " +
                          (e.DiskFull() ? "the disk is full" : e.what()));
    } catch (...) {
        removeBuilding();
        throw;
    }
    // The connection is closed: the write-ahead log is folded into the database file. Once it is
    // linked the folder is a device; its file system is made now and, should that be cut short,
    // whenever it is opened.
    const int linked = link(building.c_str(), (folder / kDatabaseName).c_str());
    const int linkError = errno;
    removeBuilding();
    if (linked != 0) {
        if (linkError == EEXIST) throw DeviceError(folder.string() + " already holds a device");
        throw DeviceError("cannot create " + (folder / kDatabaseName).string() + ": " +
                          std::generic_category().message(linkError));
    }
    MakeFileSystem(folder);
}

Device::Device(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Device::~Device() = default;

std::unique_ptr<Device> Device::Open(const fs::path& folder) {
    auto db = OpenDatabase(folder);
    try {
        DeviceLock lock = LockDevice(folder, *db);
        // A creator cut short after linking the database leaves no fs/: it is made here (unless
        // the device cannot be written). Folders the user removed from an existing fs/ stay
        // removed.
        std::error_code ec;
        if (!db->ReadOnly() && !fs::exists(folder / kFilesName, ec)) MakeFileSystem(folder);
        return std::unique_ptr<Device>(
            new Device(std::make_unique<Impl>(folder, std::move(db), std::move(lock))));
    } catch (const DbError& e) {
        throw DeviceError(Describe(folder / kDatabaseName, e));
    }
}

const fs::path& Device::Folder() const { return impl_->Folder(); }
fs::path Device::DatabasePath() const { return impl_->Folder() / kDatabaseName; }
fs::path Device::FilesRoot() const { return impl_->Folder() / kFilesName; }

namespace {

// Runs `work` and turns a database failure into a DeviceError naming the device.
template <typename Work>
auto Guard(const Device& device, Work&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const DbError& e) {
        throw DeviceError(Describe(device.DatabasePath(), e));
    }
}

}  // namespace

Profile Device::GetProfile() const {
    return Guard(*this, [this] {
        // A device made before a module was known has no row for it: it keeps the default.
        Profile profile;
        auto q = impl_->Db().Prepare("SELECT name, value FROM profile");
        while (q.Step()) {
            const std::string name = q.Text(0);
            const std::string value = q.Text(1);
            if (name == "platform")
                profile.platform = value;
            else if (name == "os.major")
                profile.osMajor = ToNumber(value);
            else if (name == "os.minor")
                profile.osMinor = ToNumber(value);
            else if (name == "os.build")
                profile.osBuild = ToNumber(value);
            else if (name == "bluetooth")
                profile.bluetoothMode = ToNumber(value);
            else if (name.rfind("module.", 0) == 0) {
                const std::string module = name.substr(7);
                std::erase_if(profile.modules, [&](const std::string& m) {
                    return EqualsIgnoringAsciiCase(m, module);
                });
                if (value == "1") profile.modules.push_back(module);
            }
        }
        return profile;
    });
}

void Device::SetProfile(const Profile& profile) {
    Guard(*this, [&] {
        Database::Transaction t(impl_->Db());
        WriteProfile(impl_->Db(), profile);
        t.Commit();
        impl_->ForgetPlatform();
    });
}

void Device::UpdateProfile(const std::function<void(Profile&)>& edit, std::string_view event) {
    Guard(*this, [&] {
        Database::Transaction t(impl_->Db());
        Profile profile = GetProfile();
        edit(profile);
        WriteProfile(impl_->Db(), profile);
        if (!event.empty()) impl_->AddJournalEntry(event);
        t.Commit();
        impl_->ForgetPlatform();
    });
}

void Device::AddJournalEntry(std::string_view event) {
    Guard(*this, [&] { impl_->AddJournalEntry(event); });
}

std::vector<JournalEntry> Device::Journal(int64_t afterSeq) const {
    return Guard(*this, [&] {
        std::vector<JournalEntry> entries;
        auto q = impl_->Db().Prepare(
            "SELECT seq, time, pid, event FROM journal WHERE seq > ? ORDER BY seq");
        q.Bind(1, afterSeq);
        while (q.Step()) entries.push_back({q.Int(0), q.Text(1), q.Int(2), q.Text(3)});
        return entries;
    });
}

std::vector<Change> Device::Changes(int64_t afterSeq) const {
    return Guard(*this, [&] { return impl_->Registry().Changes(afterSeq); });
}

bool Device::KeyExists(RootKey root, std::u16string_view path) const {
    return Guard(*this, [&] { return impl_->Registry().KeyExists(root, path); });
}

RegKey Device::ReadKey(RootKey root, std::u16string_view path) const {
    return Guard(*this, [&] { return impl_->Registry().ReadKey(root, path); });
}

std::vector<RegKey> Device::ExportKeys(std::optional<RootKey> root,
                                       std::u16string_view path) const {
    return Guard(*this, [&] { return impl_->Registry().Export(root, path); });
}

void Device::Import(const std::vector<RegFileOp>& ops, bool logChanges) {
    Guard(*this, [&] { impl_->Registry().Apply(ops, logChanges); });
}

Device& CurrentDevice() {
    std::lock_guard<std::recursive_mutex> lock(PlatformLock());
    if (g_current) return *g_current;
    const fs::path folder = SelectedDevicePath();
    std::error_code ec;
    // Only the default device comes into being by itself; a named one is made with cedevice.
    if (SamePath(folder, DefaultDevicePath()) && !fs::exists(folder / kDatabaseName, ec) &&
        IsFreeForDevice(folder)) {
        try {
            CreateDevice(folder, Profile{}, true);
        } catch (const DeviceError&) {
            // Another process may have created it at the same moment; opening tells.
            if (!fs::exists(folder / kDatabaseName, ec)) throw;
        }
    }
    g_current = Device::Open(folder);
    return *g_current;
}

void UseDevice(const fs::path& folder) {
    auto device = Device::Open(folder);
    std::lock_guard<std::recursive_mutex> lock(PlatformLock());
    g_current = std::move(device);
    g_failureReported = false;
}

void CloseDevice() {
    std::lock_guard<std::recursive_mutex> lock(PlatformLock());
    g_current.reset();
    g_failureReported = false;
}

std::recursive_mutex& PlatformLock() {
    static std::recursive_mutex lock;
    return lock;
}

void ReportDeviceProblem(DeviceProblem problem, const fs::path& folder) {
    static std::set<std::pair<DeviceProblem, fs::path>> reported;
    std::lock_guard<std::recursive_mutex> lock(PlatformLock());
    if (!reported.emplace(problem, folder).second) return;
    if (problem == DeviceProblem::kReadOnly) {
        std::fprintf(stderr,
                     "CePlatform: the device %s is read-only (a read-only mount, or a folder "
                     "without write permission): nothing can be written to it; make it writable, "
                     "or copy it to a writable folder and use that one\n",
                     folder.c_str());
    } else {
        std::fprintf(stderr,
                     "CePlatform: the disk that holds the device %s is full: nothing was "
                     "written; free some space on it\n",
                     folder.c_str());
    }
}

Device::Impl* TryCurrentDevice() {
    try {
        return &CurrentDevice().impl();
    } catch (const std::exception& e) {
        std::lock_guard<std::recursive_mutex> lock(PlatformLock());
        if (!g_failureReported) {
            g_failureReported = true;
            std::fprintf(stderr, "CePlatform: the device cannot be used: %s\n", e.what());
        }
        return nullptr;
    }
}

Device::Impl::Impl(fs::path folder, std::unique_ptr<Database> db, DeviceLock lock)
    : folder_(std::move(folder)),
      db_(std::move(db)),
      registry_(*db_),
      lock_(std::move(lock)),
      generation_(++g_generations) {
    ReopenFiles();
}

void Device::Impl::ReopenFiles() {
    files_ = UniqueFd(
        open((folder_ / kFilesName).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

void Device::Impl::AddJournalEntry(std::string_view event) {
    Database::Transaction t(*db_);
    db_->Prepare(
           "INSERT INTO journal(time, pid, event) "
           "VALUES(strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), ?, ?)")
        .Bind(1, static_cast<int64_t>(getpid()))
        .Bind(2, event)
        .Run();
    t.Commit();
}

const std::string& Device::Impl::Platform() {
    if (!platform_) {
        auto q = db_->Prepare("SELECT value FROM profile WHERE name = 'platform'");
        platform_ = q.Step() ? q.Text(0) : Profile{}.platform;
    }
    return *platform_;
}

}  // namespace ce
