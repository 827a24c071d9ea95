// Win32 registry semantics of the stand-in, pinned by small named cases. Out-parameters are
// preset to junk so that one left untouched, or touched when it should not be, is caught.
#include <CePlatform/Device.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "support/TempDevice.h"

namespace {

constexpr DWORD kJunk = 0xDEADBEEF;
HKEY const kJunkKey = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x0BADF00D));

class RegistryTest : public ::testing::Test {
protected:
    test::TempDevice device_{ce::Profile{}, /*seed=*/false};

    HKEY Create(HKEY root, LPCWSTR path, DWORD* disposition = nullptr) {
        HKEY key = kJunkKey;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 &key, disposition));
        return key;
    }
    static void SetDword(HKEY key, LPCWSTR name, DWORD value) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, REG_DWORD,
                                                reinterpret_cast<const BYTE*>(&value), 4));
    }
    static DWORD GetDword(HKEY key, LPCWSTR name) {
        DWORD value = kJunk, size = sizeof(value), type = kJunk;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, name, nullptr, &type,
                                                  reinterpret_cast<BYTE*>(&value), &size));
        EXPECT_EQ(DWORD{REG_DWORD}, type);
        return value;
    }
};

TEST_F(RegistryTest, CreateMakesIntermediateKeysAndReportsDisposition) {
    DWORD disposition = kJunk;
    HKEY key = Create(HKEY_LOCAL_MACHINE, u"Software\\A\\B\\C", &disposition);
    EXPECT_EQ(DWORD{REG_CREATED_NEW_KEY}, disposition);
    EXPECT_TRUE(device_.Device().KeyExists(ce::RootKey::LocalMachine, u"Software\\A"));
    EXPECT_TRUE(device_.Device().KeyExists(ce::RootKey::LocalMachine, u"Software\\A\\B"));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    disposition = kJunk;
    key = Create(HKEY_LOCAL_MACHINE, u"Software\\A\\B\\C", &disposition);
    EXPECT_EQ(DWORD{REG_OPENED_EXISTING_KEY}, disposition);
    RegCloseKey(key);

    // Relative to an open key, and an empty sub key opens the key itself.
    HKEY parent = Create(HKEY_LOCAL_MACHINE, u"Software\\A");
    HKEY child = Create(parent, u"B\\D", &disposition);
    EXPECT_EQ(DWORD{REG_CREATED_NEW_KEY}, disposition);
    EXPECT_TRUE(device_.Device().KeyExists(ce::RootKey::LocalMachine, u"Software\\A\\B\\D"));
    HKEY same = Create(parent, u"", &disposition);
    EXPECT_EQ(DWORD{REG_OPENED_EXISTING_KEY}, disposition);
    SetDword(same, u"v", 1);
    EXPECT_EQ(1u, GetDword(parent, u"v"));
    for (HKEY k : {parent, child, same}) RegCloseKey(k);
}

TEST_F(RegistryTest, OpenOfMissingKeyAndBadNamesFailAndClearTheResult) {
    HKEY key = kJunkKey;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExW(HKEY_CURRENT_USER, u"\\No\\Such", 0, KEY_ALL_ACCESS, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_FALSE(device_.Device().KeyExists(ce::RootKey::CurrentUser, u"No"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExW(HKEY_CURRENT_USER, u"x", 0, 0, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExW(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, 0,
                                                       nullptr, &key, nullptr));
    // A key name has at most 255 characters.
    std::u16string name(256, u'x');
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr,
                                                       0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(nullptr, key);
    name.pop_back();
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, name.c_str()));
}

TEST_F(RegistryTest, NamesAreCaseInsensitiveAndKeepTheirFirstCase) {
    HKEY a = Create(HKEY_LOCAL_MACHINE, u"\\SOFTWARE\\Microsoft\\Inbox\\Settings");
    HKEY b = kJunkKey;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"\\Software\\microsoft\\INBOX\\settings", 0,
                            KEY_ALL_ACCESS, &b));
    SetDword(a, u"SMSNoSentMsg", 1);
    EXPECT_EQ(1u, GetDword(b, u"smsnosentmsg"));
    SetDword(b, u"SMSNOSENTMSG", 2);
    EXPECT_EQ(2u, GetDword(a, u"SMSNoSentMsg"));
    SetDword(a, u"Gone", 3);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(b, u"GONE"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(a, u"gone"));

    const auto keys = device_.Device().ExportKeys(ce::RootKey::LocalMachine, u"software");
    ASSERT_EQ(4u, keys.size());
    EXPECT_EQ(u"SOFTWARE\\Microsoft\\Inbox\\Settings", keys.back().path);
    ASSERT_EQ(1u, keys.back().values.size());
    EXPECT_EQ(u"SMSNoSentMsg", keys.back().values[0].name);
    RegCloseKey(a);
    RegCloseKey(b);
}

