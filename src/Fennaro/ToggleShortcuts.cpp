#include "ToggleShortcuts.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "DeviceServices.h"
#include "InstallLocation.h"

namespace {

const WCHAR kSeparator[] = u"\\";
const WCHAR kShortcutExtension[] = u".lnk";

}  // namespace

CWideString ShortcutFileName(const CWideString& name) {
    std::u16string text(name.View());
    for (char16_t& c : text) {
        if (c == u'/') c = u'-';
    }
    return CWideString(std::u16string_view(text));
}

CWideString SpecialFolderPath(int folder) {
    WCHAR path[MAX_PATH] = {};
    LPITEMIDLIST list = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, folder, &list)) && list != nullptr) {
        if (!SHGetPathFromIDList(list, path)) path[0] = 0;
        CoTaskMemFree(list);
    }
    return CWideString(path);
}

CWideString ShortcutFolderPath() {
    return SpecialFolderPath(GetPlatformType() == kPlatformSmartphone ? CSIDL_STARTMENU
                                                                      : CSIDL_PROGRAMS);
}

CWideString ToggleShortcutPath(CTweakBase* tweak) {
    return ShortcutFolderPath() + CWideString(kSeparator) + ShortcutFileName(tweak->GetName()) +
           CWideString(kShortcutExtension);
}

CWideString ApplicationPath() {
    return SpecialFolderPath(CSIDL_PROGRAM_FILES) + CWideString(kSeparator) +
           CWideString(kInstallName) + CWideString(kSeparator) + CWideString(kProgramFileName);
}

bool ToggleShortcutExists(CTweakBase* tweak) {
    FILE* file = _wfopen(ToggleShortcutPath(tweak), u"r");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

bool CreateToggleShortcut(CTweakBase* tweak) {
    const CWideString path = ToggleShortcutPath(tweak);
    const CWideString target =
        CWideString(u"\"") + ApplicationPath() + CWideString(u"\" ") + tweak->GetID();
    RemoveToggleShortcut(tweak);
    // The shell takes writable buffers; it changes neither.
    std::u16string pathText(path.View());
    std::u16string targetText(target.View());
    return SHCreateShortcut(pathText.data(), targetText.data()) != 0;
}

bool RemoveToggleShortcut(CTweakBase* tweak) { return DeleteFileW(ToggleShortcutPath(tweak)) != 0; }
