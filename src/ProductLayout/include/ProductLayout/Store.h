// The tweak library's own store in HKEY_LOCAL_MACHINE. Each tweak, by its ID, has a key in each
// of two folders under "Software\Quenvale": "TweaksBackup" holds the state that its Backup saved,
// "TweaksSettings" the mark "BackupDone".
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

enum EStoreFolder {
    kStoreBackup,    // TweaksBackup
    kStoreSettings,  // TweaksSettings
};

// The path of the tweak's key in the folder, below HKEY_LOCAL_MACHINE.
std::u16string StoreKeyPath(EStoreFolder folder, std::u16string_view id);

// The value of the tweak's settings key that says its first backup was taken: a DWORD, not 0
// once it was.
inline constexpr WCHAR kBackupDoneValue[] = u"BackupDone";