TEST_F(RegistryTest, BackslashesAreIgnoredAndRootsAreSeparateTrees) {
    HKEY a = Create(HKEY_CURRENT_USER, u"\\ControlPanel\\SoundCategories\\Ring\\");
    HKEY b = kJunkKey;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, u"ControlPanel\\\\SoundCategories\\Ring", 0, 0, &b));
    SetDword(a, u"x", 7);
    EXPECT_EQ(7u, GetDword(b, u"x"));
    HKEY c = Create(HKEY_CLASSES_ROOT, u"\\exefile");
    EXPECT_TRUE(device_.Device().KeyExists(ce::RootKey::ClassesRoot, u"exefile"));
    // Each root is a tree of its own.
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"exefile", 0, 0, &b));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"exefile", 0, 0, &b));
    for (HKEY k : {a, c}) RegCloseKey(k);
}

TEST_F(RegistryTest, EmptyNameIsTheDefaultValueNotOneNamedDefault) {
    HKEY key = Create(HKEY_CURRENT_USER, u"K");
    SetDword(key, u"", 1);
    SetDword(key, u"Default", 2);
    EXPECT_EQ(1u, GetDword(key, nullptr));
    EXPECT_EQ(1u, GetDword(key, u""));
    EXPECT_EQ(2u, GetDword(key, u"Default"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(key, nullptr));
    DWORD size = kJunk;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key, u"", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(kJunk, size);
    EXPECT_EQ(2u, GetDword(key, u"Default"));
    RegCloseKey(key);
}

TEST_F(RegistryTest, QueryAnswersSizeAndTypeAndRefusesSmallBuffers) {
    HKEY key = Create(HKEY_CURRENT_USER, u"K");
    const char16_t text[] = u"Hello";  // 6 characters with the zero: 12 bytes
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"t", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(text), sizeof(text)));
    DWORD type = kJunk, size = kJunk;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"t", nullptr, &type, nullptr, &size));
    EXPECT_EQ(DWORD{REG_SZ}, type);
    EXPECT_EQ(12u, size);

    BYTE buffer[16];
    std::memset(buffer, 0xAB, sizeof(buffer));
    size = 4;
    type = kJunk;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(key, u"t", nullptr, &type, buffer, &size));
    EXPECT_EQ(12u, size);
    EXPECT_EQ(DWORD{REG_SZ}, type);
    EXPECT_EQ(0xAB, buffer[0]);

    size = sizeof(buffer);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"t", nullptr, nullptr, buffer, &size));
    EXPECT_EQ(12u, size);
    EXPECT_EQ(0, std::memcmp(buffer, text, 12));
    EXPECT_EQ(0xAB, buffer[12]);

    DWORD reserved = 0;
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegQueryValueExW(key, u"t", &reserved, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegQueryValueExW(key, u"t", nullptr, nullptr, buffer, nullptr));
    // Neither buffer nor size: only whether the value exists.
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"t", nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(key);
}

TEST_F(RegistryTest, DataIsStoredByteForByteWithItsType) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, u"K");
    const std::vector<std::pair<DWORD, std::vector<BYTE>>> cases = {
        {REG_BINARY, {1, 2, 3}},                // odd size
        {REG_SZ, {'a', 0, 'b', 0}},             // text without its terminating zero
        {REG_DWORD, {1, 2, 3, 4, 5, 6, 7, 8}},  // a "DWORD" of 8 bytes
        {REG_MULTI_SZ, {}},                     // no data at all
        {0x1234, {0xFF}},                       // a type the platform does not know
    };
    for (const auto& [type, data] : cases) {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(key, u"v", 0, type, data.data(), static_cast<DWORD>(data.size())));
        std::vector<BYTE> back(16, 0xCC);
        DWORD gotType = kJunk, size = static_cast<DWORD>(back.size());
        ASSERT_EQ(ERROR_SUCCESS,
                  RegQueryValueExW(key, u"v", nullptr, &gotType, back.data(), &size));
        EXPECT_EQ(type, gotType);
        back.resize(size);
        EXPECT_EQ(data, back);
    }
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExW(key, u"v", 0, REG_BINARY, nullptr, 4));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"empty", 0, REG_BINARY, nullptr, 0));
    RegCloseKey(key);
}

