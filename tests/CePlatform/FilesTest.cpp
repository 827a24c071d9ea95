// The device's file system: device paths under fs/, matched without regard to case and never
// leading outside it; DeleteFileW; the wide stream functions that write link files.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "files/DevicePaths.h"
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

    // A path that meets a symbolic link (pointing anywhere, or nowhere yet) has no host path.
    fs::create_directory_symlink(device.Folder(), root / "out");
    fs::create_symlink("../../../outside.lnk", root / "Windows/Start Menu/Dangling.lnk");
    EXPECT_THROW(d.HostPath(u"\\out\\device.db"), ce::DeviceError);
    EXPECT_THROW(d.HostPath(u"\\Windows\\Start Menu\\dangling.lnk"), ce::DeviceError);
    EXPECT_THROW(d.HostPath(std::u16string(u"a\0b", 3)), ce::DeviceError);
    EXPECT_EQ(root / "No Folder/New.lnk", d.HostPath(u"\\No Folder\\New.lnk"));

    // DeleteFileW reports what was there.
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
        {u"\\Windows\\Start Menu\\Dangling.lnk", ERROR_ACCESS_DENIED},
        {u"\\Out\\device.db", ERROR_ACCESS_DENIED},
        {u"\\Windows\\Start Menu\\Alarm.lnk\\x", ERROR_PATH_NOT_FOUND},
        {u"", ERROR_PATH_NOT_FOUND},
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
    EXPECT_TRUE(fs::is_symlink(root / "Windows/Start Menu/Dangling.lnk"));
}

// A folder's entries by name, each with its kind: "file", "folder", "link" or "other".
std::map<std::string, std::string> Listing(const ce::Device& device, std::u16string_view path) {
    static const char* const kKinds[] = {"file", "folder", "link", "other"};
    std::map<std::string, std::string> entries;
    for (const ce::FileEntry& e : device.ListFiles(path)) entries[e.name] = kKinds[e.kind];
    return entries;
}

// Nothing leaves fs/ through a symbolic link: neither one that points out of it, nor one that
// points nowhere yet, nor one on the way. Links are listed as links and never removed.
TEST(DevicePaths, SymbolicLinksAreNeverFollowed) {
    test::TempDevice device;
    const ce::Device& d = device.Device();
    const fs::path root = d.FilesRoot();
    const fs::path menu = root / "Windows/Start Menu";
    const fs::path outside = device.Folder() / "outside.txt";
    test::WriteFileBytes(outside, "outside");
    fs::create_symlink(outside, menu / "Out.lnk");
    fs::create_symlink(device.Folder() / "new.txt", menu / "Dangling.lnk");
    fs::create_directory_symlink(device.Folder(), root / "Up");

    for (const char16_t* path :
         {u"\\Windows\\Start Menu\\out.lnk", u"\\Windows\\Start Menu\\Dangling.lnk",
          u"\\up\\outside.txt", u"\\Up\\new.txt"}) {
        SCOPED_TRACE(ce::ToUtf8(path));
        for (const char16_t* mode : {u"r", u"r+", u"w", u"a+"}) {
            errno = 0;
            EXPECT_EQ(nullptr, _wfopen(path, mode));
            EXPECT_EQ(ELOOP, errno);
        }
        SetLastError(kJunk);
        errno = 0;
        EXPECT_FALSE(ce::CreateNewDeviceFile(d, path));
        EXPECT_EQ(ELOOP, errno);
        EXPECT_EQ(DWORD{ERROR_ACCESS_DENIED}, GetLastError());
        SetLastError(kJunk);
        EXPECT_FALSE(DeleteFileW(path));
        EXPECT_EQ(DWORD{ERROR_ACCESS_DENIED}, GetLastError());
        EXPECT_THROW(d.ReadFile(path), ce::DeviceError);
    }
    EXPECT_EQ("outside", test::ReadFileBytes(outside));
    EXPECT_FALSE(fs::exists(device.Folder() / "new.txt"));

    // Listed by their own names, whatever they point to; a link named alone is its own listing.
    EXPECT_EQ(Listing(d, u"\\Windows\\Start Menu"),
              (std::map<std::string, std::string>{
                  {"Dangling.lnk", "link"}, {"Out.lnk", "link"}, {"Programs", "folder"}}));
    EXPECT_EQ(Listing(d, u"\\").at("Up"), "link");
    EXPECT_EQ(Listing(d, u"\\UP"), (std::map<std::string, std::string>{{"Up", "link"}}));
    EXPECT_THROW(d.ListFiles(u"\\Up\\fs"), ce::DeviceError);
    EXPECT_TRUE(fs::is_symlink(menu / "Out.lnk") && fs::is_symlink(menu / "Dangling.lnk"));
}

