#include "DeviceServices.h"

#include <windows.h>

#include <string_view>

namespace {

// Wide characters of the platform text buffer.
constexpr UINT kPlatformTextLength = MAX_PATH;

typedef BOOL(WINAPI* ExitWindowsExProc)(UINT flags, DWORD reserved);

}  // namespace

int GetPlatformType() {
    WCHAR text[kPlatformTextLength] = {};
    if (!SystemParametersInfoW(SPI_GETPLATFORMTYPE, kPlatformTextLength, text, 0)) {
        return kPlatformOther;
    }
    text[kPlatformTextLength - 1] = 0;
    const std::u16string_view platform(text);
    if (platform == u"SmartPhone") return kPlatformSmartphone;
    if (platform == u"PocketPC") return kPlatformPocketPC;
    return kPlatformOther;
}

int GetOSVersionClass() {
    OSVERSIONINFOW info = {};
    static_assert(sizeof(info) == 276);
    info.dwOSVersionInfoSize = sizeof(info);
    // A failed query leaves the record zero, which maps to class 1.
    GetVersionExW(&info);
    const DWORD major = info.dwMajorVersion;
    if (major <= 2) return 1;
    if (major == 3) return 2;
    if (major == 4) return info.dwMinorVersion <= 20 ? 3 : 4;
    if (major == 5) return 5;
    if (major == 6) return 6;
    return 7;
}

int ResetDevice() {
    // The shell library stays loaded: the device is going down.
    const HMODULE shell = LoadLibraryW(u"aygshell.dll");
    if (shell == nullptr) return 0;
    const FARPROC proc = GetProcAddressW(shell, u"ExitWindowsEx");
    if (proc == nullptr) return 0;
    const auto exitWindows = reinterpret_cast<ExitWindowsExProc>(proc);
    return exitWindows(EWX_REBOOT, 0);
}
