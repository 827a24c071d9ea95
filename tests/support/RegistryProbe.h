// Looks at and changes the device registry as another program would, so that tests check what
// the library left behind without going through CRegistry. Values are read through the Win32
// functions with out-parameters preset to junk, so that one left untouched is caught: a junk type
// differs from every expected one, and a junk size fails the test before anything is allocated.
#pragma once

#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace probe {

constexpr DWORD kJunk = 0xCCCCCCCCu;

struct Value {
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const Value&) const = default;
};

inline void PrintTo(const Value& value, std::ostream* os) {
    *os << "type " << value.type << ", data " << testing::PrintToString(value.data);
}

// The bytes of a text as the device stores it (UTF-16, no terminator added).
inline std::vector<BYTE> Bytes(std::u16string_view text) {
    const auto* first = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(first, first + text.size() * sizeof(WCHAR));
}

// A text with its terminating zero, as REG_SZ (or `type`) data.
inline Value SzValue(std::u16string_view text, DWORD type = REG_SZ) {
    std::vector<BYTE> data = Bytes(text);
    data.resize(data.size() + sizeof(WCHAR), 0);
    return {type, data};
}

inline Value DwordValue(DWORD number) {
    const auto* first = reinterpret_cast<const BYTE*>(&number);
    return {REG_DWORD, std::vector<BYTE>(first, first + sizeof(number))};
}

inline ce::RootKey RootOf(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return ce::RootKey::ClassesRoot;
    return root == HKEY_CURRENT_USER ? ce::RootKey::CurrentUser : ce::RootKey::LocalMachine;
}

inline bool KeyExists(HKEY root, std::u16string_view path) {
    return ce::CurrentDevice().KeyExists(RootOf(root), path);
}

// The stored value, or nothing when the key or the value is missing.
inline std::optional<Value> Query(HKEY root, LPCWSTR path, LPCWSTR name) {
    HKEY key = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(kJunk));
    if (RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return std::nullopt;
    Value value{kJunk, {}};
    DWORD size = kJunk;
    LONG result = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
    if (result == ERROR_SUCCESS && size == kJunk) {
        ADD_FAILURE() << "RegQueryValueExW succeeded without giving the size";
        result = ERROR_MORE_DATA;
    }
    if (result == ERROR_SUCCESS) {
        value.data.assign(size, 0xCC);
        result = RegQueryValueExW(key, name, nullptr, nullptr, value.data.data(), &size);
    }
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    return value;
}

// Sets a value (creating its key), deletes one, or creates or deletes a key with everything
// below it.
inline void Apply(ce::RegFileOp::Kind kind, HKEY root, std::u16string_view path,
                  std::u16string_view name = {}, const Value& value = {}) {
    const ce::RegValue data{std::u16string(name), value.type, value.data};
    ce::CurrentDevice().Import({ce::RegFileOp{kind, 0, RootOf(root), std::u16string(path), data}});
}

inline void Set(HKEY root, std::u16string_view path, std::u16string_view name, const Value& v) {
    Apply(ce::RegFileOp::kSetValue, root, path, name, v);
}

// Another program makes sure the key exists without the value.
inline void MakeMissing(HKEY root, std::u16string_view path, std::u16string_view name) {
    Apply(ce::RegFileOp::kCreateKey, root, path);
    Apply(ce::RegFileOp::kDeleteValue, root, path, name);
}

// The key that holds a tweak's saved state, and the class name in its ID.
inline std::u16string BackupPath(std::u16string_view id) {
    return u"Software\\Quenvale\\TweaksBackup\\" + std::u16string(id);
}
inline std::string ClassOf(std::u16string_view id) {
    return ce::ToUtf8(id.substr(0, id.find(u'_')));
}

// The sequence number of the newest change-log row of the current device (0 when none).
inline int64_t LastChangeSeq() {
    const std::vector<ce::Change> changes = ce::CurrentDevice().Changes();
    return changes.empty() ? 0 : changes.back().seq;
}

}  // namespace probe