TEST_F(RegistryTest, NullClosedAndForeignHandlesAreInvalid) {
    DWORD size = kJunk;
    EXPECT_EQ(ERROR_INVALID_HANDLE,
              RegQueryValueExW(nullptr, u"v", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(kJunkKey));
    HKEY key = Create(HKEY_LOCAL_MACHINE, u"K");
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
    DWORD one = 1;
    EXPECT_EQ(ERROR_INVALID_HANDLE,
              RegSetValueExW(key, u"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegDeleteValueW(key, u"v"));
    HKEY child = kJunkKey;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExW(key, u"", 0, 0, &child));
    EXPECT_EQ(nullptr, child);
    EXPECT_EQ(kJunk, size);
    // The predefined roots are never really closed.
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));
    HKEY again = Create(HKEY_LOCAL_MACHINE, u"K");
    RegCloseKey(again);
}

TEST_F(RegistryTest, KeyDeletedUnderAnOpenHandle) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, u"Doomed\\Sub");
    SetDword(key, u"v", 1);
    ce::RegFileOp del;
    del.kind = ce::RegFileOp::kDeleteKey;
    del.root = ce::RootKey::LocalMachine;
    del.path = u"Doomed";
    device_.Device().Import({del});
    DWORD value = 1, size = 4;
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_KEY_DELETED,
              RegSetValueExW(key, u"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4));
    EXPECT_FALSE(device_.Device().KeyExists(ce::RootKey::LocalMachine, u"Doomed\\Sub"));
    // The deletion is logged under the names of what went, deepest first.
    std::vector<std::string> logged;
    for (const auto& c : device_.Device().Changes()) {
        if (c.kind == ce::Change::kDeleteValue || c.kind == ce::Change::kDeleteKey) {
            logged.push_back(c.key);
        }
    }
    EXPECT_EQ(
        (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Doomed\\Sub",
                                  "HKEY_LOCAL_MACHINE\\Doomed\\Sub", "HKEY_LOCAL_MACHINE\\Doomed"}),
        logged);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryTest, HandlesDoNotOutliveTheirDevice) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, u"K");
    test::TempDevice other(ce::Profile{}, false);  // now current
    DWORD size = kJunk;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

TEST_F(RegistryTest, EveryWriteAndDeletionIsInTheChangeLog) {
    const int64_t start =
        device_.Device().Changes().empty() ? 0 : device_.Device().Changes().back().seq;
    HKEY key = Create(HKEY_CURRENT_USER, u"\\ControlPanel\\Phone");
    SetDword(key, u"CallHistoryMax", 100);
    SetDword(key, u"callhistorymax", 500);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(key, u"CallHistoryMax"));
    RegCloseKey(key);

    const auto changes = device_.Device().Changes(start);
    ASSERT_EQ(5u, changes.size());
    EXPECT_EQ(ce::Change::kCreateKey, changes[0].kind);
    EXPECT_EQ("HKEY_CURRENT_USER\\ControlPanel", changes[0].key);
    EXPECT_EQ("HKEY_CURRENT_USER\\ControlPanel\\Phone", changes[1].key);

    EXPECT_EQ(ce::Change::kSetValue, changes[2].kind);
    EXPECT_EQ(u"CallHistoryMax", changes[2].valueName);
    EXPECT_FALSE(changes[2].before.has_value());
    ASSERT_TRUE(changes[2].after.has_value());
    EXPECT_EQ(DWORD{REG_DWORD}, changes[2].after->type);
    EXPECT_EQ((std::vector<uint8_t>{100, 0, 0, 0}), changes[2].after->data);

    ASSERT_TRUE(changes[3].before.has_value());
    EXPECT_EQ((std::vector<uint8_t>{100, 0, 0, 0}), changes[3].before->data);
    EXPECT_EQ((std::vector<uint8_t>{0xF4, 1, 0, 0}), changes[3].after->data);

    EXPECT_EQ(ce::Change::kDeleteValue, changes[4].kind);
    EXPECT_FALSE(changes[4].after.has_value());
    for (const auto& c : changes) {
        EXPECT_EQ(getpid(), c.pid);
        EXPECT_EQ(24u, c.time.size()) << c.time;
    }
}

TEST(RegistryWithoutDevice, CallsFailWithNotReadyAndNothingIsCreated) {
    const auto folder = test::MakeTempFolder("nodevice");
    std::filesystem::create_directories(folder / "stuff");
    ce::CloseDevice();
    setenv("CE_DEVICE", folder.c_str(), 1);
    HKEY key = kJunkKey;
    EXPECT_EQ(ERROR_NOT_READY,
              RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"K", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(nullptr, key);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    EXPECT_FALSE(GetVersionExW(&info));
    EXPECT_EQ(DWORD{ERROR_NOT_READY}, GetLastError());
    unsetenv("CE_DEVICE");
    ce::CloseDevice();
    EXPECT_FALSE(std::filesystem::exists(folder / "device.db"));
    std::filesystem::remove_all(folder);
}

}  // namespace
