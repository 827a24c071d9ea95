#include "DeviceActions.h"

#include <Lorrimek/TweakBase.h>

#include "DeviceServices.h"

namespace {

constexpr DWORD kBluetoothOff = 0;
constexpr DWORD kBluetoothConnectable = 1;
constexpr DWORD kBluetoothDiscoverable = 2;

using BthGetModeProc = int(WINAPI*)(DWORD* mode);
using BthSetModeProc = int(WINAPI*)(DWORD mode);

// "BthUtil.dll" loaded for the length of one operation, with both of its functions or with
// neither (a library that lacks one is not used at all).
class CBluetoothLibrary {
public:
    CBluetoothLibrary() : m_module(LoadLibraryW(u"BthUtil.dll")) {
        if (m_module == nullptr) return;
        const FARPROC set = GetProcAddressW(m_module, u"BthSetMode");
        const FARPROC get = GetProcAddressW(m_module, u"BthGetMode");
        if (set == nullptr || get == nullptr) return;
        m_setMode = reinterpret_cast<BthSetModeProc>(set);
        m_getMode = reinterpret_cast<BthGetModeProc>(get);
    }
    ~CBluetoothLibrary() {
        if (m_module != nullptr) FreeLibrary(m_module);
    }
    CBluetoothLibrary(const CBluetoothLibrary&) = delete;
    CBluetoothLibrary& operator=(const CBluetoothLibrary&) = delete;

    // False when the library or one of its functions is missing, or the mode cannot be read.
    bool GetMode(DWORD* mode) const {
        return m_getMode != nullptr && m_getMode(mode) == ERROR_SUCCESS;
    }
    bool SetMode(DWORD mode) const {
        return m_setMode != nullptr && m_setMode(mode) == ERROR_SUCCESS;
    }

private:
    HMODULE m_module;
    BthSetModeProc m_setMode = nullptr;
    BthGetModeProc m_getMode = nullptr;
};

bool IsOn(DWORD mode) { return mode == kBluetoothConnectable || mode == kBluetoothDiscoverable; }

}  // namespace

BOOL IsBluetoothOn() {
    DWORD mode = kBluetoothOff;
    return CBluetoothLibrary().GetMode(&mode) && IsOn(mode);
}

int ToggleBluetooth() {
    const CBluetoothLibrary library;
    DWORD mode = kBluetoothOff;
    if (!library.GetMode(&mode)) return kTweakDeviceToggleFailed;
    return library.SetMode(IsOn(mode) ? kBluetoothOff : kBluetoothDiscoverable)
               ? kTweakOk
               : kTweakDeviceToggleFailed;
}

int SendAudioControl(DWORD code) {
    const HANDLE gateway = CreateFileW(u"BAG0:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (gateway == INVALID_HANDLE_VALUE || gateway == nullptr) return kTweakDeviceToggleFailed;
    const BOOL sent = DeviceIoControl(gateway, code, nullptr, 0, nullptr, 0, nullptr, nullptr);
    CloseHandle(gateway);
    return sent ? kTweakOk : kTweakDeviceToggleFailed;
}

int PressPowerKey() {
    keybd_event(VK_OFF, 0, 0, 0);
    keybd_event(VK_OFF, 0, KEYEVENTF_KEYUP, 0);
    Sleep(100);
    return kTweakOk;
}

int RestartDevice() { return ResetDevice() != 0 ? kTweakOk : kTweakDeviceToggleFailed; }
