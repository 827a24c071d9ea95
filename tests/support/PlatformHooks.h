// Hooks on the platform functions that every caller in this program reaches: each runs between
// the caller and the platform, as another process or a failing platform would at that moment, or
// to let a test see what was asked. Tests set them for one case and Clear() them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace hooks {

// Runs before every RegQueryValueExW that passes a data buffer.
extern std::function<void()> beforeDataQuery;
// The next three run before every RegCreateKeyExW and RegOpenKeyExW, RegSetValueExW, and
// CreateMutexW; a result other than ERROR_SUCCESS fails the call with it (for a mutex: no handle,
// that last error), unseen by the platform. beforeOpenKey may also throw, as an allocation would.
extern std::function<LONG(HKEY root, LPCWSTR path, bool create)> beforeOpenKey;
extern std::function<LONG(HKEY key, LPCWSTR name)> beforeSetValue;
extern std::function<DWORD(LPCWSTR name)> beforeCreateMutex;

// A beforeSetValue hook that fails the writes of values named `name` (exactly) with
// ERROR_ACCESS_DENIED, as a registry that refuses them would.
std::function<LONG(HKEY, LPCWSTR)> FailWritesOf(std::u16string name);

// Runs before every SendMessageW with its arguments (the window system's, declared here without
// its header: WPARAM is a ULONG_PTR, LPARAM a LONG_PTR).
extern std::function<void(HWND hwnd, UINT message, ULONG_PTR wParam, LONG_PTR lParam)>
    beforeSendMessage;

// Runs once as the next folder listing (fdopendir) starts, and is unset then.
extern std::function<void()> beforeListing;

// Unsets every hook.
void Clear();

}  // namespace hooks
