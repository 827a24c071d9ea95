// Key names and the registry's rules for names: how names are written, split and compared.
#include "registry/KeyNames.h"

#include <CePlatform/RegistryTypes.h>
#include <CePlatform/Unicode.h>

#include <algorithm>

namespace ce {

namespace {

constexpr const char* kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                      "HKEY_LOCAL_MACHINE"};
constexpr const char* kRootAbbreviations[] = {"HKCR", "HKCU", "HKLM"};

std::string JoinRootAndPath(const char* root, std::u16string_view path) {
    std::string name = root;
    if (!path.empty()) {
        name += '\\';
        name += ToUtf8(path);
    }
    return name;
}

}  // namespace

const char* RootName(RootKey root) {
    const int i = static_cast<int>(root);
    return i >= 0 && i < 3 ? kRootNames[i] : "HKEY_UNKNOWN";
}

bool ParseKeyName(std::string_view text, RootKey* root, std::u16string* path) {
    while (!text.empty() && text.front() == '\\') text.remove_prefix(1);
    const size_t slash = text.find('\\');
    const std::string_view rootText = text.substr(0, slash);
    int found = -1;
    for (int i = 0; i < 3; ++i) {
        if (EqualsIgnoringAsciiCase(rootText, kRootNames[i]) ||
            EqualsIgnoringAsciiCase(rootText, kRootAbbreviations[i])) {
            found = i;
        }
    }
    if (found < 0) return false;

    std::u16string normalised;
    if (slash != std::string_view::npos) {
        std::string_view rest = text.substr(slash + 1);
        while (!rest.empty()) {
            const size_t end = rest.find('\\');
            const std::string_view part = rest.substr(0, end);
            if (!part.empty()) {
                if (!normalised.empty()) normalised += u'\\';
                normalised += FromUtf8(part);
            }
            if (end == std::string_view::npos) break;
            rest.remove_prefix(end + 1);
        }
    }
    if (root != nullptr) *root = static_cast<RootKey>(found);
    if (path != nullptr) *path = std::move(normalised);
    return true;
}

std::string KeyName(RootKey root, std::u16string_view path) {
    return JoinRootAndPath(RootName(root), path);
}

std::string ShortKeyName(RootKey root, std::u16string_view path) {
    const int i = static_cast<int>(root);
    return JoinRootAndPath(i >= 0 && i < 3 ? kRootAbbreviations[i] : RootName(root), path);
}

std::u16string JoinKeyPath(std::u16string_view parent, std::u16string_view child) {
    std::u16string joined(parent);
    if (!joined.empty() && !child.empty()) joined += u'\\';
    joined += child;
    return joined;
}

std::string FoldKey(std::u16string_view text) {
    // Key paths and value names are nearly always ASCII: fold those without a detour.
    std::string folded(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0x80) return ToUtf8(FoldCase(text));
        folded[i] = static_cast<char>(c >= u'a' && c <= u'z' ? c - 0x20 : c);
    }
    return folded;
}

bool AppendKeyPath(std::u16string* path, std::u16string_view relative) {
    return ForEachKeyComponent(relative, [path](std::u16string_view component) {
        if (!path->empty()) *path += u'\\';
        path->append(component);
    });
}

}  // namespace ce
