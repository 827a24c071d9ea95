// The simulated device: where it lives, how it is created and refused, the platform text, the
// emulated modules (checked through the Win32 calls and the device journal), and its storage on
// a read-only or full disk.
#include <CePlatform/Device.h>
#include <CePlatform/WindowSystemServices.h>
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
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/PlatformHooks.h"
#include "support/TempDevice.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kJunk = 0xDEADBEEF;

// Expects `call` to throw a DeviceError whose message holds each of `words`.
template <typename Call>
void ExpectDeviceError(Call call, const std::vector<std::string>& words) {
    try {
        call();
        ADD_FAILURE() << "no error";
    } catch (const ce::DeviceError& e) {
        for (const std::string& word : words) EXPECT_THAT(e.what(), testing::HasSubstr(word));
    }
}

// The last error that `call` left (preset to junk), which must fail.
template <typename Call>
DWORD ErrorOf(Call call) {
    SetLastError(kJunk);
    EXPECT_FALSE(call());
    return GetLastError();
}

// A named device is never created by itself: the calls that need it are not ready. Without
// XDG_DATA_HOME the default device lives under HOME.
TEST(DeviceLocation, ANamedDeviceThatIsMissingIsNotReadyAndTheDefaultFallsBackOnHome) {
    const fs::path named = test::MakeTempFolder("named") / "phone";
    setenv("CE_DEVICE", named.c_str(), 1);
    ce::CloseDevice();
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(ERROR_NOT_READY,
              RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"K", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(nullptr, key);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    EXPECT_EQ(DWORD{ERROR_NOT_READY}, ErrorOf([&] { return GetVersionExW(&info); }));
    EXPECT_EQ(DWORD{ERROR_NOT_READY},
              ErrorOf([] { return CreateMutexW(nullptr, FALSE, u"Quenvale"); }));
    EXPECT_FALSE(ce::JournalEvent("settings change"));  // the window system's services too
    EXPECT_EQ(ce::RuntimeFolder("windows"), fs::path());
    EXPECT_FALSE(fs::exists(named));
    unsetenv("CE_DEVICE");
    const std::string saved = std::getenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(fs::path(std::getenv("HOME")) / ".local/share/cedevice/default",
              ce::DefaultDevicePath());
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

// A creator killed before the database was linked into place leaves only its private leftover;
// one killed after leaves the device whole but for its file system, made when it is opened. A
// SQLite database of another kind, or an empty one, is refused and left as it is.
TEST(DeviceCreation, RecoversFromAKilledCreatorAndRefusesADatabaseOfAnotherKind) {
    const fs::path killed = test::MakeTempFolder("create") / "killed";
    fs::create_directory(killed);
    test::WriteFileBytes(killed / ".device.db.creating-99999", "half a database");
    ce::CreateDevice(killed, {}, false);
    fs::remove_all(killed / "fs");
    ce::Device::Open(killed);
    EXPECT_TRUE(fs::is_directory(killed / "fs" / "Program Files"));

    const fs::path open = test::MakeTempFolder("open");
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((open / "device.db").c_str(), &db));
    sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('keep');", nullptr,
                 nullptr, nullptr);
    sqlite3_close(db);
    for (const std::string& content : {test::ReadFileBytes(open / "device.db"), std::string()}) {
        test::WriteFileBytes(open / "device.db", content);
        ExpectDeviceError([&] { ce::Device::Open(open); },
                          {(open / "device.db").string(), "another schema"});
        EXPECT_EQ(content, test::ReadFileBytes(open / "device.db"));
    }
}

// Another creator links its database into a new folder just as this one looks whether the folder
// is free: this one says that a device exists there, not that the folder holds something else.
TEST(DeviceCreation, ACreatorThatLosesTheRaceForAFolderSaysADeviceExists) {
    const fs::path base = test::MakeTempFolder("race");
    ce::CreateDevice(base / "winner", {}, false);
    EXPECT_EQ(2, std::distance(fs::directory_iterator(base / "winner"), {}));  // device.db, fs/
    const fs::path folder = base / "loser";
    fs::create_directory(folder);
    bool linked = false;
    hooks::beforeListing = [&] {
        linked = link((base / "winner/device.db").c_str(), (folder / "device.db").c_str()) == 0;
    };
    ExpectDeviceError([&] { ce::CreateDevice(folder, {}, false); }, {"already holds a device"});
    hooks::beforeListing = nullptr;
    EXPECT_TRUE(linked) << "the creator did not list the folder";
}

// The size is in bytes: "PocketPC" and its zero need 18.
TEST(DeviceProfile, ThePlatformTextNeedsItsSizeInBytes) {
    test::TempDevice device(ce::Profile{"PocketPC", 4, 21, 1088, {}}, false);
    WCHAR text[MAX_PATH];
    std::fill(std::begin(text), std::end(text), u'#');
    EXPECT_EQ(DWORD{ERROR_INSUFFICIENT_BUFFER},
              ErrorOf([&] { return SystemParametersInfoW(SPI_GETPLATFORMTYPE, 17, text, 0); }));
    EXPECT_EQ(u'#', text[0]);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, 18, text, 0));
    EXPECT_EQ(std::u16string(u"PocketPC"), text);
}

