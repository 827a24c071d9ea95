// The registry's rules for names, in one place for the registry functions, the registry store and
// registry files: how a key path splits into components, how long names may be, and how names
// compare. Defined in KeyNames.cpp with the key names of CePlatform/RegistryTypes.h.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace ce {

// The longest key name (one component of a path) and value name, in characters.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;

// Appends the components of `relative` to the normalised `path`; false, appending nothing, when a
// component is longer than kMaxKeyNameLength.
bool AppendKeyPath(std::u16string* path, std::u16string_view relative);
// "a\b" + "c" → "a\b\c"; either side may be empty.
std::u16string JoinKeyPath(std::u16string_view parent, std::u16string_view child);
// The form of a name or a path that the database compares: case-folded, in UTF-8.
std::string FoldKey(std::u16string_view text);

// Calls `visit` with each component of a key path, skipping empty ones (so leading, trailing and
// doubled backslashes are ignored). False, before any call, when a component is longer than
// kMaxKeyNameLength.
template <typename Visit>
bool ForEachKeyComponent(std::u16string_view path, Visit&& visit) {
    for (size_t start = 0, end; start <= path.size(); start = end + 1) {
        end = std::min(path.find(u'\\', start), path.size());
        if (end - start > kMaxKeyNameLength) return false;
    }
    for (size_t start = 0, end; start <= path.size(); start = end + 1) {
        end = std::min(path.find(u'\\', start), path.size());
        if (end > start) visit(path.substr(start, end - start));
    }
    return true;
}

// The order of keys in an export: folded paths (FoldKey) compared component by component, so that
// a key comes right before its subkeys.
inline bool FoldedPathLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto ux = static_cast<unsigned char>(x == '\\' ? '\x01' : x);
        const auto uy = static_cast<unsigned char>(y == '\\' ? '\x01' : y);
        return ux < uy;
    });
}

}  // namespace ce
