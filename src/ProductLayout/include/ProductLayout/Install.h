// The application on the device: where its installer puts it, the Start-menu entries that start
// it, and the name it runs under.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The install name: the folder under "\Program Files", the key under "\Security\AppInstall" and
// the name of the installer's Start-menu entry.
inline constexpr WCHAR kInstallName[] = u"Quenvale";

// The application's window name (string 128 of its resources): the class and title of its frame,
// and the name of the mutex that keeps it to one instance per device.
inline constexpr WCHAR kWindowName[] = u"Quenvale";

// The extension of a Start-menu entry's file.
inline constexpr WCHAR kShortcutExtension[] = u".lnk";

// The device path of one of the shell's special folders (CSIDL_STARTMENU, CSIDL_PROGRAMS,
// CSIDL_PROGRAM_FILES), without a trailing "\"; "" when the shell does not know the folder.
std::u16string SpecialFolderPath(int folder);

// The installed program: "\Program Files\Quenvale\Fennaro.exe", whatever program asks.
std::u16string ApplicationPath();

// What a Start-menu entry that starts the installed application holds as its target: the
// program's path in double quotes, then one blank and `argument` unless that is empty.
std::u16string ApplicationCommand(std::u16string_view argument);

// The special folder that holds the application's Start-menu entries: the Start menu itself on
// a Smartphone (CSIDL_STARTMENU), its Programs folder on any other platform (CSIDL_PROGRAMS).
int ShortcutFolder(bool smartphone);

// A display name as a Start-menu entry's file name (without ".lnk"): a "/", which separates
// folders, becomes "-".
std::u16string ShortcutFileName(std::u16string_view name);

// The device path of the Start-menu entry for the display name `name`: the path of
// ShortcutFolder(smartphone), "\", ShortcutFileName(name) and ".lnk".
std::u16string ShortcutPath(bool smartphone, std::u16string_view name);
