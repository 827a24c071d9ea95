// Hooks on the registry functions that the library calls in the program that this is linked into
// (the library built into it or loaded as a shared library): each runs between the library and
// the platform, as another process acting at that moment would, or as a platform that fails
// there. Tests set them for one case and Clear() them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace hooks {

// Runs before every RegQueryValueExW that passes a data buffer.
extern std::function<void()> beforeDataQuery;
// Runs before every RegCreateKeyExW and RegOpenKeyExW with the root and the path asked for; a
// result other than ERROR_SUCCESS fails the call with it, unseen by the platform. It may also
// throw, as a failing allocation would.
extern std::function<LONG(HKEY root, LPCWSTR path, bool create)> beforeOpenKey;

// Runs before every RegSetValueExW with the key and the value name; a result other than
// ERROR_SUCCESS fails the call with it, unseen by the platform.
extern std::function<LONG(HKEY key, LPCWSTR name)> beforeSetValue;

// A beforeSetValue hook that fails the writes of values named `name` (exactly) with
// ERROR_ACCESS_DENIED, as a registry that refuses them would.
std::function<LONG(HKEY, LPCWSTR)> FailWritesOf(std::u16string name);

// Unsets every hook.
void Clear();

}  // namespace hooks
