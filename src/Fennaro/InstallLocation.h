// Where the application's installer puts it on the device and the name it registers under. The
// device tool's installer uses the same names.
#pragma once

#include <windows.h>

// The install name: the folder under "\Program Files", the key under "\Security\AppInstall"
// and the Start-menu entry's name.
inline constexpr WCHAR kInstallName[] = u"Quenvale";
// The program's file in that folder.
inline constexpr WCHAR kProgramFileName[] = u"Fennaro.exe";
