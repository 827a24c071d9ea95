// The simulated device: where it lives, how it is created and refused, its profile, the device
// queries, emulated modules and drivers that answer from it (checked through the Win32 calls and
// the device journal), and its storage on a read-only or full disk.
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

// Expects Device::Open to refuse `folder` with a message that names `named`.
void ExpectRefused(const fs::path& folder, const fs::path& named, const std::string& words) {
    ExpectDeviceError([&] { ce::Device::Open(folder); }, {named.string(), words});
}

// The last error that `call` left (preset to junk), which must fail.
template <typename Call>
DWORD ErrorOf(Call call) {
    SetLastError(kJunk);
    EXPECT_FALSE(call());
    return GetLastError();
}

TEST(DeviceLocation, ComesFromCeDeviceElseTheDataFolder) {
    const std::string saved = std::getenv("XDG_DATA_HOME");
    EXPECT_EQ(fs::path(saved) / "cedevice" / "default", ce::DefaultDevicePath());
    EXPECT_EQ(ce::DefaultDevicePath(), ce::SelectedDevicePath());
    // A named device is never created by itself: the calls that need it are not ready.
    const fs::path named = test::MakeTempFolder("named") / "phone";
    setenv("CE_DEVICE", named.c_str(), 1);
    EXPECT_EQ(named, ce::SelectedDevicePath());
    ce::CloseDevice();
    EXPECT_THROW(ce::CurrentDevice(), ce::DeviceError);
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
    EXPECT_TRUE(fs::is_directory(ce::DefaultDevicePath() / "fs/Windows/Start Menu/Programs"));
    // Seeded: the phone has its factory registry.
    EXPECT_FALSE(ce::CurrentDevice().ExportKeys().empty());
    ce::CloseDevice();
    fs::remove_all(ce::DefaultDevicePath());
}

TEST(DeviceCreation, CreatingAndOpeningRefuseWhatIsNoDeviceAndRecoverFromAKilledCreator) {
    const fs::path folder = test::MakeTempFolder("create");
    test::WriteFileBytes(folder / "notes.txt", "mine");
    EXPECT_THROW(ce::CreateDevice(folder, {}), ce::DeviceError);
    EXPECT_EQ("mine", test::ReadFileBytes(folder / "notes.txt"));
    EXPECT_FALSE(fs::exists(folder / "device.db"));

    const fs::path fresh = folder / "new" / "phone";
    ce::CreateDevice(fresh, {}, false);
    const std::string before = test::ReadFileBytes(fresh / "device.db");
    ExpectDeviceError([&] { ce::CreateDevice(fresh, {}); }, {"already holds a device"});
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

    // Opening refuses what is not a device, without changing it.
    const fs::path open = test::MakeTempFolder("open");
    ExpectRefused(open / "missing", open / "missing", "does not exist");
    ExpectRefused(open, open, "holds no device");

    test::WriteFileBytes(open / "device.db", std::string(4096, 'x'));
    ExpectRefused(open, open / "device.db", "not a SQLite database");
    EXPECT_EQ(std::string(4096, 'x'), test::ReadFileBytes(open / "device.db"));

    fs::remove(open / "device.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((open / "device.db").c_str(), &db));
    sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('keep');", nullptr,
                 nullptr, nullptr);
    sqlite3_close(db);
    const std::string notes = test::ReadFileBytes(open / "device.db");
    ExpectRefused(open, open / "device.db", "another schema");
    EXPECT_EQ(notes, test::ReadFileBytes(open / "device.db"));

    // An empty file is an empty database to SQLite, and still no device.
    test::WriteFileBytes(open / "device.db", "");
    ExpectRefused(open, open / "device.db", "another schema");
    EXPECT_EQ(0u, fs::file_size(open / "device.db"));
}

