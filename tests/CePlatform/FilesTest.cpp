// The device's file system: device paths never lead outside fs/, not even through a symbolic
// link swapped in meanwhile; SHCreateShortcut's file, which never replaces or writes through
// anything.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>

#include "support/ForkedChild.h"
#include "support/TempDevice.h"

namespace fs = std::filesystem;

namespace {

constexpr DWORD kJunk = 0xDEADBEEF;

// A device path never leads outside fs/, and DeleteFileW deletes no folder.
TEST(DevicePaths, DotDotStopsAtTheRootDeleteFileLeavesFoldersAndWriteTruncates) {
    test::TempDevice device;
    const fs::path root = device.Device().FilesRoot();
    EXPECT_EQ(root / "device.db", device.Device().HostPath(u"\\..\\..\\device.db"));
    EXPECT_EQ(root / "Program Files", device.Device().HostPath(u"Windows\\..\\..\\program files"));
    test::WriteFileBytes(device.Folder() / "fs.txt", "x");
    for (LPCWSTR path : {u"\\Windows\\Start Menu", u"\\..\\fs.txt"})
        EXPECT_FALSE(DeleteFileW(path));
    EXPECT_TRUE(fs::is_directory(root / "Windows/Start Menu"));
    EXPECT_TRUE(fs::exists(device.Folder() / "fs.txt"));
    // "w" truncates what was there; a pipe someone put there is not opened (a read would block).
    test::WriteFileBytes(root / "Windows/Old.lnk", "a longer text");
    FILE* out = _wfopen(u"\\windows\\OLD.LNK", u"w");
    ASSERT_NE(nullptr, out);
    EXPECT_EQ(2, fwprintf(out, u"o%s", u"k"));
    fclose(out);
    EXPECT_EQ("ok", test::ReadFileBytes(root / "Windows/Old.lnk"));
    ASSERT_EQ(0, mkfifo((root / "Windows/Pipe.lnk").c_str(), 0600));
    EXPECT_EQ(nullptr, _wfopen(u"\\Windows\\Pipe.lnk", u"r"));
}

// A folder's entries by name, each with its kind: "file", "folder", "link" or "other".
std::map<std::string, std::string> Listing(const ce::Device& device, std::u16string_view path) {
    static const char* const kKinds[] = {"file", "folder", "link", "other"};
    std::map<std::string, std::string> entries;
    for (const ce::FileEntry& e : device.ListFiles(path)) entries[e.name] = kKinds[e.kind];
    return entries;
}

// Nothing leaves fs/ through a symbolic link: neither one that points out of it, nor one that
// points nowhere yet, nor one on the way, even to a folder of fs/; such a path has no host path.
// Links are listed as links and never removed.
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
    fs::create_directory_symlink("Start Menu", root / "Windows/Menu");  // one that stays inside

    for (const char16_t* path :
         {u"\\Windows\\Start Menu\\out.lnk", u"\\Windows\\Start Menu\\Dangling.lnk",
          u"\\up\\outside.txt", u"\\Up\\new.txt", u"\\Windows\\Menu\\Programs\\In.lnk"}) {
        SCOPED_TRACE(ce::ToUtf8(path));
        EXPECT_THROW(d.HostPath(path), ce::DeviceError);
        for (const char16_t* mode : {u"r", u"r+", u"w", u"a+"}) {
            errno = 0;
            EXPECT_EQ(nullptr, _wfopen(path, mode));
            EXPECT_EQ(ELOOP, errno);
        }
        SetLastError(kJunk);
        std::u16string shortcut(path), target(u"\\Windows\\notes.exe");
        EXPECT_EQ(0u, SHCreateShortcut(shortcut.data(), target.data()));
        EXPECT_EQ(DWORD{ERROR_ACCESS_DENIED}, GetLastError());
        SetLastError(kJunk);
        EXPECT_FALSE(DeleteFileW(path));
        EXPECT_EQ(DWORD{ERROR_ACCESS_DENIED}, GetLastError());
        EXPECT_THROW(d.ReadFile(path), ce::DeviceError);
    }
    EXPECT_EQ("outside", test::ReadFileBytes(outside));
    EXPECT_FALSE(fs::exists(device.Folder() / "new.txt"));
    EXPECT_FALSE(fs::exists(menu / "Programs/In.lnk"));

    // Listed by their own names, whatever they point to; a link named alone is its own listing.
    EXPECT_EQ(Listing(d, u"\\Windows\\Start Menu"),
              (std::map<std::string, std::string>{
                  {"Dangling.lnk", "link"}, {"Out.lnk", "link"}, {"Programs", "folder"}}));
    EXPECT_EQ(Listing(d, u"\\").at("Up"), "link");
    EXPECT_EQ(Listing(d, u"\\UP"), (std::map<std::string, std::string>{{"Up", "link"}}));
    EXPECT_THROW(d.ListFiles(u"\\Up\\fs"), ce::DeviceError);
    EXPECT_TRUE(fs::is_symlink(menu / "Out.lnk") && fs::is_symlink(menu / "Dangling.lnk"));
}

