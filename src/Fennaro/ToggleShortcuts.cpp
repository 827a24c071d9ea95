#include "ToggleShortcuts.h"

#include <ProductLayout/Install.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "DeviceServices.h"

CWideString ToggleShortcutPath(CTweakBase* tweak) {
    return CWideString(
        ShortcutPath(GetPlatformType() == kPlatformSmartphone, tweak->GetName().View()));
}

bool ToggleShortcutExists(CTweakBase* tweak) {
    FILE* file = _wfopen(ToggleShortcutPath(tweak), u"r");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

bool CreateToggleShortcut(CTweakBase* tweak) {
    const CWideString path = ToggleShortcutPath(tweak);
    RemoveToggleShortcut(tweak);
    // The shell takes writable buffers; it changes neither.
    std::u16string pathText(path.View());
    std::u16string target = ApplicationCommand(tweak->GetID().View());
    return SHCreateShortcut(pathText.data(), target.data()) != 0;
}

bool RemoveToggleShortcut(CTweakBase* tweak) { return DeleteFileW(ToggleShortcutPath(tweak)) != 0; }
