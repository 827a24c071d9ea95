// The device's drivers as the tweaks reach them: the Bluetooth library, the audio gateway "BAG0:",
// the power key. Each is checked through the Win32 calls and the device journal.
#include <CePlatform/Device.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/TempDevice.h"

namespace {

constexpr DWORD kJunk = 0xDEADBEEF;

using GetModeProc = int (*)(DWORD*);
using SetModeProc = int (*)(DWORD);

TEST(Bluetooth, ModeLivesInTheProfileAndEachChangeIsJournaled) {
    test::TempDevice device;
    HMODULE bth = LoadLibraryW(u"\\Windows\\bthutil.DLL");
    ASSERT_NE(nullptr, bth);
    auto getMode = reinterpret_cast<GetModeProc>(GetProcAddressW(bth, u"BthGetMode"));
    auto setMode = reinterpret_cast<SetModeProc>(GetProcAddressW(bth, u"BthSetMode"));
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
    EXPECT_EQ(ERROR_INVALID_PARAMETER, getMode(nullptr));
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
    SetLastError(kJunk);
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x1234))));
    EXPECT_EQ(DWORD{ERROR_INVALID_HANDLE}, GetLastError());

    device.SetModule("BthUtil.dll", false);
    SetLastError(kJunk);
    EXPECT_EQ(nullptr, LoadLibraryW(u"BthUtil.dll"));
    EXPECT_EQ(DWORD{ERROR_MOD_NOT_FOUND}, GetLastError());
    EXPECT_EQ(nullptr, GetProcAddressW(nullptr, u"BthGetMode"));
}

TEST(AudioGateway, ControlCodesAreJournaledAndNeedTheRadio) {
    test::TempDevice device;
    device.SetBluetoothMode(1);
    HANDLE bag = CreateFileW(u"bag0:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, bag);
    ASSERT_NE(nullptr, bag);
    EXPECT_TRUE(DeviceIoControl(bag, 1, nullptr, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_TRUE(DeviceIoControl(bag, 2, nullptr, 0, nullptr, 0, nullptr, nullptr));
    SetLastError(kJunk);
    EXPECT_FALSE(DeviceIoControl(bag, 9, nullptr, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(DWORD{ERROR_INVALID_PARAMETER}, GetLastError());
    device.SetBluetoothMode(0);
    SetLastError(kJunk);
    EXPECT_FALSE(DeviceIoControl(bag, 1, nullptr, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(DWORD{ERROR_NOT_READY}, GetLastError());
    EXPECT_EQ((std::vector<std::string>{"BAG0: control code 1 (sound to the headset)",
                                        "BAG0: control code 2 (sound to the speaker)",
                                        "BAG0: control code 9 refused (unknown code)",
                                        "BAG0: control code 1 failed (bluetooth radio off)"}),
              device.Events());

    EXPECT_TRUE(CloseHandle(bag));
    SetLastError(kJunk);
    EXPECT_FALSE(CloseHandle(bag));
    EXPECT_EQ(DWORD{ERROR_INVALID_HANDLE}, GetLastError());
    SetLastError(kJunk);
    EXPECT_FALSE(DeviceIoControl(bag, 1, nullptr, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(DWORD{ERROR_INVALID_HANDLE}, GetLastError());
    EXPECT_EQ(4u, device.Events().size()) << "nothing reaches the device through a closed handle";
}

TEST(AudioGateway, MissingDevicesAndOtherNamesAreRefusedAndAModuleWithoutARowIsPresent) {
    test::TempDevice device;
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
    for (const auto& c : cases) {
        SetLastError(kJunk);
        EXPECT_EQ(INVALID_HANDLE_VALUE,
                  CreateFileW(c.name, 0, 0, nullptr, c.disposition, 0, nullptr));
        EXPECT_EQ(c.error, GetLastError());
    }
    device.SetModule("BAG0:", false);
    SetLastError(kJunk);
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileW(u"BAG0:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(DWORD{ERROR_FILE_NOT_FOUND}, GetLastError());
    EXPECT_TRUE(device.Device().Journal().empty());

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

TEST(Keyboard, KeyEventsAreJournaledInOrder) {
    test::TempDevice device;
    keybd_event(VK_OFF, 0, 0, 0);
    keybd_event(VK_OFF, 0, KEYEVENTF_KEYUP, 0);
    keybd_event(0x0D, 0, 0, 0);
    EXPECT_EQ(device.Events(),
              (std::vector<std::string>{"key 0xDF down", "key 0xDF up", "key 0x0D down"}));
}

}  // namespace
