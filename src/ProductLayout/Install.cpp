#include <ProductLayout/Install.h>

#include <shlobj.h>

namespace {

constexpr char16_t kSeparator = u'\\';
// The program's file in the install folder.
const WCHAR kProgramFileName[] = u"Fennaro.exe";

}  // namespace

std::u16string SpecialFolderPath(int folder) {
    WCHAR path[MAX_PATH] = {};
    LPITEMIDLIST list = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, folder, &list)) && list != nullptr) {
        if (!SHGetPathFromIDList(list, path)) path[0] = 0;
        CoTaskMemFree(list);
    }
    return path;
}

std::u16string ApplicationPath() {
    return SpecialFolderPath(CSIDL_PROGRAM_FILES) + kSeparator + kInstallName + kSeparator +
           kProgramFileName;
}

std::u16string ApplicationCommand(std::u16string_view argument) {
    std::u16string command = u'"' + ApplicationPath() + u'"';
    if (!argument.empty()) command.append(u" ").append(argument);
    return command;
}

int ShortcutFolder(bool smartphone) { return smartphone ? CSIDL_STARTMENU : CSIDL_PROGRAMS; }

std::u16string ShortcutFileName(std::u16string_view name) {
    std::u16string text(name);
    for (char16_t& c : text) {
        if (c == u'/') c = u'-';
    }
    return text;
}

std::u16string ShortcutPath(bool smartphone, std::u16string_view name) {
    return SpecialFolderPath(ShortcutFolder(smartphone)) + kSeparator + ShortcutFileName(name) +
           kShortcutExtension;
}