// The radio's mode and a restart are journaled; what the platform does not do fails.
TEST(DeviceModules, BluetoothModeAndAygshellRestartAreJournaled) {
    test::TempDevice device;
    HMODULE bth = LoadLibraryW(u"\\Windows\\bthutil.DLL");
    auto setMode = reinterpret_cast<int (*)(DWORD)>(GetProcAddressW(bth, u"BthSetMode"));
    ASSERT_NE(nullptr, setMode);
    EXPECT_EQ(ERROR_SUCCESS, setMode(2));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, setMode(3));
    EXPECT_EQ(2u, device.Device().GetProfile().bluetoothMode);
    HMODULE shell = LoadLibraryW(u"AygShell.DLL");
    auto exitWindows =
        reinterpret_cast<BOOL (*)(UINT, DWORD)>(GetProcAddressW(shell, u"ExitWindowsEx"));
    ASSERT_NE(nullptr, exitWindows);
    EXPECT_EQ(DWORD{ERROR_NOT_SUPPORTED}, ErrorOf([&] { return exitWindows(EWX_SHUTDOWN, 0); }));
    EXPECT_EQ(device.Events(),
              std::vector<std::string>{"bluetooth mode 2 (discoverable, BthSetMode)"});
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

const ce::RegFileOp kNewValue = {ce::RegFileOp::kSetValue,
                                 0,
                                 ce::RootKey::LocalMachine,
                                 u"New",
                                 {u"v", REG_DWORD, {1, 0, 0, 0}}};

// On a read-only mount or a full disk the device is read as usual; every write says why, naming
// the device, and changes nothing; once the host works again so does the device.
TEST(DeviceStorage, AReadOnlyOrFullHostIsReadAndRefusesWritesAndLosesNothing) {
    test::TempDevice device;
    device.Device().AddJournalEntry("restart");
    device.Device().Import({kNewValue});
    test::WriteFileBytes(device.Device().FilesRoot() / "Program Files/a.txt", "abc");
    const std::string registry = ce::FormatRegFile(device.Device().ExportKeys());
    const struct {
        HostFault::Kind kind;
        const char* why;
        LONG error;
    } faults[] = {{HostFault::kReadOnlyMount, "is read-only", ERROR_ACCESS_DENIED},
                  {HostFault::kDiskFull, "the disk that holds the device", ERROR_DISK_FULL}};
    for (const auto& f : faults) {
        SCOPED_TRACE(f.why);
        ce::CloseDevice();  // no connection keeps the write-ahead log beside the database
        std::unique_ptr<ce::Device> d;
        const auto open = [&] {
            d = ce::Device::Open(device.Folder());
            ce::UseDevice(device.Folder());
        };
        if (f.kind == HostFault::kDiskFull) open();  // opening writes: the disk fills up later
        {
            HostFault fault(f.kind);
            ASSERT_TRUE(fault.Active());
            if (!d) open();
            EXPECT_EQ(ce::FormatRegFile(d->ExportKeys()), registry);
            EXPECT_EQ(d->Journal().size(), 1u);
            EXPECT_EQ(d->ReadFile(u"\\program files\\A.TXT"), "abc");

            const std::vector<std::string> said = {f.why, device.Folder().string()};
            ExpectDeviceError([&] { d->Import({kNewValue}); }, said);
            ExpectDeviceError([&] { d->AddJournalEntry("restart"); }, said);

            // The registry functions read it and fail to write.
            HKEY key = nullptr;
            ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"New", 0, 0, &key));
            DWORD value = 0, size = sizeof(value);
            EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"v", nullptr, nullptr,
                                                      reinterpret_cast<BYTE*>(&value), &size));
            // The program gets an error code; the user is told the cause once, on standard error.
            testing::internal::CaptureStderr();
            for (int i = 0; i < 2; ++i) {
                EXPECT_EQ(f.error, RegSetValueExW(key, u"v", 0, REG_DWORD,
                                                  reinterpret_cast<const BYTE*>(&value), 4));
            }
            const std::string told = testing::internal::GetCapturedStderr();
            EXPECT_EQ(1u, std::count(told.begin(), told.end(), '\n')) << told;
            EXPECT_NE(std::string::npos, told.find(f.why)) << told;
            EXPECT_NE(std::string::npos, told.find(device.Folder().string() + " ")) << told;
            RegCloseKey(key);
            ce::CloseDevice();
        }
        ce::UseDevice(device.Folder());
        EXPECT_EQ(ce::FormatRegFile(device.Device().ExportKeys()), registry);
        EXPECT_EQ(device.Device().Journal().size(), 1u);
    }
    device.Device().AddJournalEntry("restart");
    EXPECT_EQ(device.Device().Journal().size(), 2u);
}

}  // namespace
