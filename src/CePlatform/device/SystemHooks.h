// Hooks through which the window system (the CeWindow library) answers the device queries that
// belong to it.
#pragma once

#include <windows.h>

namespace ce {

// Answers the SystemParametersInfoW actions other than SPI_GETPLATFORMTYPE (SPI_GETWORKAREA).
using SystemParametersHook = BOOL (*)(UINT uiAction, UINT uiParam, PVOID pvParam, UINT fWinIni);
CEPLATFORM_API void SetSystemParametersHook(SystemParametersHook hook);

}  // namespace ce