// The exclusive creation that a writer of new files relies on: it creates only where nothing of
// that name is (without regard to case) and the folder exists, and tells which it was.
TEST(DevicePaths, CreateNewFileOnlyWhereTheNameIsFree) {
    test::TempDevice device;
    const ce::Device& d = device.Device();
    const fs::path file = d.FilesRoot() / "Windows/Start Menu/New.lnk";
    {
        const ce::UniqueFd created = ce::CreateNewDeviceFile(d, u"\\Windows\\Start Menu\\New.lnk");
        ASSERT_TRUE(created);
        ASSERT_EQ(3, write(created.Get(), "abc", 3));
    }
    EXPECT_EQ("abc", test::ReadFileBytes(file));
    const struct {
        std::u16string path;
        int error;
        DWORD lastError;
    } failures[] = {
        {u"\\windows\\start menu\\NEW.LNK", EEXIST, ERROR_FILE_EXISTS},
        {u"\\Windows\\Start Menu\\Programs", EEXIST, ERROR_FILE_EXISTS},
        {u"\\No Folder\\New.lnk", ENOENT, ERROR_PATH_NOT_FOUND},
        {u"\\Windows\\Start Menu\\New.lnk\\x", ENOTDIR, ERROR_PATH_NOT_FOUND},
        {u"\\", EISDIR, ERROR_ACCESS_DENIED},
        {std::u16string(u"\\a\0b", 4), EINVAL, ERROR_INVALID_NAME},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(ce::ToUtf8(f.path));
        errno = 0;
        SetLastError(kJunk);
        EXPECT_FALSE(ce::CreateNewDeviceFile(d, f.path));
        EXPECT_EQ(f.error, errno);
        EXPECT_EQ(f.lastError, GetLastError());
    }
    EXPECT_EQ("abc", test::ReadFileBytes(file));
    EXPECT_EQ(Listing(d, u"\\Windows\\Start Menu"),
              (std::map<std::string, std::string>{{"New.lnk", "file"}, {"Programs", "folder"}}));
}

// Another process keeps exchanging a file of fs/ and a folder of fs/ with symbolic links that lead
// out of it. However the exchanges fall between the steps of a walk, every write, read, listing
// and deletion meets what is inside fs/ or fails.
TEST(DevicePaths, LinksSwappedInWhileAPathIsWalkedAreNeverFollowed) {
    constexpr int kRounds = 1000;
    test::TempDevice device;
    const ce::Device& d = device.Device();
    const fs::path root = d.FilesRoot();
    const fs::path outside = device.Folder() / "outside";
    fs::create_directory(outside);
    test::WriteFileBytes(outside / "Swap.lnk", "outside");
    test::WriteFileBytes(outside / "Outside.txt", "");
    test::WriteFileBytes(root / "Swap.lnk", "inside");
    fs::create_directory(root / "Swap");
    test::WriteFileBytes(root / "Swap/Swap.lnk", "inside");
    fs::create_symlink(outside / "Swap.lnk", root / ".file-link");
    fs::create_directory_symlink(outside, root / ".folder-link");

    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    const pid_t swapper = fork();
    if (swapper == 0) {
        // Each exchange is atomic: the name is always there, as the one or the other.
        auto exchange = [&](const char* a, const char* b) {
            return renameat2(AT_FDCWD, (root / a).c_str(), AT_FDCWD, (root / b).c_str(),
                             RENAME_EXCHANGE) == 0;
        };
        const char ok = exchange("Swap.lnk", ".file-link") ? 'y' : 'n';
        (void)write(ready[1], &ok, 1);
        for (;;) {
            exchange("Swap.lnk", ".file-link");
            exchange("Swap", ".folder-link");
        }
    }
    close(ready[1]);
    char ok = 'n';
    (void)read(ready[0], &ok, 1);
    close(ready[0]);
    if (ok != 'y') {
        kill(swapper, SIGKILL);
        waitpid(swapper, nullptr, 0);
        GTEST_SKIP() << "this file system cannot exchange two names atomically (renameat2)";
    }

    int reads = 0, outsideReads = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (const char16_t* path : {u"\\Swap.lnk", u"\\Swap\\Swap.lnk"}) {
            if (FILE* out = _wfopen(path, u"w")) {
                fwprintf(out, u"inside");
                fclose(out);
            }
            try {
                const std::string content = d.ReadFile(path);
                ++reads;
                if (content == "outside") ++outsideReads;
            } catch (const ce::DeviceError&) {
            }
        }
        try {
            outsideReads += Listing(d, u"\\Swap").count("Outside.txt");
        } catch (const ce::DeviceError&) {
        }
        if (round % 100 == 0) DeleteFileW(u"\\Swap\\Swap.lnk");
    }
    kill(swapper, SIGKILL);
    waitpid(swapper, nullptr, 0);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(0, outsideReads);
    EXPECT_EQ("outside", test::ReadFileBytes(outside / "Swap.lnk"));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(outside), fs::directory_iterator()));
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
