// What the window system needs of the device: journal entries and runtime folders of the current
// device (and what they do when the device fails; without one, see DeviceLocation), locks that
// belong to an open file description, and the hook that answers the system parameters of the window
// system.
#include <CePlatform/Device.h>
#include <CePlatform/WindowSystemServices.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/TempDevice.h"

namespace fs = std::filesystem;

namespace {

// The window system's action (<winuser.h>), which the platform does not know.
constexpr UINT kGetWorkArea = 48;

TEST(WindowSystemServices, JournalAndRuntimeFolderOfTheCurrentDevice) {
    test::TempDevice device;
    const int64_t before = device.LastEventSeq();
    EXPECT_TRUE(ce::JournalEvent("settings change"));
    const auto entries = device.Device().Journal(before);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].event, "settings change");
    EXPECT_EQ(entries[0].pid, getpid());

    const fs::path windows = ce::RuntimeFolder("windows");
    EXPECT_EQ(windows, device.Folder() / "run" / "windows");
    EXPECT_TRUE(fs::is_directory(windows));

    // A folder that cannot be made, and a journal that cannot be written, give nothing.
    test::WriteFileBytes(device.Folder() / "run" / "taken", "a file");
    EXPECT_EQ(ce::RuntimeFolder("taken/windows"), fs::path());
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((device.Folder() / "device.db").c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "DROP TABLE journal", nullptr, nullptr, nullptr));
    sqlite3_close(db);
    EXPECT_FALSE(ce::JournalEvent("lost"));
}

// Two descriptors opened separately are two holders, even in one process; closing one drops its
// locks. Read locks share, write locks exclude, and only on the bytes they cover.
TEST(WindowSystemServices, FileLocksBelongToTheOpenFile) {
    const fs::path path = test::MakeTempFolder("lock") / "1.lock";
    const int first = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    const int second = open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);

    EXPECT_TRUE(ce::SetFileLock(first, F_WRLCK, false));
    errno = 0;
    EXPECT_FALSE(ce::SetFileLock(second, F_RDLCK, false));
    EXPECT_TRUE(errno == EAGAIN || errno == EACCES) << errno;
    EXPECT_TRUE(ce::SetFileLock(first, F_UNLCK, false));
    EXPECT_TRUE(ce::SetFileLock(first, F_RDLCK, false));
    EXPECT_TRUE(ce::SetFileLock(second, F_RDLCK, false));
    EXPECT_FALSE(ce::SetFileLock(second, F_WRLCK, false));

    // Byte ranges: the first holds byte 0, the second byte 1.
    EXPECT_TRUE(ce::SetFileLock(first, F_UNLCK, false));
    EXPECT_TRUE(ce::SetFileLock(second, F_UNLCK, false));
    EXPECT_TRUE(ce::SetFileLock(first, F_WRLCK, false, 0, 1));
    EXPECT_TRUE(ce::SetFileLock(second, F_WRLCK, false, 1, 1));
    EXPECT_FALSE(ce::SetFileLock(second, F_WRLCK, false, 0, 1));

    close(first);
    EXPECT_TRUE(ce::SetFileLock(second, F_WRLCK, true));
    close(second);
}

BOOL WINAPI WorkArea(UINT uiAction, UINT uiParam, PVOID pvParam, UINT fWinIni) {
    if (uiAction != kGetWorkArea || uiParam != 7 || fWinIni != 9) return FALSE;
    *static_cast<int*>(pvParam) = 42;
    return TRUE;
}

// Without the window system the work area is an unknown action; with its hook, the hook answers
// it, and the platform text still comes from the profile.
TEST(WindowSystemServices, TheHookAnswersTheWindowSystemsParameters) {
    test::TempDevice device;
    int area = 0;
    SetLastError(0);
    EXPECT_FALSE(SystemParametersInfoW(kGetWorkArea, 7, &area, 9));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});

    ce::SetSystemParametersHook(&WorkArea);
    EXPECT_TRUE(SystemParametersInfoW(kGetWorkArea, 7, &area, 9));
    EXPECT_EQ(area, 42);
    WCHAR platform[MAX_PATH] = {};
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof(platform), platform, 0));
    EXPECT_EQ(std::u16string(platform), u"SmartPhone");
    ce::SetSystemParametersHook(nullptr);
    EXPECT_FALSE(SystemParametersInfoW(kGetWorkArea, 7, &area, 9));
}

}  // namespace
