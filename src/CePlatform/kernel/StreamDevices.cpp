// Stream devices opened with CreateFileW: the Bluetooth audio gateway "BAG0:".
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <windows.h>

#include <string>

#include "device/DeviceImpl.h"
#include "kernel/Handles.h"

namespace ce {

namespace {

// An open "BAG0:". Its state (the routing) lives on the device, so the object holds nothing.
class AudioGateway final : public KernelObject {};

// "bag0:" → "BAG0:"; empty when the name is not a stream device name (three letters, a digit,
// a colon).
std::string DeviceName(std::u16string_view name) {
    if (name.size() != 5 || name[4] != u':' || name[3] < u'0' || name[3] > u'9') return {};
    std::string result;
    for (size_t i = 0; i < 3; ++i) {
        const char16_t c = name[i];
        if (c >= u'a' && c <= u'z') {
            result += static_cast<char>(c - u'a' + 'A');
        } else if (c >= u'A' && c <= u'Z') {
            result += static_cast<char>(c);
        } else {
            return {};
        }
    }
    return result + static_cast<char>(name[3]) + ':';
}

}  // namespace

}  // namespace ce

using namespace ce;

extern "C" {

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD /*dwDesiredAccess*/, DWORD /*dwShareMode*/,
                          LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/,
                          DWORD dwCreationDisposition, DWORD /*dwFlagsAndAttributes*/,
                          HANDLE /*hTemplateFile*/) {
    if (!lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string name = DeviceName(lpFileName);
    if (name.empty()) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return INVALID_HANDLE_VALUE;
    }
    if (dwCreationDisposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return OnCurrentDevice(INVALID_HANDLE_VALUE, [&](Device& device) {
        if (name != "BAG0:" || !device.GetProfile().HasModule("BAG0:")) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        return AddHandle(std::make_shared<AudioGateway>());
    });
}

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID /*lpInBuf*/,
                            DWORD /*nInBufSize*/, LPVOID /*lpOutBuf*/, DWORD /*nOutBufSize*/,
                            LPDWORD /*lpBytesReturned*/, LPOVERLAPPED /*lpOverlapped*/) {
    if (!FindHandleAs<AudioGateway>(hDevice)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return OnCurrentDevice(FALSE, [&](Device& device) {
        const std::string call = "BAG0: control code " + std::to_string(dwIoControlCode);
        if (dwIoControlCode != 1 && dwIoControlCode != 2) {
            device.AddJournalEntry(call + " refused (unknown code)");
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        const uint32_t mode = device.GetProfile().bluetoothMode;
        if (mode != 1 && mode != 2) {
            device.AddJournalEntry(call + " failed (bluetooth radio off)");
            SetLastError(ERROR_NOT_READY);
            return FALSE;
        }
        device.AddJournalEntry(
            call + (dwIoControlCode == 1 ? " (sound to the headset)" : " (sound to the speaker)"));
        return TRUE;
    });
}

}  // extern "C"
