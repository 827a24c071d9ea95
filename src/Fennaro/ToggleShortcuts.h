// Toggle shortcuts: one Start-menu shortcut per tweak, which starts the application with the
// tweak's ID as its whole command line. The file's presence is the shortcut's only state.
#pragma once

#include <Lorrimek/TweakBase.h>
#include <Lorrimek/WideString.h>

// The shortcut's device path: the tweak's display name as a Start-menu entry of this device's
// edition (see ShortcutPath).
CWideString ToggleShortcutPath(CTweakBase* tweak);

// Whether the tweak's shortcut file exists now.
bool ToggleShortcutExists(CTweakBase* tweak);

// Replaces the tweak's shortcut by a new one that starts the installed application with the
// tweak's ID; true when it was created.
bool CreateToggleShortcut(CTweakBase* tweak);

// Deletes the tweak's shortcut; true when a file was deleted.
bool RemoveToggleShortcut(CTweakBase* tweak);
