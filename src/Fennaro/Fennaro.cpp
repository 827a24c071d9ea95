// The tweak manager's entry. With a command line it toggles the tweak of that ID and shows the
// outcome; without one it runs the user interface.
#include <CePlatform/Screen.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "Startup.h"

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
    if (check != S_OK) return static_cast<int>(check);
    return RunUserInterface(hInstance, nShowCmd);
}
