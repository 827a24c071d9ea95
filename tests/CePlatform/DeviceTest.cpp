// The simulated device: where it lives, how it is created and refused, its profile, and the
// device queries and emulated modules that answer from it.
#include <CePlatform/Device.h>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "support/TempDevice.h"

namespace fs = std::filesystem;

// When set, runs once as the next folder listing of this program starts: another process acting
// between two steps of the code under test.
static std::function<void()> g_beforeListing;

extern "C" DIR* fdopendir(int fd) {
    static const auto platform = reinterpret_cast<DIR* (*)(int)>(dlsym(RTLD_NEXT, "fdopendir"));
    if (g_beforeListing) std::exchange(g_beforeListing, nullptr)();
    return platform(fd);
}

namespace {

constexpr DWORD kJunk = 0xDEADBEEF;

// Expects Device::Open to refuse `folder` with a message that names `named`.
void ExpectRefused(const fs::path& folder, const fs::path& named, const std::string& words) {
    try {
        ce::Device::Open(folder);
        ADD_FAILURE() << "opened " << folder;
    } catch (const ce::DeviceError& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find(named.string())) << e.what();
        EXPECT_NE(std::string::npos, std::string(e.what()).find(words)) << e.what();
    }
}

TEST(DeviceLocation, ComesFromCeDeviceElseTheDataFolder) {
    const std::string saved = std::getenv("XDG_DATA_HOME");
    EXPECT_EQ(fs::path(saved) / "cedevice" / "default", ce::DefaultDevicePath());
    EXPECT_EQ(ce::DefaultDevicePath(), ce::SelectedDevicePath());
    // A named device is never created by itself.
    const fs::path named = test::MakeTempFolder("named") / "phone";
    setenv("CE_DEVICE", named.c_str(), 1);
    EXPECT_EQ(named, ce::SelectedDevicePath());
    ce::CloseDevice();
    EXPECT_THROW(ce::CurrentDevice(), ce::DeviceError);
    EXPECT_FALSE(fs::exists(named));
    fs::remove_all(named.parent_path());
    setenv("CE_DEVICE", "", 1);
    EXPECT_EQ(ce::DefaultDevicePath(), ce::SelectedDevicePath());
    unsetenv("CE_DEVICE");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(fs::path(std::getenv("HOME")) / ".local/share/cedevice/default",
              ce::DefaultDevicePath());
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

TEST(DeviceLocation, DefaultDeviceIsCreatedOnFirstUse) {
    ce::CloseDevice();
    fs::remove_all(ce::DefaultDevicePath());
    WCHAR platform[MAX_PATH] = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof(platform), platform, 0));
    EXPECT_EQ(std::u16string(u"SmartPhone"), platform);
    EXPECT_TRUE(fs::exists(ce::DefaultDevicePath() / "device.db"));
    EXPECT_TRUE(
        fs::is_directory(ce::DefaultDevicePath() / "fs" / "Windows" / "Start Menu" / "Programs"));
    EXPECT_TRUE(fs::is_directory(ce::DefaultDevicePath() / "fs" / "Program Files"));
    // Seeded: the phone has its factory registry.
    EXPECT_FALSE(ce::CurrentDevice().ExportKeys().empty());
    ce::CloseDevice();
    fs::remove_all(ce::DefaultDevicePath());
}

TEST(DeviceCreation, RefusesFoldersThatHoldAnythingAndRecoversFromAKilledCreator) {
    const fs::path folder = test::MakeTempFolder("create");
    test::WriteFileBytes(folder / "notes.txt", "mine");
    EXPECT_THROW(ce::CreateDevice(folder, {}), ce::DeviceError);
    EXPECT_EQ("mine", test::ReadFileBytes(folder / "notes.txt"));
    EXPECT_FALSE(fs::exists(folder / "device.db"));

    const fs::path fresh = folder / "new" / "phone";
    ce::CreateDevice(fresh, {}, false);
    const std::string before = test::ReadFileBytes(fresh / "device.db");
    try {
        ce::CreateDevice(fresh, {});
        ADD_FAILURE() << "created twice";
    } catch (const ce::DeviceError& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find("already holds a device"));
    }
    EXPECT_EQ(before, test::ReadFileBytes(fresh / "device.db"));
    // Nothing is left behind from the building of the database.
    for (const auto& entry : fs::directory_iterator(fresh)) {
        EXPECT_TRUE(entry.path().filename() == "device.db" || entry.path().filename() == "fs")
            << entry.path();
    }

    // A creator killed before the database was linked into place leaves only its private
    // leftover; one killed after leaves the device whole but for its file system, made when it
    // is opened.
    const fs::path killed = folder / "killed";
    fs::create_directory(killed);
    test::WriteFileBytes(killed / ".device.db.creating-99999", "half a database");
    ce::CreateDevice(killed, {}, false);
    fs::remove_all(killed / "fs");
    ce::Device::Open(killed);
    EXPECT_TRUE(fs::is_directory(killed / "fs" / "Program Files"));
    fs::remove_all(folder);
}

