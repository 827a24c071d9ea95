// Toggle shortcuts: one Start-menu shortcut per tweak, which starts the application with the
// tweak's ID as its whole command line. The file's presence is the shortcut's only state.
#pragma once

#include <Lorrimek/TweakBase.h>
#include <Lorrimek/WideString.h>

// The device path of one of the shell's special folders (CSIDL_STARTMENU, CSIDL_PROGRAMS,
// CSIDL_PROGRAM_FILES), without a trailing "\"; "" when the shell does not know the folder.
CWideString SpecialFolderPath(int folder);

// The folder of the application's Start-menu shortcuts: the Start menu itself on a Smartphone,
// its Programs folder on any other platform.
CWideString ShortcutFolderPath();

// A display name as the shortcut's file name (without ".lnk"): a "/", which separates folders,
// becomes "-".
CWideString ShortcutFileName(const CWideString& name);

// The shortcut's device path: ShortcutFolderPath(), "\", the tweak's display name (a "/" becoming
// "-", which a file name cannot hold) and ".lnk".
CWideString ToggleShortcutPath(CTweakBase* tweak);

// Where the application is installed: "\Program Files\Quenvale\Fennaro.exe", whatever program is
// running.
CWideString ApplicationPath();

// Whether the tweak's shortcut file exists now.
bool ToggleShortcutExists(CTweakBase* tweak);

// Replaces the tweak's shortcut by a new one that starts the installed application with the
// tweak's ID; true when it was created.
bool CreateToggleShortcut(CTweakBase* tweak);

// Deletes the tweak's shortcut; true when a file was deleted.
bool RemoveToggleShortcut(CTweakBase* tweak);
