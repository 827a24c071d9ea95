// The application's resources, as its resource script holds them on the device; registered
// under the program's instance handle when the program loads.
#include <CeWindow/Resources.h>
#include <ProductLayout/Install.h>
#include <windows.h>

#include "Bitmaps.h"
#include "resource.h"

namespace {

using ce::res::Control;
using ce::res::Dialog;

Control Static(std::u16string text, int x, int y, int cx, int cy, DWORD style = SS_LEFT) {
    return {.className = u"STATIC",
            .text = std::move(text),
            .x = x,
            .y = y,
            .cx = cx,
            .cy = cy,
            .style = style};
}

// Template 107: the tweak view, a child dialog over the frame's client area.
Dialog ViewTemplate() {
    const DWORD picker = CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
    const DWORD box = BS_AUTOCHECKBOX | WS_TABSTOP;
    return {.id = IDD_FENNARO_FORM,
            .style = WS_CHILD | WS_VISIBLE | DS_SETFONT | DS_CONTROL,
            .cx = 142,
            .cy = 121,
            .fontName = u"MS Sans Serif",
            .fontSize = 8,
            .controls = {
                Static(u"Category:", 2, 9, 37, 8),
                {.id = IDC_CATEGORY,
                 .className = u"COMBOBOX",
                 .x = 40,
                 .y = 7,
                 .cx = 98,
                 .cy = 30,
                 .style = picker},
                Static(u"Tweak:", 2, 21, 36, 8),
                {.id = IDC_TWEAK,
                 .className = u"COMBOBOX",
                 .x = 40,
                 .y = 21,
                 .cx = 98,
                 .cy = 30,
                 .style = picker},
                {.id = IDC_ENABLE,
                 .className = u"BUTTON",
                 .text = u"Enable",
                 .x = 5,
                 .y = 35,
                 .cx = 37,
                 .cy = 10,
                 .style = box},
                {.id = IDC_SHORTCUT,
                 .className = u"BUTTON",
                 .text = u"Create toggle shortcut",
                 .x = 50,
                 .y = 35,
                 .cx = 85,
                 .cy = 10,
                 .style = box},
                {.id = IDC_DESCRIPTION,
                 .className = u"EDIT",
                 .x = 2,
                 .y = 46,
                 .cx = 136,
                 .cy = 38,
                 .style = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER |
                          WS_TABSTOP},
            }};
}

// Template 204: the splash screen, with the product bitmap.
Dialog SplashTemplate() {
    return {.id = IDD_SPLASH,
            .style = WS_POPUP | DS_SETFONT,
            .cx = 318,
            .cy = 302,
            .fontName = u"MS Shell Dlg",
            .fontSize = 8,
            .controls = {{.id = IDC_SPLASH_BITMAP,
                          .className = u"STATIC",
                          .x = 25,
                          .y = 12,
                          .cx = 55,
                          .cy = 58,
                          .style = SS_BITMAP,
                          .imageId = IDB_SPLASH}}};
}

// Template 100: the About box, closed by the OK button of its caption.
Dialog AboutTemplate() {
    return {.id = IDD_ABOUTBOX,
            .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
            .exStyle = WS_EX_CAPTIONOKBTN,
            .cx = 131,
            .cy = 89,
            .caption = u"About",
            .fontName = u"MS Sans Serif",
            .fontSize = 8,
            .controls = {
                {.className = u"STATIC",
                 .x = 11,
                 .y = 17,
                 .cx = 20,
                 .cy = 20,
                 .style = SS_ICON,
                 .imageId = IDR_MAINFRAME},
                Static(u"Quenvale 2008", 39, 14, 75, 8, SS_LEFT | SS_NOPREFIX),
                Static(u"- version v2.0 -", 44, 25, 64, 13),
                Static(u"Free to use and share", 7, 39, 117, 11, SS_CENTER),
                Static(u"The Quenvale team", 7, 52, 117, 7, SS_CENTER),
                Static(u"quenvale.example", 22, 66, 90, 8, SS_CENTER),
            }};
}

// Template 206: the Info window of a toggle from the command line.
Dialog InfoTemplate() {
    return {.id = IDD_INFODLG,
            .style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT,
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
                          .style = SS_CENTER | SS_CENTERIMAGE}}};
}

ce::res::Table ApplicationResources() {
    ce::res::Table table;
    table.strings = {{IDR_MAINFRAME, kWindowName}};
    table.menus = {
        {IDR_MAINFRAME,
         {{u"Done", ID_APP_EXIT},
          {u"Menu", 0, {{u"Restore", ID_RESTORE}, {u"Help", 0, {{u"About", ID_APP_ABOUT}}}}}}}};
    table.dialogs = {ViewTemplate(), SplashTemplate(), AboutTemplate(), InfoTemplate()};
    table.bitmaps = {{IDB_SPLASH, SplashBitmapBytes()}};
    table.icons = {{IDR_MAINFRAME, IconBytes()}};
    return table;
}

// Resources belong to the module from its start, as the device's loader maps them.
[[maybe_unused]] const bool g_registered = [] {
    ce::res::RegisterResources(GetModuleHandleW(nullptr), ApplicationResources());
    return true;
}();

}  // namespace