// Another creator links its database into a new folder just as this one looks whether the folder
// is free: this one says that a device exists there, not that the folder holds something else.
TEST(DeviceCreation, ACreatorThatLosesTheRaceForAFolderSaysADeviceExists) {
    const fs::path base = test::MakeTempFolder("race");
    ce::CreateDevice(base / "winner", {}, false);
    const fs::path folder = base / "loser";
    fs::create_directory(folder);
    bool linked = false;
    g_beforeListing = [&] {
        linked = link((base / "winner/device.db").c_str(), (folder / "device.db").c_str()) == 0;
    };
    try {
        ce::CreateDevice(folder, {}, false);
        ADD_FAILURE() << "created twice";
    } catch (const ce::DeviceError& e) {
        EXPECT_THAT(e.what(), testing::HasSubstr("already holds a device"));
    }
    g_beforeListing = nullptr;
    EXPECT_TRUE(linked) << "the creator did not list the folder";
    fs::remove_all(base);
}

TEST(DeviceOpening, RefusesWhatIsNotADeviceWithoutChangingIt) {
    const fs::path folder = test::MakeTempFolder("open");
    ExpectRefused(folder / "missing", folder / "missing", "does not exist");
    ExpectRefused(folder, folder, "holds no device");

    test::WriteFileBytes(folder / "device.db", std::string(4096, 'x'));
    ExpectRefused(folder, folder / "device.db", "not a SQLite database");
    EXPECT_EQ(std::string(4096, 'x'), test::ReadFileBytes(folder / "device.db"));

    fs::remove(folder / "device.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((folder / "device.db").c_str(), &db));
    sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('keep');", nullptr,
                 nullptr, nullptr);
    sqlite3_close(db);
    const std::string before = test::ReadFileBytes(folder / "device.db");
    ExpectRefused(folder, folder / "device.db", "another schema");
    EXPECT_EQ(before, test::ReadFileBytes(folder / "device.db"));

    // An empty file is an empty database to SQLite, and still no device.
    test::WriteFileBytes(folder / "device.db", "");
    ExpectRefused(folder, folder / "device.db", "another schema");
    EXPECT_EQ(0u, fs::file_size(folder / "device.db"));
    fs::remove_all(folder);
}

TEST(DeviceProfile, AnswersThePlatformQueries) {
    test::TempDevice device(ce::Profile{"PocketPC", 4, 21, 1088, {}}, false);
    WCHAR text[MAX_PATH];
    std::fill(std::begin(text), std::end(text), u'#');
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof(text), text, 0));
    EXPECT_EQ(std::u16string(u"PocketPC"), text);

    // The size is in bytes: "PocketPC" and its zero need 18.
    std::fill(std::begin(text), std::end(text), u'#');
    SetLastError(kJunk);
    EXPECT_FALSE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, 17, text, 0));
    EXPECT_EQ(DWORD{ERROR_INSUFFICIENT_BUFFER}, GetLastError());
    EXPECT_EQ(u'#', text[0]);
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, 18, text, 0));
    EXPECT_FALSE(SystemParametersInfoW(0x1234, sizeof(text), text, 0));

    OSVERSIONINFOW info;
    std::memset(&info, 0xCD, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    static_assert(sizeof(OSVERSIONINFOW) == 276);
    ASSERT_TRUE(GetVersionExW(&info));
    EXPECT_EQ(4u, info.dwMajorVersion);
    EXPECT_EQ(21u, info.dwMinorVersion);
    EXPECT_EQ(1088u, info.dwBuildNumber);
    EXPECT_EQ(DWORD{VER_PLATFORM_WIN32_CE}, info.dwPlatformId);
    EXPECT_EQ(u'\0', info.szCSDVersion[0]);

    std::memset(&info, 0xCD, sizeof(info));
    info.dwOSVersionInfoSize = 148;  // the size of another version of the record
    EXPECT_FALSE(GetVersionExW(&info));
    EXPECT_EQ(DWORD{ERROR_INSUFFICIENT_BUFFER}, GetLastError());
    EXPECT_EQ(0xCDCDCDCDu, info.dwMajorVersion);
}

