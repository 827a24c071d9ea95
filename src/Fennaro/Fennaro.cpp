// The tweak manager's entry. With a command line it toggles the tweak of that ID and shows the
// outcome; without one it runs the user interface.
//
// What the program says on the host's standard error when it cannot start (the device has no
// other place to show it) is written here; see the exit statuses in the README.
#include <CePlatform/Device.h>
#include <CeWindow/Screen.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "Startup.h"

namespace {

// Why the single-instance check failed, in a few words.
const char* CheckFailure(HRESULT check) {
    return check == E_INVALIDARG ? "the name \"Quenvale\" belongs to another kind of object"
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
    const HRESULT check = CheckSingleInstance(hInstance);
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
                     device.c_str(), CheckFailure(check));
        return static_cast<int>(check);
    }
    return RunUserInterface(hInstance, nShowCmd);
}