// Another process keeps exchanging a file of fs/ and a folder of fs/ with symbolic links that lead
// out of it. However the exchanges fall between the steps of a walk, every write, read, listing
// and deletion meets what is inside fs/ or fails.
TEST(DevicePaths, LinksSwappedInWhileAPathIsWalkedAreNeverFollowed) {
    constexpr int kRounds = 1000;
    test::TempDevice device;
    const fs::path root = device.Device().FilesRoot();
    const fs::path outside = device.Folder() / "outside";
    fs::create_directory(outside);
    test::WriteFileBytes(outside / "Swap.lnk", "outside");
    test::WriteFileBytes(outside / "Outside.txt", "");
    test::WriteFileBytes(root / "Swap.lnk", "inside");
    fs::create_directory(root / "Swap");
    test::WriteFileBytes(root / "Swap/Swap.lnk", "inside");
    fs::create_symlink(outside / "Swap.lnk", root / ".file-link");
    fs::create_directory_symlink(outside, root / ".folder-link");

    test::ForkedChild swapper(device.Folder(), [&root](test::ForkedChild& self) -> int64_t {
        // Each exchange is atomic: the name is always there, as the one or the other.
        const auto exchange = [&root](const char* a, const char* b) {
            return renameat2(AT_FDCWD, (root / a).c_str(), AT_FDCWD, (root / b).c_str(),
                             RENAME_EXCHANGE) == 0;
        };
        self.Report(exchange("Swap.lnk", ".file-link"));
        for (;;) {
            exchange("Swap.lnk", ".file-link");
            exchange("Swap", ".folder-link");
        }
    });
    if (swapper.Next() != 1) {
        swapper.Kill();
        GTEST_SKIP() << "this file system cannot exchange two names atomically (renameat2)";
    }
    const ce::Device& d = device.Device();  // opened again after the fork
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
    swapper.Kill();
    EXPECT_GT(reads, 0);
    EXPECT_EQ(0, outsideReads);
    EXPECT_EQ("outside", test::ReadFileBytes(outside / "Swap.lnk"));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(outside), fs::directory_iterator()));
}

// The file holds the count of characters, '#' and the target in the device's code page ('?' for
// what it lacks).
TEST(ShortcutTest, WritesTheCountAndTheTargetOnlyWhereTheNameIsFree) {
    test::TempDevice device;
    const fs::path menu = device.Folder() / "fs" / "Windows" / "Start Menu";
    const auto create = [](std::u16string path, std::u16string target) {
        SetLastError(0xDEADBEEF);
        return SHCreateShortcut(path.data(), target.data()) != 0;
    };
    ASSERT_TRUE(create(u"\\windows\\START MENU\\Notes.lnk", u"\"\\Windows\\notes.exe\" -n"));
    EXPECT_EQ(test::ReadFileBytes(menu / "Notes.lnk"), "23#\"\\Windows\\notes.exe\" -n");
    ASSERT_TRUE(create(u"\\Windows\\Start Menu\\Caf\u00e9.lnk", u"caf\u00e9 \u20ac"));
    EXPECT_EQ(test::ReadFileBytes(menu / "Caf\xc3\xa9.lnk"), "6#caf\xe9 ?");

    // It creates only where nothing of that name is (without regard to case) and the folder
    // exists, and never writes through a link.
    test::WriteFileBytes(menu / "Old.lnk", "3#old");
    const fs::path outside = device.Folder() / "victim";
    test::WriteFileBytes(outside, "keep");
    fs::create_symlink(outside, menu / "Link.lnk");
    const struct {
        std::u16string path;
        DWORD error;
    } failures[] = {{u"\\Windows\\Start Menu\\old.lnk", ERROR_FILE_EXISTS},
                    {u"\\Windows\\Start Menu\\programs", ERROR_FILE_EXISTS},
                    {u"\\Windows\\Start Menu\\Games\\Chess.lnk", ERROR_PATH_NOT_FOUND},
                    {u"\\Windows\\Start Menu\\Old.lnk\\x", ERROR_PATH_NOT_FOUND},
                    {u"\\", ERROR_ACCESS_DENIED},
                    {u"\\Windows\\Start Menu\\Link.lnk", ERROR_ACCESS_DENIED},
                    {u"", ERROR_INVALID_PARAMETER}};
    for (const auto& f : failures) {
        EXPECT_FALSE(create(f.path, u"new")) << ce::ToUtf8(f.path);
        EXPECT_EQ(GetLastError(), f.error) << ce::ToUtf8(f.path);
    }
    EXPECT_FALSE(create(u"\\Windows\\Start Menu\\Empty.lnk", u""));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(test::ReadFileBytes(menu / "Old.lnk"), "3#old");
    EXPECT_EQ(test::ReadFileBytes(outside), "keep");
    EXPECT_EQ(Listing(device.Device(), u"\\Windows\\Start Menu"),
              (std::map<std::string, std::string>{{"Caf\xc3\xa9.lnk", "file"},
                                                  {"Link.lnk", "link"},
                                                  {"Notes.lnk", "file"},
                                                  {"Old.lnk", "file"},
                                                  {"Programs", "folder"}}));
}

}  // namespace