// Another creator links its database into a new folder just as this one looks whether the folder
// is free: this one says that a device exists there, not that the folder holds something else.
TEST(DeviceCreation, ACreatorThatLosesTheRaceForAFolderSaysADeviceExists) {
    const fs::path base = test::MakeTempFolder("race");
    ce::CreateDevice(base / "winner", {}, false);
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

TEST(DeviceProfile, AnswersThePlatformQueriesAndFollowsChangesMadeThroughTheDevice) {
    test::TempDevice device(ce::Profile{"PocketPC", 4, 21, 1088, {}}, false);
    // The size is in bytes: "PocketPC" and its zero need 18.
    WCHAR text[MAX_PATH];
    std::fill(std::begin(text), std::end(text), u'#');
    EXPECT_EQ(DWORD{ERROR_INSUFFICIENT_BUFFER},
              ErrorOf([&] { return SystemParametersInfoW(SPI_GETPLATFORMTYPE, 17, text, 0); }));
    EXPECT_EQ(u'#', text[0]);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, 18, text, 0));
    EXPECT_EQ(std::u16string(u"PocketPC"), text);
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
    EXPECT_EQ(DWORD{ERROR_INSUFFICIENT_BUFFER}, ErrorOf([&] { return GetVersionExW(&info); }));
    EXPECT_EQ(0xCDCDCDCDu, info.dwMajorVersion);

    // The platform is read once per opened device; a change made through the device and the
    // restore of a snapshot taken on another platform are answered from then on.
    ce::Device& d = device.Device();
    const auto platform = [&text] {
        EXPECT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof(text), text, 0));
        return std::u16string(text);
    };
    d.SaveSnapshot("pocket");
    ce::Profile profile = d.GetProfile();
    profile.platform = "SmartPhone";
    d.SetProfile(profile);
    EXPECT_EQ(u"SmartPhone", platform());
    d.RestoreSnapshot("pocket");
    EXPECT_EQ(u"PocketPC", platform());
}

TEST(DeviceModules, BluetoothModeAndAygshellRestartAreJournaled) {
    test::TempDevice device;
    HMODULE bth = LoadLibraryW(u"\\Windows\\bthutil.DLL");
    ASSERT_NE(nullptr, bth);
    auto getMode = reinterpret_cast<int (*)(DWORD*)>(GetProcAddressW(bth, u"BthGetMode"));
    auto setMode = reinterpret_cast<int (*)(DWORD)>(GetProcAddressW(bth, u"BthSetMode"));
    ASSERT_NE(nullptr, getMode);
    ASSERT_NE(nullptr, setMode);
    EXPECT_EQ(nullptr, GetProcAddressW(bth, u"ExitWindowsEx")) << "another module's export";

    DWORD mode = kJunk;
    EXPECT_EQ(ERROR_SUCCESS, getMode(&mode));
    EXPECT_EQ(0u, mode) << "a new phone's radio is off";
    EXPECT_EQ(ERROR_SUCCESS, setMode(2));
    EXPECT_EQ(2u, device.Device().GetProfile().bluetoothMode);
    EXPECT_EQ(ERROR_SUCCESS, setMode(1));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, setMode(3));
    EXPECT_EQ(ERROR_SUCCESS, getMode(&mode));
    EXPECT_EQ(1u, mode);
    EXPECT_EQ((std::vector<std::string>{"bluetooth mode 2 (discoverable, BthSetMode)",
                                        "bluetooth mode 1 (connectable, BthSetMode)"}),
              device.Events());
    // A mode the platform does not define is reported as it is.
    device.SetBluetoothMode(7);
    EXPECT_EQ(ERROR_SUCCESS, getMode(&mode));
    EXPECT_EQ(7u, mode);

    EXPECT_TRUE(FreeLibrary(bth));
    EXPECT_EQ(DWORD{ERROR_INVALID_HANDLE}, ErrorOf([] {
                  return FreeLibrary(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x1234)));
              }));
    device.SetModule("BthUtil.dll", false);
    EXPECT_EQ(DWORD{ERROR_MOD_NOT_FOUND}, ErrorOf([] { return LoadLibraryW(u"BthUtil.dll"); }));

    // Aygshell restarts the device through the journal.
    const int64_t before = device.LastEventSeq();
    HMODULE shell = LoadLibraryW(u"AygShell.DLL");
    ASSERT_NE(nullptr, shell);
    EXPECT_EQ(shell, LoadLibraryW(u"\\Windows\\aygshell.dll"));
    EXPECT_EQ(DWORD{ERROR_PROC_NOT_FOUND},
              ErrorOf([&] { return GetProcAddressW(shell, u"exitwindowsex"); }));
    auto exitWindows =
        reinterpret_cast<BOOL (*)(UINT, DWORD)>(GetProcAddressW(shell, u"ExitWindowsEx"));
    ASSERT_NE(nullptr, exitWindows);

    EXPECT_TRUE(exitWindows(EWX_REBOOT, 0));
    EXPECT_EQ(DWORD{ERROR_NOT_SUPPORTED}, ErrorOf([&] { return exitWindows(EWX_SHUTDOWN, 0); }));
    EXPECT_EQ(device.Events(before),
              std::vector<std::string>{"restart (ExitWindowsEx EWX_REBOOT)"});

    // Neither a module the platform does not have nor one the profile lacks is loaded.
    device.SetModule("aygshell.dll", false);
    for (LPCWSTR name : {u"ossvcs.dll", u"aygshell.dll"}) {
        EXPECT_EQ(DWORD{ERROR_MOD_NOT_FOUND}, ErrorOf([&] { return LoadLibraryW(name); }));
    }
}

