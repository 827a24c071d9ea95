// The tweak manager's entry. With a command line it toggles the tweak of that ID and shows the
// outcome; without one it runs the user interface.
//
// What the program says on the host's standard error when it cannot start (the device has no
// other place to show it) is written here; see the exit statuses in the README.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <CeWindow/Screen.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "Startup.h"

namespace {

// Why the single-instance check under `windowName` failed, in a few words.
std::string CheckFailure(HRESULT check, const CWideString& windowName) {
    return check == E_INVALIDARG ? "the name \"" + ce::ToUtf8(windowName.View()) +
                                       "\" belongs to another kind of object"
                                 : "its instance mutex cannot be created";
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPWSTR lpCmdLine,
                   int nShowCmd) {
    if (lpCmdLine != nullptr && lpCmdLine[0] != 0) {
        RunCommandLineToggle(CWideString(lpCmdLine));
        return 0;
    }
    // Without a person at the keys the user interface would wait for ever: say so instead.
    std::string reason;
    if (!ce::screen::IsInteractive(&reason)) {
        std::fprintf(stderr,
                     "Fennaro: cannot show the tweak manager: %s.\n"
                     "Start it in a terminal, or give a tweak ID to toggle that tweak.\n",
                     reason.c_str());
        return 2;
    }
    // Kept until the end: the frame's class is registered under it.
    const CWideString windowName = LoadWindowName(hInstance);
    const HRESULT check = CheckSingleInstance(windowName);
    const std::string device = ce::SelectedDevicePath().string();
    if (check == kAnotherInstanceBroughtForward) {
        std::fprintf(stderr,
                     "Fennaro: the tweak manager already runs on the device %s; it was brought "
                     "to the front.\n",
                     device.c_str());
        return static_cast<int>(check);
    }
    if (check != S_OK) {
        std::fprintf(stderr, "Fennaro: the tweak manager cannot start on the device %s: %s.\n",
                     device.c_str(), CheckFailure(check, windowName).c_str());
        return static_cast<int>(check);
    }
    return RunUserInterface(hInstance, nShowCmd, windowName);
}
