// The application's resources, as its resource script holds them on the device; registered
// under the program's instance handle when the program loads.
#include <CePlatform/Resources.h>
#include <windows.h>

#include "resource.h"

namespace {

ce::res::Table ApplicationResources() {
    ce::res::Table table;
    table.strings = {{IDR_MAINFRAME, u"Quenvale"}};
    table.dialogs = {
        {.id = IDD_INFODLG,
         .style = WS_POPUP | WS_CAPTION | DS_SETFONT | DS_MODALFRAME,
         .cx = 116,
         .cy = 49,
         .caption = u"Info",
         .fontName = u"MS Shell Dlg",
         .fontSize = 8,
         .controls = {{.id = IDC_INFO_TEXT,
                       .className = u"STATIC",
                       .text = u"Info text",
                       .x = 7,
                       .y = 7,
                       .cx = 102,
                       .cy = 35,
                       .style = SS_CENTER | SS_CENTERIMAGE}}},
    };
    return table;
}

// Resources belong to the module from its start, as the device's loader maps them.
const bool g_registered = [] {
    ce::res::RegisterResources(GetModuleHandleW(nullptr), ApplicationResources());
    return true;
}();

}  // namespace
