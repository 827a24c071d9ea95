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
using ce::res::MakeControl;

Control Static(std::u16string text, int x, int y, int cx, int cy, DWORD style = SS_LEFT) {
    return MakeControl(-1, u"STATIC", std::move(text), x, y, cx, cy, style);
}

// Template 107: the tweak view, a child dialog over the frame's client area.
Dialog ViewTemplate() {
    const DWORD picker = CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
    const DWORD box = BS_AUTOCHECKBOX | WS_TABSTOP;
    return {
        .id = IDD_FENNARO_FORM,
        .style = WS_CHILD | WS_VISIBLE | DS_SETFONT | DS_CONTROL,
        .cx = 142,
        .cy = 121,
        .fontName = u"MS Sans Serif",
        .fontSize = 8,
        .controls = {
            Static(u"Category:", 2, 9, 37, 8),
            MakeControl(IDC_CATEGORY, u"COMBOBOX", u"", 40, 7, 98, 30, picker),
            Static(u"Tweak:", 2, 21, 36, 8),
            MakeControl(IDC_TWEAK, u"COMBOBOX", u"", 40, 21, 98, 30, picker),
            MakeControl(IDC_ENABLE, u"BUTTON", u"Enable", 5, 35, 37, 10, box),
            MakeControl(IDC_SHORTCUT, u"BUTTON", u"Create toggle shortcut", 50, 35, 85, 10, box),
            MakeControl(
                IDC_DESCRIPTION, u"EDIT", u"", 2, 46, 136, 38,
                ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP),
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
            .controls = {MakeControl(IDC_SPLASH_BITMAP, u"STATIC", u"", 25, 12, 55, 58, SS_BITMAP,
                                     IDB_SPLASH)}};
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
                MakeControl(-1, u"STATIC", u"", 11, 17, 20, 20, SS_ICON, IDR_MAINFRAME),
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
            .controls = {MakeControl(IDC_INFO_TEXT, u"STATIC", u"Info text", 7, 7, 102, 35,
                                     SS_CENTER | SS_CENTERIMAGE)}};
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
