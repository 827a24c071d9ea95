// The shell's special folders and shortcut files: the item lists handed out and released, and
// SHCreateShortcut's file, which never replaces or writes through anything.
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "support/TempDevice.h"

namespace {

namespace fs = std::filesystem;

std::u16string FolderPath(int folder) {
    LPITEMIDLIST list = reinterpret_cast<LPITEMIDLIST>(0x1);
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, folder, &list), S_OK);
    WCHAR path[MAX_PATH] = u"junk";
    EXPECT_TRUE(SHGetPathFromIDList(list, path));
    CoTaskMemFree(list);
    return path;
}

TEST(ShellTest, SpecialFoldersAndTheirItemLists) {
    test::TempDevice device;
    EXPECT_EQ(FolderPath(CSIDL_STARTMENU), u"\\Windows\\Start Menu");
    EXPECT_EQ(FolderPath(CSIDL_PROGRAMS), u"\\Windows\\Start Menu\\Programs");
    EXPECT_EQ(FolderPath(CSIDL_PROGRAM_FILES), u"\\Program Files");

    // A folder the device does not have: no list, and the out-parameter cleared.
    LPITEMIDLIST list = reinterpret_cast<LPITEMIDLIST>(0x1);
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, 0x7777, &list), E_INVALIDARG);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_STARTMENU, nullptr), E_INVALIDARG);

    // A list that the shell did not hand out, or that was released, gives no path.
    WCHAR path[MAX_PATH] = u"junk";
    ITEMIDLIST foreign{};
    EXPECT_FALSE(SHGetPathFromIDList(&foreign, path));
    EXPECT_EQ(path[0], 0);
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &list), S_OK);
    CoTaskMemFree(list);
    path[0] = u'j';
    EXPECT_FALSE(SHGetPathFromIDList(list, path));
    EXPECT_EQ(path[0], 0);
    CoTaskMemFree(&foreign);  // ignored
    CoTaskMemFree(nullptr);
}

class ShortcutTest : public testing::Test {
protected:
    bool Create(std::u16string path, std::u16string target) {
        SetLastError(0xDEADBEEF);
        return SHCreateShortcut(path.data(), target.data()) != 0;
    }
    fs::path StartMenu() const { return device_.Folder() / "fs" / "Windows" / "Start Menu"; }

    test::TempDevice device_;
};

TEST_F(ShortcutTest, WritesTheCountAndTheTargetInTheDevicesCodePage) {
    ASSERT_TRUE(Create(u"\\windows\\START MENU\\Notes.lnk", u"\"\\Windows\\notes.exe\" -n"));
    EXPECT_EQ(test::ReadFileBytes(StartMenu() / "Notes.lnk"), "23#\"\\Windows\\notes.exe\" -n");
    // The count is in characters; what the code page lacks becomes '?'.
    ASSERT_TRUE(Create(u"\\Windows\\Start Menu\\Caf\u00e9.lnk", u"caf\u00e9 \u20ac"));
    EXPECT_EQ(test::ReadFileBytes(StartMenu() / "Caf\xc3\xa9.lnk"), "6#caf\xe9 ?");
}

TEST_F(ShortcutTest, NeverReplacesAFileOrCreatesAFolder) {
    test::WriteFileBytes(StartMenu() / "Old.lnk", "3#old");
    EXPECT_FALSE(Create(u"\\Windows\\Start Menu\\old.lnk", u"new"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(test::ReadFileBytes(StartMenu() / "Old.lnk"), "3#old");

    EXPECT_FALSE(Create(u"\\Windows\\Start Menu\\Games\\Chess.lnk", u"chess"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(fs::exists(StartMenu() / "Games"));

    EXPECT_FALSE(Create(u"", u"x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(Create(u"\\Windows\\Start Menu\\Empty.lnk", u""));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(SHCreateShortcut(nullptr, nullptr), 0u);

    // A link put where the shortcut goes is never written through.
    const fs::path outside = test::MakeTempFolder("outside") / "victim";
    test::WriteFileBytes(outside, "keep");
    fs::create_symlink(outside, StartMenu() / "Link.lnk");
    EXPECT_FALSE(Create(u"\\Windows\\Start Menu\\Link.lnk", u"x"));
    EXPECT_EQ(test::ReadFileBytes(outside), "keep");
    fs::remove_all(outside.parent_path());
}

}  // namespace
