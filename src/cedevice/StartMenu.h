// The device tool's commands for the Start menu and the application on the device: the
// installer, the list of Start-menu entries, a tap on one of them, and the catalogue as the
// device sees it. Each works on `device`, the current device, and throws std::runtime_error with a
// message for the user when it fails.
#pragma once

#include <CePlatform/Device.h>

#include <string>
#include <vector>

// Places "\Program Files\Quenvale\Fennaro.exe" (a marker file) and the Start-menu entry
// "Quenvale.lnk" that starts it (in the Start menu on a Smartphone, in its Programs folder
// otherwise), and prints one line for each: "placed ...", "in place already: ..." or
// "replaced ..." (an entry that did not start the application). Returns 0.
int InstallApplication(ce::Device& device);

// One Start-menu entry: its device path, and its target or why it is no shortcut.
struct StartMenuItem {
    std::u16string path;
    std::u16string target;
    std::string problem;  // "" for a shortcut
};

// Every Start-menu entry (a file named *.lnk) of the Start menu, then of its Programs folder,
// each folder sorted without regard to case.
std::vector<StartMenuItem> StartMenuItems(const ce::Device& device);

// Prints StartMenuItems: "PATH -> TARGET", or "PATH (not a shortcut: REASON)". Returns 0.
int ListStartMenu(ce::Device& device);

// Does what tapping the entry `name` does (its file name, with or without ".lnk", matched without
// regard to case; the first match of ListStartMenu's order wins): runs this machine's Fennaro for
// the installed application, with the rest of the target as its one argument, and returns its
// exit status (128 + the signal's number when a signal ended it); journals the settings page that
// a "\Windows\settings.exe" target opens and returns 0. Throws for any other target, a missing
// application, an entry that is missing or no shortcut. Closes the device before Fennaro starts.
int TapStartMenuEntry(ce::Device& device, const std::string& name);

// One tweak of the catalogue as the device sees it.
struct TweakRow {
    std::string category;
    std::u16string name;
    bool supported = false;
    bool enabled = false;
    bool backedUp = false;  // its first backup was taken
    bool shortcut = false;  // its toggle shortcut exists
    std::u16string id;
};

// The catalogue in its order. Building it creates the tweaks' own store keys.
std::vector<TweakRow> TweakRows(ce::Device& device);

// Prints TweakRows one a line under a header: category, display name, supported, enabled, backed
// up, toggle shortcut, then the ID when `withIds`. Returns 0.
int ListTweaks(ce::Device& device, bool withIds);
