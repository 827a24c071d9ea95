// Direct looks at the device registry through the Win32 functions, so that tests check what the
// library left behind without going through CRegistry. Out-parameters are preset to junk so that
// one left untouched by the platform is caught.
#pragma once

#include <CePlatform/Device.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace probe {

constexpr DWORD kJunk = 0xCCCCCCCCu;
inline HKEY JunkKey() { return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0xBADC0DEu)); }

struct Value {
    DWORD type = 0;
    std::vector<BYTE> data;
};

// The bytes of a text as the device stores it (UTF-16, no terminator added).
inline std::vector<BYTE> Bytes(std::u16string_view text) {
    std::vector<BYTE> bytes(text.size() * sizeof(WCHAR));
    if (!text.empty()) std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

// A text with its terminating zero, as REG_SZ data.
inline std::vector<BYTE> SzBytes(std::u16string_view text) {
    std::u16string terminated(text);
    terminated.push_back(u'\0');
    return Bytes(terminated);
}

inline std::vector<BYTE> DwordBytes(DWORD value) {
    std::vector<BYTE> bytes(sizeof(value));
    std::memcpy(bytes.data(), &value, sizeof(value));
    return bytes;
}

inline bool KeyExists(HKEY root, LPCWSTR path) {
    HKEY key = JunkKey();
    const LONG result = RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key);
    if (result != ERROR_SUCCESS) {
        EXPECT_EQ(key, nullptr) << "failed open must clear the handle";
        return false;
    }
    RegCloseKey(key);
    return true;
}

// The stored value, or nothing when the key or the value is missing.
inline std::optional<Value> Query(HKEY root, LPCWSTR path, LPCWSTR name) {
    HKEY key = JunkKey();
    if (RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return std::nullopt;
    std::optional<Value> value;
    DWORD type = kJunk;
    DWORD size = kJunk;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        Value stored;
        stored.type = type;
        stored.data.assign(size, 0xCC);
        DWORD received = size;
        type = kJunk;
        const LONG result =
            RegQueryValueExW(key, name, nullptr, &type, stored.data.data(), &received);
        EXPECT_EQ(result, ERROR_SUCCESS);
        EXPECT_EQ(received, size);
        EXPECT_EQ(type, stored.type);
        value = std::move(stored);
    } else {
        EXPECT_EQ(type, kJunk) << "missing value must leave the type untouched";
    }
    RegCloseKey(key);
    return value;
}

// Creates the key if needed and sets the value; false (with a test failure) if that failed.
inline bool Set(HKEY root, LPCWSTR path, LPCWSTR name, DWORD type, const std::vector<BYTE>& data) {
    HKEY key = JunkKey();
    DWORD disposition = kJunk;
    if (RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, &disposition) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create the key";
        return false;
    }
    const LONG result =
        RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    EXPECT_EQ(result, ERROR_SUCCESS);
    return result == ERROR_SUCCESS;
}

inline bool SetDword(HKEY root, LPCWSTR path, LPCWSTR name, DWORD value) {
    return Set(root, path, name, REG_DWORD, DwordBytes(value));
}

inline bool SetText(HKEY root, LPCWSTR path, LPCWSTR name, std::u16string_view text) {
    return Set(root, path, name, REG_SZ, SzBytes(text));
}

// The number of a REG_DWORD value of 4 bytes; nothing for a missing value or any other kind.
inline std::optional<DWORD> Dword(HKEY root, LPCWSTR path, LPCWSTR name) {
    const std::optional<Value> value = Query(root, path, name);
    if (!value || value->type != REG_DWORD || value->data.size() != sizeof(DWORD)) {
        return std::nullopt;
    }
    DWORD number = 0;
    std::memcpy(&number, value->data.data(), sizeof(number));
    return number;
}

// The sequence number of the newest change-log row of the current device (0 when none).
inline int64_t LastChangeSeq() {
    const std::vector<ce::Change> changes = ce::CurrentDevice().Changes();
    return changes.empty() ? 0 : changes.back().seq;
}

}  // namespace probe