TEST(DeviceModules, AygshellRestartsTheDeviceThroughTheJournal) {
    test::TempDevice device;
    HMODULE shell = LoadLibraryW(u"AygShell.DLL");
    ASSERT_NE(nullptr, shell);
    EXPECT_EQ(shell, LoadLibraryW(u"\\Windows\\aygshell.dll"));
    SetLastError(kJunk);
    EXPECT_EQ(nullptr, GetProcAddressW(shell, u"exitwindowsex"));
    EXPECT_EQ(DWORD{ERROR_PROC_NOT_FOUND}, GetLastError());
    auto exitWindows =
        reinterpret_cast<BOOL (*)(UINT, DWORD)>(GetProcAddressW(shell, u"ExitWindowsEx"));
    ASSERT_NE(nullptr, exitWindows);

    EXPECT_TRUE(exitWindows(EWX_REBOOT, 0));
    EXPECT_FALSE(exitWindows(EWX_SHUTDOWN, 0));
    EXPECT_EQ(DWORD{ERROR_NOT_SUPPORTED}, GetLastError());
    EXPECT_EQ(device.Events(), std::vector<std::string>{"restart (ExitWindowsEx EWX_REBOOT)"});

    // Neither a module the platform does not have nor one the profile lacks is loaded.
    device.SetModule("aygshell.dll", false);
    for (LPCWSTR name : {u"ossvcs.dll", u"aygshell.dll"}) {
        SetLastError(kJunk);
        EXPECT_EQ(nullptr, LoadLibraryW(name));
        EXPECT_EQ(DWORD{ERROR_MOD_NOT_FOUND}, GetLastError());
    }
}

// The host as SQLite sees it, made to fail as a read-only mount does (EROFS for every open that
// could write) or as a full disk does (ENOSPC for every write), for the life of the object.
class HostFault {
public:
    enum Kind { kReadOnlyMount, kDiskFull };

    explicit HostFault(Kind kind) : vfs_(sqlite3_vfs_find(nullptr)) {
        if (kind == kReadOnlyMount) {
            Replace("open", reinterpret_cast<sqlite3_syscall_ptr>(&ReadOnlyOpen), &realOpen_);
        } else {
            Replace("write", reinterpret_cast<sqlite3_syscall_ptr>(&FullWrite), nullptr);
            Replace("pwrite64", reinterpret_cast<sqlite3_syscall_ptr>(&FullPwrite), nullptr);
        }
    }
    ~HostFault() {
        for (const char* name : replaced_) vfs_->xSetSystemCall(vfs_, name, nullptr);
    }
    HostFault(const HostFault&) = delete;
    HostFault& operator=(const HostFault&) = delete;

    bool Active() const { return !replaced_.empty(); }

private:
    void Replace(const char* name, sqlite3_syscall_ptr call, sqlite3_syscall_ptr* real) {
        if (real) *real = vfs_->xGetSystemCall(vfs_, name);
        if (vfs_->xSetSystemCall(vfs_, name, call) == SQLITE_OK) replaced_.push_back(name);
    }
    static int ReadOnlyOpen(const char* path, int flags, int mode) {
        if (flags & (O_WRONLY | O_RDWR | O_CREAT)) {
            errno = EROFS;
            return -1;
        }
        return reinterpret_cast<int (*)(const char*, int, int)>(realOpen_)(path, flags, mode);
    }
    static ssize_t FullWrite(int, const void*, size_t) {
        errno = ENOSPC;
        return -1;
    }
    static ssize_t FullPwrite(int, const void*, size_t, off_t) {
        errno = ENOSPC;
        return -1;
    }

    static inline sqlite3_syscall_ptr realOpen_ = nullptr;
    sqlite3_vfs* vfs_;
    std::vector<const char*> replaced_;
};

