// The Win32 registry functions over the current device's registry store.
#include <windows.h>

#include <cstring>
#include <new>
#include <unordered_map>

#include "device/DeviceImpl.h"
#include "registry/KeyNames.h"

namespace ce {

namespace {

// What a handle stands for: a key of the device that was current when it was opened.
struct OpenKey {
    uint64_t generation = 0;
    KeyRow key;
    bool isRoot = false;
};

std::unordered_map<uintptr_t, OpenKey>& Handles() {
    static std::unordered_map<uintptr_t, OpenKey> handles;
    return handles;
}

uintptr_t g_nextHandle = 0x1000;

std::optional<RootKey> PredefinedRoot(HKEY hKey) {
    if (hKey == HKEY_CLASSES_ROOT) return RootKey::ClassesRoot;
    if (hKey == HKEY_CURRENT_USER) return RootKey::CurrentUser;
    if (hKey == HKEY_LOCAL_MACHINE) return RootKey::LocalMachine;
    return std::nullopt;
}

// Resolves a handle on the current device; the error code when it cannot be used.
LONG Resolve(Device::Impl& device, HKEY hKey, OpenKey* out) {
    if (auto root = PredefinedRoot(hKey)) {
        *out = OpenKey{device.Generation(), device.Registry().Root(*root), true};
        return ERROR_SUCCESS;
    }
    const auto found = Handles().find(reinterpret_cast<uintptr_t>(hKey));
    if (found == Handles().end() || found->second.generation != device.Generation()) {
        return ERROR_INVALID_HANDLE;
    }
    *out = found->second;
    return ERROR_SUCCESS;
}

// Reads the handle's key as it is stored now (its stored path, which the change log names):
// ERROR_KEY_DELETED when it was deleted since.
LONG Refresh(Device::Impl& device, OpenKey* key) {
    if (key->isRoot) return ERROR_SUCCESS;
    std::optional<KeyRow> row = device.Registry().StoredKey(key->key.id);
    if (!row) return ERROR_KEY_DELETED;
    key->key = std::move(*row);
    return ERROR_SUCCESS;
}

HKEY NewHandle(Device::Impl& device, const KeyRow& key) {
    // Handle numbers never meet the predefined root keys.
    if (g_nextHandle >= 0x80000000u && g_nextHandle < 0x80000100u) g_nextHandle = 0x80000100u;
    const uintptr_t handle = g_nextHandle;
    g_nextHandle += 4;
    Handles()[handle] = OpenKey{device.Generation(), key, false};
    return reinterpret_cast<HKEY>(handle);
}

std::u16string_view NameOf(LPCWSTR name) { return name ? std::u16string_view(name) : u""; }

LONG MapFailure(const DbError& e) {
    if (e.DiskFull()) return ERROR_DISK_FULL;
    if (e.ReadOnly()) return ERROR_ACCESS_DENIED;
    switch (e.code()) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return ERROR_BUSY;
        case SQLITE_FULL:
            return ERROR_DISK_FULL;
        case SQLITE_NOMEM:
            return ERROR_OUTOFMEMORY;
        case SQLITE_TOOBIG:
            return ERROR_INVALID_PARAMETER;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_CANTOPEN:
            return ERROR_ACCESS_DENIED;
        default:
            return ERROR_REGISTRY_IO_FAILED;
    }
}

// Runs one registry call with the platform lock held, on the current device, turning every
// failure into a Win32 error code: nothing escapes to the caller.
template <typename Call>
LONG RegistryCall(Call&& call) {
    std::lock_guard<std::recursive_mutex> lock(PlatformLock());
    Device::Impl* device = TryCurrentDevice();
    if (!device) return ERROR_NOT_READY;
    try {
        return call(*device);
    } catch (const DbError& e) {
        if (e.ReadOnly()) ReportDeviceProblem(DeviceProblem::kReadOnly, device->Folder());
        if (e.DiskFull()) ReportDeviceProblem(DeviceProblem::kDiskFull, device->Folder());
        return MapFailure(e);
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    } catch (...) {
        return ERROR_GEN_FAILURE;
    }
}

// Opens parent\subKey, creating it when `create`; the new handle goes to *result.
LONG OpenOrCreate(Device::Impl& device, HKEY hKey, LPCWSTR subKey, bool create, PHKEY result,
                  LPDWORD disposition) {
    OpenKey parent;
    if (LONG rc = Resolve(device, hKey, &parent)) return rc;
    std::u16string path = parent.key.path;
    if (!AppendKeyPath(&path, NameOf(subKey))) return ERROR_INVALID_PARAMETER;
    if (LONG rc = Refresh(device, &parent)) return rc;

    std::optional<KeyRow> key = device.Registry().FindKey(parent.key.root, path);
    bool created = false;
    if (!key) {
        if (!create) return ERROR_FILE_NOT_FOUND;
        key = device.Registry().CreateKey(parent.key.root, path, &created, true);
    }
    *result = NewHandle(device, *key);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

}  // namespace

}  // namespace ce

