// The two passes over every view item: apply what the user asked for, and restore every tweak to
// the state recorded before the first change. Each reports its failures in message boxes owned
// by `owner`, one box per failing tweak, in catalogue order.
#pragma once

#include <windows.h>

#include "TweakViewItem.h"

// Applies every item's pending changes in list order, reporting each failure ("Error"). Then
// tells the desktop that settings changed (always, also when nothing changed) and, when a tweak
// changed in this pass or an earlier one needs a restart, asks to restart the device now and
// does so on Yes. True when every item applied without error.
bool ApplyAllItems(HWND owner, const CTweakViewItemList& items);

// Asks for confirmation, then restores every item in list order, reporting each failure. Toggle
// shortcuts are left as they are; no settings change is sent and no restart offered.
void RestoreAllItems(HWND owner, const CTweakViewItemList& items);