// Expects `write` to fail with a DeviceError that says `what` and names the device's folder.
template <typename Write>
void ExpectWriteRefused(const fs::path& folder, const std::string& what, Write write) {
    try {
        write();
        ADD_FAILURE() << "written";
    } catch (const ce::DeviceError& e) {
        EXPECT_THAT(e.what(),
                    testing::AllOf(testing::HasSubstr(what), testing::HasSubstr(folder.string())));
    }
}

const ce::RegFileOp kNewValue = {ce::RegFileOp::kSetValue,
                                 0,
                                 ce::RootKey::LocalMachine,
                                 u"New",
                                 {u"v", REG_DWORD, {1, 0, 0, 0}}};

// A device on a read-only mount is read as usual; every write says that it is read-only, naming
// the device, and leaves it as it was.
TEST(DeviceStorage, AReadOnlyDeviceIsReadAndRefusesWrites) {
    test::TempDevice device;
    device.Device().AddJournalEntry("restart");
    device.Device().Import({kNewValue});
    test::WriteFileBytes(device.Device().FilesRoot() / "Program Files/a.txt", "abc");
    const std::string registry = ce::FormatRegFile(device.Device().ExportKeys());
    ce::CloseDevice();  // no connection keeps the write-ahead log beside the database
    {
        HostFault readOnly(HostFault::kReadOnlyMount);
        ASSERT_TRUE(readOnly.Active());
        const auto d = ce::Device::Open(device.Folder());
        EXPECT_EQ(ce::FormatRegFile(d->ExportKeys()), registry);
        EXPECT_EQ(d->ReadKey(ce::RootKey::LocalMachine, u"new").values.size(), 1u);
        EXPECT_EQ(d->GetProfile().platform, "SmartPhone");
        EXPECT_EQ(d->Journal().size(), 1u);
        EXPECT_EQ(d->Changes().size(), 2u);
        EXPECT_EQ(d->ReadFile(u"\\program files\\A.TXT"), "abc");
        EXPECT_EQ(d->ListFiles(u"\\").size(), 2u);

        const std::string readOnlyText = "is read-only";
        ExpectWriteRefused(device.Folder(), readOnlyText, [&] { d->Import({kNewValue}); });
        ExpectWriteRefused(device.Folder(), readOnlyText, [&] { d->AddJournalEntry("restart"); });
        ExpectWriteRefused(device.Folder(), readOnlyText,
                           [&] { d->UpdateProfile([](ce::Profile& p) { p.bluetoothMode = 2; }); });

        // The registry functions read it and are denied writing.
        ce::UseDevice(device.Folder());
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"New", 0, 0, &key));
        DWORD value = 0, size = sizeof(value);
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"v", nullptr, nullptr,
                                                  reinterpret_cast<BYTE*>(&value), &size));
        EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExW(key, u"v", 0, REG_DWORD,
                                                      reinterpret_cast<const BYTE*>(&value), 4));
        RegCloseKey(key);
        ce::CloseDevice();
    }
    ce::UseDevice(device.Folder());
    EXPECT_EQ(ce::FormatRegFile(device.Device().ExportKeys()), registry);
    EXPECT_EQ(device.Device().Journal().size(), 1u);
}

// On a full disk every write says so, naming the device, and changes nothing; once there is room
// again the device works as before.
TEST(DeviceStorage, AFullDiskRefusesWritesAndLosesNothing) {
    test::TempDevice device;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"New", 0, nullptr, 0, 0, nullptr,
                                             &key, nullptr));
    const std::string before = ce::FormatRegFile(device.Device().ExportKeys());
    {
        HostFault full(HostFault::kDiskFull);
        ASSERT_TRUE(full.Active());
        const std::string fullText = "the disk that holds the device";
        ExpectWriteRefused(device.Folder(), fullText, [&] { device.Device().Import({kNewValue}); });
        ExpectWriteRefused(device.Folder(), fullText,
                           [&] { device.Device().AddJournalEntry("x"); });
        const DWORD value = 1;
        EXPECT_EQ(ERROR_DISK_FULL, RegSetValueExW(key, u"v", 0, REG_DWORD,
                                                  reinterpret_cast<const BYTE*>(&value), 4));
    }
    EXPECT_EQ(ce::FormatRegFile(device.Device().ExportKeys()), before);
    EXPECT_TRUE(device.Device().Journal().empty());
    device.Device().Import({kNewValue});
    EXPECT_EQ(device.Device().ReadKey(ce::RootKey::LocalMachine, u"New").values.size(), 1u);
    RegCloseKey(key);
}

}  // namespace
