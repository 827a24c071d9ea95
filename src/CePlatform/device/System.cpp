// Device queries and the emulated optional modules, answered from the device profile.
#include <CePlatform/Unicode.h>
#include <CePlatform/WindowSystemServices.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "device/DeviceImpl.h"
#include "registry/KeyNames.h"

namespace ce {

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

std::atomic<SystemParametersHook> g_systemParametersHook{nullptr};

// Module handles of the emulated modules: fixed, distinct, never dereferenced.
const HMODULE kAygshell = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7A000000));
const HMODULE kBthUtil = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7B000000));

// Runs `call` on the current device's profile; a null result with the last error when there is
// none.
template <typename Call>
auto WithProfile(Call&& call) -> decltype(call(std::declval<const Profile&>())) {
    using Result = decltype(call(std::declval<const Profile&>()));
    return OnCurrentDevice(Result{}, [&](Device& device) { return call(device.GetProfile()); });
}

// The file name of a module path: "\Windows\aygshell.dll" → "aygshell.dll".
std::string ModuleName(LPCWSTR path) {
    std::u16string_view text(path);
    const size_t slash = text.find_last_of(u"\\/");
    if (slash != std::u16string_view::npos) text.remove_prefix(slash + 1);
    return ToUtf8(text);
}

BOOL WINAPI EmulatedExitWindowsEx(UINT uFlags, DWORD /*dwReserved*/) {
    if ((uFlags & ~static_cast<UINT>(EWX_FORCE)) != EWX_REBOOT) {
        t_lastError = ERROR_NOT_SUPPORTED;
        return FALSE;
    }
    return OnCurrentDevice(FALSE, [](Device& device) {
        device.AddJournalEntry("restart (ExitWindowsEx EWX_REBOOT)");
        return TRUE;
    });
}

// The Bluetooth functions answer an error code instead of setting the last error.
template <typename Call>
int WithDevice(Call&& call) {
    return OnCurrentDevice(-1, call) == -1 ? static_cast<int>(GetLastError()) : ERROR_SUCCESS;
}

int WINAPI EmulatedBthGetMode(DWORD* pdwMode) {
    if (!pdwMode) return ERROR_INVALID_PARAMETER;
    return WithDevice([&](Device& device) {
        *pdwMode = device.GetProfile().bluetoothMode;
        return 0;
    });
}

int WINAPI EmulatedBthSetMode(DWORD dwMode) {
    if (dwMode > 2) return ERROR_INVALID_PARAMETER;
    return WithDevice([&](Device& device) {
        static const char* const kNames[] = {"off", "connectable", "discoverable"};
        device.UpdateProfile(
            [&](Profile& profile) { profile.bluetoothMode = dwMode; },
            "bluetooth mode " + std::to_string(dwMode) + " (" + kNames[dwMode] + ", BthSetMode)");
        return 0;
    });
}

struct EmulatedExport {
    HMODULE module;
    const char16_t* name;
    FARPROC address;
};

const EmulatedExport kExports[] = {
    {kAygshell, u"ExitWindowsEx", reinterpret_cast<FARPROC>(&EmulatedExitWindowsEx)},
    {kBthUtil, u"BthGetMode", reinterpret_cast<FARPROC>(&EmulatedBthGetMode)},
    {kBthUtil, u"BthSetMode", reinterpret_cast<FARPROC>(&EmulatedBthSetMode)},
};

}  // namespace

void SetSystemParametersHook(SystemParametersHook hook) { g_systemParametersHook = hook; }

}  // namespace ce

using namespace ce;

extern "C" {

DWORD WINAPI GetLastError(void) { return t_lastError; }

void WINAPI SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

BOOL WINAPI SystemParametersInfoW(UINT uiAction, UINT uiParam, PVOID pvParam, UINT fWinIni) {
    if (uiAction != SPI_GETPLATFORMTYPE) {
        if (SystemParametersHook hook = g_systemParametersHook) {
            return hook(uiAction, uiParam, pvParam, fWinIni);
        }
    }
    if (uiAction != SPI_GETPLATFORMTYPE || !pvParam) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    return OnCurrentDevice(FALSE, [&](Device& device) -> BOOL {
        const std::u16string text = FromUtf8(device.impl().Platform());
        const size_t bytes = (text.size() + 1) * sizeof(WCHAR);
        if (bytes > uiParam) {
            t_lastError = ERROR_INSUFFICIENT_BUFFER;
            return FALSE;
        }
        std::memcpy(pvParam, text.c_str(), bytes);
        return TRUE;
    });
}

BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW lpVersionInformation) {
    if (!lpVersionInformation) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    if (lpVersionInformation->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW)) {
        t_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    return WithProfile([&](const Profile& profile) -> BOOL {
        lpVersionInformation->dwMajorVersion = profile.osMajor;
        lpVersionInformation->dwMinorVersion = profile.osMinor;
        lpVersionInformation->dwBuildNumber = profile.osBuild;
        lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_CE;
        std::memset(lpVersionInformation->szCSDVersion, 0,
                    sizeof(lpVersionInformation->szCSDVersion));
        return TRUE;
    });
}

HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) {
    if (!lpLibFileName) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    return WithProfile([&](const Profile& profile) -> HMODULE {
        const std::string name = FoldKey(FromUtf8(ModuleName(lpLibFileName)));
        if (name == "AYGSHELL.DLL" && profile.HasModule("aygshell.dll")) return kAygshell;
        if (name == "BTHUTIL.DLL" && profile.HasModule("BthUtil.dll")) return kBthUtil;
        t_lastError = ERROR_MOD_NOT_FOUND;
        return nullptr;
    });
}

FARPROC WINAPI GetProcAddressW(HMODULE hModule, LPCWSTR lpProcName) {
    if (hModule != kAygshell && hModule != kBthUtil) {
        t_lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    // Export names match exactly, as on the device.
    for (const EmulatedExport& e : kExports) {
        if (e.module == hModule && lpProcName && std::u16string_view(lpProcName) == e.name) {
            return e.address;
        }
    }
    t_lastError = ERROR_PROC_NOT_FOUND;
    return nullptr;
}

// The emulated modules stay mapped; releasing one only checks its handle.
BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    if (hLibModule == kAygshell || hLibModule == kBthUtil) return TRUE;
    t_lastError = ERROR_INVALID_HANDLE;
    return FALSE;
}

void WINAPI keybd_event(BYTE bVk, BYTE /*bScan*/, DWORD dwFlags, DWORD /*dwExtraInfo*/) {
    char event[32];
    std::snprintf(event, sizeof(event), "key 0x%02X %s", static_cast<unsigned>(bVk),
                  (dwFlags & KEYEVENTF_KEYUP) ? "up" : "down");
    OnCurrentDevice(0, [&](Device& device) {
        device.AddJournalEntry(event);
        return 0;
    });
}

void WINAPI Sleep(DWORD dwMilliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

}  // extern "C"