using namespace ce;

extern "C" {

LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*Reserved*/, LPWSTR /*lpClass*/,
                            DWORD /*dwOptions*/, REGSAM /*samDesired*/,
                            LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                            LPDWORD lpdwDisposition) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    return RegistryCall([&](Device::Impl& device) {
        return OpenOrCreate(device, hKey, lpSubKey, true, phkResult, lpdwDisposition);
    });
}

LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/, REGSAM /*samDesired*/,
                          PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return RegistryCall([&](Device::Impl& device) {
        return OpenOrCreate(device, hKey, lpSubKey, false, phkResult, nullptr);
    });
}

LONG WINAPI RegCloseKey(HKEY hKey) {
    if (PredefinedRoot(hKey)) return ERROR_SUCCESS;
    std::lock_guard<std::recursive_mutex> lock(PlatformLock());
    // Closing needs no device: a handle of a device that was closed since is still released.
    return Handles().erase(reinterpret_cast<uintptr_t>(hKey)) ? ERROR_SUCCESS
                                                              : ERROR_INVALID_HANDLE;
}

LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    return RegistryCall([&](Device::Impl& device) -> LONG {
        OpenKey key;
        if (LONG rc = Resolve(device, hKey, &key)) return rc;
        const auto value = device.Registry().GetValue(key.key.id, NameOf(lpValueName));
        if (!value) {
            if (LONG rc = Refresh(device, &key)) return rc;
            return ERROR_FILE_NOT_FOUND;
        }
        const auto size = static_cast<DWORD>(value->data.size());
        if (lpType) *lpType = value->type;
        if (lpData) {
            if (*lpcbData < size) {
                *lpcbData = size;
                return ERROR_MORE_DATA;
            }
            if (size) std::memcpy(lpData, value->data.data(), size);
        }
        if (lpcbData) *lpcbData = size;
        return ERROR_SUCCESS;
    });
}

LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                           const BYTE* lpData, DWORD cbData) {
    if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
    const std::u16string_view name = NameOf(lpValueName);
    if (name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
    return RegistryCall([&](Device::Impl& device) -> LONG {
        OpenKey key;
        if (LONG rc = Resolve(device, hKey, &key)) return rc;
        RegValue value{
            std::u16string(name), dwType,
            lpData ? std::vector<uint8_t>(lpData, lpData + cbData) : std::vector<uint8_t>()};
        Database::Transaction t(device.Db());
        if (LONG rc = Refresh(device, &key)) return rc;
        device.Registry().SetValue(key.key, value, true);
        t.Commit();
        return ERROR_SUCCESS;
    });
}

LONG WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
    return RegistryCall([&](Device::Impl& device) -> LONG {
        OpenKey key;
        if (LONG rc = Resolve(device, hKey, &key)) return rc;
        Database::Transaction t(device.Db());
        if (LONG rc = Refresh(device, &key)) return rc;
        if (!device.Registry().DeleteValue(key.key, NameOf(lpValueName), true))
            return ERROR_FILE_NOT_FOUND;
        t.Commit();
        return ERROR_SUCCESS;
    });
}

}  // extern "C"
