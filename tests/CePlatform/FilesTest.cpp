// The device's file system: device paths under fs/, matched without regard to case and never
// leading outside it; DeleteFileW; the wide stream functions that write link files.
#include <CePlatform/Device.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>

#include "support/TempDevice.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kJunk = 0xDEADBEEF;

TEST(DevicePaths, MapUnderTheFileSystemRootWithoutRegardToCaseAndDeleteFileFollows) {
    test::TempDevice device;
    const fs::path root = device.Device().FilesRoot();
    const ce::Device& d = device.Device();
    EXPECT_EQ(root / "Windows/Start Menu/Alarm.lnk",
              d.HostPath(u"\\WINDOWS\\start menu\\Alarm.lnk"));
    EXPECT_EQ(root / "Windows/Start Menu/New", d.HostPath(u"/windows//START MENU/./New"));
    EXPECT_EQ(root, d.HostPath(u"\\"));
    EXPECT_EQ(root, d.HostPath(u""));

    // ".." stops at the device's root, whatever the path does.
    EXPECT_EQ(root / "device.db", d.HostPath(u"\\..\\..\\device.db"));
    EXPECT_EQ(root / "Program Files", d.HostPath(u"Windows\\..\\..\\program files"));

    // A symbolic link that points out of fs/ is not followed out.
    fs::create_directory_symlink(device.Folder(), root / "out");
    EXPECT_THROW(d.HostPath(u"\\out\\device.db"), ce::DeviceError);
    EXPECT_THROW(d.HostPath(std::u16string(u"a\0b", 3)), ce::DeviceError);

    // Nor one that points nowhere yet: a write through it would create a file outside.
    fs::create_symlink("../../../outside.lnk", root / "Windows/Start Menu/Alarm.lnk");
    EXPECT_THROW(d.HostPath(u"\\Windows\\Start Menu\\alarm.lnk"), ce::DeviceError);
    errno = 0;
    EXPECT_EQ(nullptr, _wfopen(u"\\Windows\\Start Menu\\Alarm.lnk", u"w"));
    EXPECT_EQ(EACCES, errno);
    EXPECT_FALSE(fs::exists(device.Folder() / "outside.lnk"));

    // DeleteFileW reports what was there.
    fs::remove(root / "Windows/Start Menu/Alarm.lnk");
    std::ofstream(root / "Windows/Start Menu/Alarm.lnk") << "x";

    EXPECT_TRUE(DeleteFileW(u"\\windows\\start menu\\ALARM.LNK"));
    EXPECT_FALSE(fs::exists(root / "Windows/Start Menu/Alarm.lnk"));
    const struct {
        LPCWSTR path;
        DWORD error;
    } failures[] = {
        {u"\\Windows\\Start Menu\\Alarm.lnk", ERROR_FILE_NOT_FOUND},
        {u"\\No Such Folder\\Alarm.lnk", ERROR_PATH_NOT_FOUND},
        {u"\\Windows\\Start Menu", ERROR_ACCESS_DENIED},
        {u"\\..\\device.db", ERROR_FILE_NOT_FOUND},
        {nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const auto& f : failures) {
        SetLastError(kJunk);
        EXPECT_FALSE(DeleteFileW(f.path));
        EXPECT_EQ(f.error, GetLastError());
    }
    EXPECT_TRUE(fs::exists(device.Folder() / "device.db"));
    EXPECT_TRUE(fs::is_directory(root / "Windows/Start Menu"));
}

TEST(WideStreams, WriteOneBytePerCharacterAndTruncate) {
    test::TempDevice device;
    const fs::path file = device.Device().FilesRoot() / "Windows/Start Menu/Test.lnk";

    FILE* out = _wfopen(u"\\Windows\\Start Menu\\Test.lnk", u"w");
    ASSERT_NE(nullptr, out);
    EXPECT_EQ(12, fwprintf(out, u"%s", u"00#\"a b\" \u00e9\u4e2d%"));
    EXPECT_EQ(5, fwprintf(out, u"[%d%%]", 42));
    EXPECT_EQ(0, fclose(out));
    EXPECT_EQ(std::string("00#\"a b\" \xe9?%[42%]"), test::ReadFileBytes(file));

    // "w" truncates; "r" opens only what exists; "t" is accepted.
    out = _wfopen(u"\\WINDOWS\\start menu\\test.LNK", u"wt");
    ASSERT_NE(nullptr, out);
    EXPECT_EQ(2, fwprintf(out, u"%s", u"ok"));
    fclose(out);
    EXPECT_EQ("ok", test::ReadFileBytes(file));
    FILE* in = _wfopen(u"\\Windows\\Start Menu\\Test.lnk", u"r");
    ASSERT_NE(nullptr, in);
    fclose(in);

    errno = 0;
    EXPECT_EQ(nullptr, _wfopen(u"\\Windows\\Start Menu\\Missing.lnk", u"r"));
    EXPECT_EQ(ENOENT, errno);
    EXPECT_EQ(nullptr, _wfopen(u"\\No Folder\\New.lnk", u"w"));
    EXPECT_EQ(nullptr, _wfopen(u"\\Windows\\Start Menu", u"r"));
    for (const char16_t* mode : {u"x", u"", u"wr", u"ww", u"w+r", u"rbt", u"+w"}) {
        EXPECT_EQ(nullptr, _wfopen(u"\\Windows\\Start Menu\\Test.lnk", mode));
    }
    // A pipe someone put there is not opened (a read would block for ever).
    ASSERT_EQ(0, mkfifo((file.parent_path() / "Pipe.lnk").c_str(), 0600));
    EXPECT_EQ(nullptr, _wfopen(u"\\Windows\\Start Menu\\Pipe.lnk", u"r"));
    EXPECT_EQ(nullptr, _wfopen(u"\\Windows\\Start Menu\\Test.lnk", nullptr));

    // An unknown conversion writes nothing at all.
    out = _wfopen(u"\\Windows\\Start Menu\\Test.lnk", u"w");
    ASSERT_NE(nullptr, out);
    EXPECT_EQ(-1, fwprintf(out, u"abc%x", 1));
    fclose(out);
    EXPECT_EQ("", test::ReadFileBytes(file));
}

}  // namespace