// Control codes are journaled and need the radio. Nothing reaches the device through a closed
// handle, a disposition other than OPEN_EXISTING, another name or a device the profile lacks.
TEST(AudioGateway, ControlCodesAreJournaledAndNeedTheRadioAndOtherNamesAreRefused) {
    test::TempDevice device;
    device.SetBluetoothMode(1);
    HANDLE bag = CreateFileW(u"bag0:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, bag);
    ASSERT_NE(nullptr, bag);
    const auto control = [&bag](DWORD code) {
        return DeviceIoControl(bag, code, nullptr, 0, nullptr, 0, nullptr, nullptr);
    };
    EXPECT_TRUE(control(1));
    EXPECT_TRUE(control(2));
    EXPECT_EQ(DWORD{ERROR_INVALID_PARAMETER}, ErrorOf([&] { return control(9); }));
    device.SetBluetoothMode(0);
    EXPECT_EQ(DWORD{ERROR_NOT_READY}, ErrorOf([&] { return control(1); }));
    const std::vector<std::string> events = {"BAG0: control code 1 (sound to the headset)",
                                             "BAG0: control code 2 (sound to the speaker)",
                                             "BAG0: control code 9 refused (unknown code)",
                                             "BAG0: control code 1 failed (bluetooth radio off)"};
    EXPECT_EQ(events, device.Events());
    EXPECT_TRUE(CloseHandle(bag));
    EXPECT_EQ(DWORD{ERROR_INVALID_HANDLE}, ErrorOf([&] { return CloseHandle(bag); }));
    EXPECT_EQ(DWORD{ERROR_INVALID_HANDLE}, ErrorOf([&] { return control(1); }));

    const struct {
        LPCWSTR name;
        DWORD disposition;
        DWORD error;
    } cases[] = {
        {u"COM1:", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {u"BAG0:", CREATE_ALWAYS, ERROR_INVALID_PARAMETER},
        {u"\\Windows\\settings.exe", OPEN_EXISTING, ERROR_NOT_SUPPORTED},
        {u"BAG0", OPEN_EXISTING, ERROR_NOT_SUPPORTED},
        {nullptr, OPEN_EXISTING, ERROR_INVALID_PARAMETER},
    };
    const auto open = [](LPCWSTR name, DWORD disposition) {
        return CreateFileW(name, 0, 0, nullptr, disposition, 0, nullptr) != INVALID_HANDLE_VALUE;
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.error, ErrorOf([&] { return open(c.name, c.disposition); }));
    device.SetModule("BAG0:", false);
    EXPECT_EQ(DWORD{ERROR_FILE_NOT_FOUND}, ErrorOf([&] { return open(u"BAG0:", OPEN_EXISTING); }));
    EXPECT_EQ(events, device.Events());

    // A device made before a module was known has no row for it, and keeps the default (present).
    const std::string db = device.Device().DatabasePath().string();
    ce::CloseDevice();
    sqlite3* raw = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(db.c_str(), &raw));
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(raw, "DELETE FROM profile WHERE name = 'module.BAG0:'",
                                      nullptr, nullptr, nullptr));
    sqlite3_close(raw);
    ce::UseDevice(device.Folder());
    EXPECT_TRUE(device.Device().GetProfile().HasModule("bag0:"));
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
            EXPECT_EQ(d->ReadKey(ce::RootKey::LocalMachine, u"new").values.size(), 1u);
            EXPECT_EQ(d->GetProfile().platform, "SmartPhone");
            EXPECT_EQ(d->Journal().size(), 1u);
            EXPECT_EQ(d->Changes().size(), 2u);
            EXPECT_EQ(d->ReadFile(u"\\program files\\A.TXT"), "abc");
            EXPECT_EQ(d->ListFiles(u"\\").size(), 2u);

            const std::vector<std::string> said = {f.why, device.Folder().string()};
            ExpectDeviceError([&] { d->Import({kNewValue}); }, said);
            ExpectDeviceError([&] { d->AddJournalEntry("restart"); }, said);
            ExpectDeviceError(
                [&] { d->UpdateProfile([](ce::Profile& p) { p.bluetoothMode = 2; }); }, said);

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
