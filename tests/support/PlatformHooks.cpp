#include "support/PlatformHooks.h"

#include <dirent.h>
#include <dlfcn.h>

#include <utility>

namespace hooks {

std::function<void()> beforeDataQuery;
std::function<LONG(HKEY, LPCWSTR, bool)> beforeOpenKey;
std::function<LONG(HKEY, LPCWSTR)> beforeSetValue;
std::function<DWORD(LPCWSTR)> beforeCreateMutex;
std::function<void(HWND, UINT, ULONG_PTR, LONG_PTR)> beforeSendMessage;
std::function<void()> beforeListing;

std::function<LONG(HKEY, LPCWSTR)> FailWritesOf(std::u16string name) {
    return [name = std::move(name)](HKEY, LPCWSTR value) -> LONG {
        return value && name == value ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    };
}

void Clear() {
    beforeDataQuery = nullptr;
    beforeOpenKey = nullptr;
    beforeSetValue = nullptr;
    beforeCreateMutex = nullptr;
    beforeSendMessage = nullptr;
    beforeListing = nullptr;
}

}  // namespace hooks

namespace {

// The platform's own function of that name.
template <typename Function>
Function Platform(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

// Every call of these functions in this program passes through here on its way to the platform.
extern "C" {

LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData) {
    using Query = LONG (*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    static const auto platform = Platform<Query>("RegQueryValueExW");
    if (lpData != nullptr && hooks::beforeDataQuery) hooks::beforeDataQuery();
    return platform(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                           const BYTE* lpData, DWORD cbData) {
    using Set = LONG (*)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);
    static const auto platform = Platform<Set>("RegSetValueExW");
    if (hooks::beforeSetValue) {
        if (const LONG result = hooks::beforeSetValue(hKey, lpValueName)) return result;
    }
    return platform(hKey, lpValueName, Reserved, dwType, lpData, cbData);
}

LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                            DWORD dwOptions, REGSAM samDesired,
                            LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                            LPDWORD lpdwDisposition) {
    using Create = LONG (*)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES,
                            PHKEY, LPDWORD);
    static const auto platform = Platform<Create>("RegCreateKeyExW");
    if (hooks::beforeOpenKey) {
        if (const LONG result = hooks::beforeOpenKey(hKey, lpSubKey, true)) return result;
    }
    return platform(hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired, lpSecurityAttributes,
                    phkResult, lpdwDisposition);
}

LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                          PHKEY phkResult) {
    using Open = LONG (*)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
    static const auto platform = Platform<Open>("RegOpenKeyExW");
    if (hooks::beforeOpenKey) {
        if (const LONG result = hooks::beforeOpenKey(hKey, lpSubKey, false)) return result;
    }
    return platform(hKey, lpSubKey, ulOptions, samDesired, phkResult);
}

HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner,
                           LPCWSTR lpName) {
    using Create = HANDLE (*)(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR);
    static const auto platform = Platform<Create>("CreateMutexW");
    if (hooks::beforeCreateMutex) {
        if (const DWORD error = hooks::beforeCreateMutex(lpName)) {
            SetLastError(error);
            return nullptr;
        }
    }
    return platform(lpMutexAttributes, bInitialOwner, lpName);
}

LONG_PTR WINAPI SendMessageW(HWND hWnd, UINT Msg, ULONG_PTR wParam, LONG_PTR lParam) {
    using Send = LONG_PTR (*)(HWND, UINT, ULONG_PTR, LONG_PTR);
    static const auto platform = Platform<Send>("SendMessageW");
    if (hooks::beforeSendMessage) hooks::beforeSendMessage(hWnd, Msg, wParam, lParam);
    return platform(hWnd, Msg, wParam, lParam);
}

DIR* fdopendir(int fd) {
    static const auto platform = Platform<DIR* (*)(int)>("fdopendir");
    if (hooks::beforeListing) std::exchange(hooks::beforeListing, nullptr)();
    return platform(fd);
}

}  // extern "C"
