// The application's two roads: the command-line toggle of one tweak, and the user interface
// with its single-instance check and message loop.
#pragma once

#include <Lorrimek/WideString.h>
#include <objbase.h>
#include <windows.h>

// Outcomes of a toggle.
enum EToggleOutcome {
    kToggleEnabled = 0,        // the tweak was off and Enable returned 0
    kToggleDisabled = 1,       // the tweak was on and Disable returned 0
    kToggleInvalidID = 2,      // no tweak has the ID
    kToggleEnableFailed = 3,   // Enable returned *errorCode
    kToggleDisableFailed = 4,  // Disable returned *errorCode
};

// Switches the tweak whose ID is `id` (the whole text, compared exactly): disables it when it is
// enabled, enables it otherwise. A tweak never backed up has its first backup taken before, so
// that its original state survives a first change made this way; when that backup fails the
// tweak is left as it is and the outcome is the failed enable or disable, with the backup's
// code. *errorCode gets the code (0 when nothing failed), *name the tweak's display name (""
// without a tweak).
EToggleOutcome ToggleTweakByID(const CWideString& id, int* errorCode, CWideString* name);

// The text that reports a toggle's outcome.
CWideString ToggleMessage(EToggleOutcome outcome, int errorCode, const CWideString& name);

// Toggles the tweak and shows the outcome in the Info window for 2000 ms.
void RunCommandLineToggle(const CWideString& id);

// The window name: string 128 of `instance` ("" when it has none). The single-instance check
// and the frame's class registration both take it.
CWideString LoadWindowName(HINSTANCE instance);

// The single-instance check's answer when another instance was brought to the front.
constexpr HRESULT kAnotherInstanceBroughtForward = 1;

// Single-instance check under the window name: S_OK when this is the only instance (the mutex
// stays open until the process ends), kAnotherInstanceBroughtForward when the running instance's
// window was brought forward, E_FAIL (also for an empty name) or E_INVALIDARG when the check
// failed. Tries 25 times, 100 ms apart while the other instance has no window yet; after that
// this process runs as a further instance (S_OK).
HRESULT CheckSingleInstance(const CWideString& windowName);

// The user interface: COM and the common controls, the module, the main frame (its class
// registered under the window name) and its message loop. Returns the loop's result (1 after the
// frame closed), 0 when the frame was not created.
int RunUserInterface(HINSTANCE instance, int showCommand, const CWideString& windowName);
