// Win32 registry semantics of the stand-in, pinned by small named cases. Out-parameters are
// preset to junk so that one left untouched, or touched when it should not be, is caught.
#include <CePlatform/Device.h>
#include <CePlatform/RegFile.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "support/RegistryProbe.h"
#include "support/TempDevice.h"

namespace {

constexpr DWORD kJunk = 0xDEADBEEF;
HKEY const kJunkKey = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x0BADF00D));
const auto LM = ce::RootKey::LocalMachine;

class RegistryTest : public ::testing::Test {
protected:
    bool Exists(ce::RootKey root, std::u16string_view path) const {
        return device_.Device().KeyExists(root, path);
    }
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

    test::TempDevice device_{ce::Profile{}, /*seed=*/false};
};

TEST_F(RegistryTest, CreateMakesIntermediateKeysAndOpenFindsOnlyWhatExists) {
    DWORD disposition = kJunk;
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Software\\A\\B\\C", &disposition));
    EXPECT_EQ(DWORD{REG_CREATED_NEW_KEY}, disposition);
    EXPECT_TRUE(Exists(LM, u"Software\\A") && Exists(LM, u"Software\\A\\B"));
    disposition = kJunk;
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Software\\A\\B\\C", &disposition));
    EXPECT_EQ(DWORD{REG_OPENED_EXISTING_KEY}, disposition);

    // Relative to an open key, and an empty sub key opens the key itself.
    HKEY parent = Create(HKEY_LOCAL_MACHINE, u"Software\\A");
    HKEY child = Create(parent, u"B\\D", &disposition);
    EXPECT_EQ(DWORD{REG_CREATED_NEW_KEY}, disposition);
    EXPECT_TRUE(Exists(LM, u"Software\\A\\B\\D"));
    HKEY same = Create(parent, u"", &disposition);
    EXPECT_EQ(DWORD{REG_OPENED_EXISTING_KEY}, disposition);
    SetDword(same, u"v", 1);
    EXPECT_EQ(1u, GetDword(parent, u"v"));
    for (HKEY k : {parent, child, same}) RegCloseKey(k);

    // A missing key and bad names fail and clear the result.
    HKEY key = kJunkKey;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExW(HKEY_CURRENT_USER, u"\\No\\Such", 0, KEY_ALL_ACCESS, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_FALSE(Exists(ce::RootKey::CurrentUser, u"No"));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExW(HKEY_CURRENT_USER, u"x", 0, 0, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExW(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, 0,
                                                       nullptr, &key, nullptr));
    // A key name has at most 255 characters.
    std::u16string name(256, u'x');
    key = kJunkKey;
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr,
                                                       0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(nullptr, key);
    name.pop_back();
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, name.c_str()));
}

TEST_F(RegistryTest, NamesIgnoreCaseAndExtraBackslashesAndKeepTheirFirstCase) {
    HKEY a = Create(HKEY_LOCAL_MACHINE, u"\\SOFTWARE\\Microsoft\\Inbox\\Settings\\");
    HKEY b = kJunkKey;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\\\microsoft\\INBOX\\settings", 0,
                            KEY_ALL_ACCESS, &b));
    SetDword(a, u"SMSNoSentMsg", 1);
    EXPECT_EQ(1u, GetDword(b, u"smsnosentmsg"));
    SetDword(b, u"SMSNOSENTMSG", 2);
    EXPECT_EQ(2u, GetDword(a, u"SMSNoSentMsg"));
    SetDword(a, u"Gone", 3);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(b, u"GONE"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(a, u"gone"));

    const auto keys = device_.Device().ExportKeys(LM, u"software");
    ASSERT_EQ(4u, keys.size());
    EXPECT_EQ(u"SOFTWARE\\Microsoft\\Inbox\\Settings", keys.back().path);
    ASSERT_EQ(1u, keys.back().values.size());
    EXPECT_EQ(u"SMSNoSentMsg", keys.back().values[0].name);

    // Each root is a tree of its own.
    HKEY c = Create(HKEY_CLASSES_ROOT, u"\\exefile");
    EXPECT_TRUE(Exists(ce::RootKey::ClassesRoot, u"exefile"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"exefile", 0, 0, &b));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, u"exefile", 0, 0, &b));
    for (HKEY k : {a, c}) RegCloseKey(k);
}

TEST_F(RegistryTest, ValuesKeepTheirBytesAndTypeAndTheEmptyNameIsTheDefault) {
    HKEY key = Create(HKEY_CURRENT_USER, u"K");
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

    SetDword(key, u"", 1);
    SetDword(key, u"Default", 2);
    EXPECT_EQ(1u, GetDword(key, nullptr));
    EXPECT_EQ(1u, GetDword(key, u""));
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

TEST_F(RegistryTest, NullClosedForeignAndStaleHandlesAreInvalid) {
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
    key = Create(HKEY_LOCAL_MACHINE, u"K");

    // A handle does not outlive its device.
    {
        test::TempDevice other(ce::Profile{}, false);  // now current
        EXPECT_EQ(ERROR_INVALID_HANDLE,
                  RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size));
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    }
    EXPECT_EQ(kJunk, size);
}

// Every write and deletion is in the change log; a key deleted under an open handle goes with
// everything below it, logged under the names of what went, deepest first.
TEST_F(RegistryTest, ChangeLogAndAKeyDeletedUnderAnOpenHandle) {
    HKEY key = Create(HKEY_CURRENT_USER, u"\\ControlPanel\\Phone");
    SetDword(key, u"CallHistoryMax", 100);
    SetDword(key, u"callhistorymax", 500);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(key, u"CallHistoryMax"));
    SetDword(key, u"v", 1);
    probe::Apply(ce::RegFileOp::kDeleteKey, HKEY_CURRENT_USER, u"ControlPanel");
    DWORD value = 1, size = 4;
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_KEY_DELETED,
              RegSetValueExW(key, u"v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4));
    EXPECT_FALSE(Exists(ce::RootKey::CurrentUser, u"ControlPanel\\Phone"));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    const auto data = [](const std::optional<ce::RegValue>& v) {
        return v ? ce::FormatValueData(v->type, v->data) : std::string("-");
    };
    std::vector<std::string> logged;
    for (const ce::Change& c : device_.Device().Changes()) {
        EXPECT_EQ(getpid(), c.pid);
        EXPECT_EQ(24u, c.time.size()) << c.time;
        logged.push_back(std::to_string(c.kind) + " " + c.key + " " + ce::ToUtf8(c.valueName) +
                         " " + data(c.before) + " " + data(c.after));
    }
    const std::string phone = "HKEY_CURRENT_USER\\ControlPanel\\Phone ";
    EXPECT_EQ(logged, (std::vector<std::string>{
                          "2 HKEY_CURRENT_USER\\ControlPanel  - -",
                          "2 " + phone + " - -",
                          "0 " + phone + "CallHistoryMax - dword:00000064",
                          "0 " + phone + "CallHistoryMax dword:00000064 dword:000001f4",
                          "1 " + phone + "CallHistoryMax dword:000001f4 -",
                          "0 " + phone + "v - dword:00000001",
                          "1 " + phone + "v dword:00000001 -",
                          "3 " + phone + " - -",
                          "3 HKEY_CURRENT_USER\\ControlPanel  - -",
                      }));
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
