// The device registry's own types: its root keys, the names of its keys, and keys and values as
// the registry store, its REGEDIT4 files and its change files hand them around.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <CePlatform/Api.h>

namespace ce {

// The three root keys of the device registry.
enum class RootKey : int { ClassesRoot = 0, CurrentUser = 1, LocalMachine = 2 };

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE".
CEPLATFORM_API const char* RootName(RootKey root);

// Parses "HKEY_LOCAL_MACHINE\Software\X" (or "HKLM\Software\X", "HKCU", "HKCR"; the root matched
// without regard to case) into the root and the path below it, normalised: components joined by
// single backslashes, no leading or trailing backslash ("" for the root itself). False when the
// text names no known root.
CEPLATFORM_API bool ParseKeyName(std::string_view text, RootKey* root, std::u16string* path);

// "HKEY_LOCAL_MACHINE\Software\X" for a root and a normalised path.
CEPLATFORM_API std::string KeyName(RootKey root, std::u16string_view path);
// The same with the root abbreviated: "HKLM\Software\X" ("HKCR", "HKCU", "HKLM").
CEPLATFORM_API std::string ShortKeyName(RootKey root, std::u16string_view path);

struct RegValue {
    std::u16string name;  // "" is the key's unnamed default value
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

struct RegKey {
    RootKey root = RootKey::LocalMachine;
    std::u16string path;  // normalised, as ParseKeyName gives it
    std::vector<RegValue> values;
};

}  // namespace ce
