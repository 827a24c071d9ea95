// The tweak manager's resources as its program registers them: the frame's menu 128, the view
// dialog 107, the splash 204 with its bitmap 203, the About box 100 with icon 128, and the Info
// window 206, each as its resource script gives it. The About box's three publisher lines are the
// program's own to write; these have the lengths such lines have.
#pragma once

#include <CePlatform/Resources.h>
#include <windows.h>

#include "CePlatform/window/BmpMaker.h"
#include "CePlatform/window/CoreSupport.h"

namespace test::app {

enum : UINT {
    kMenu = 128,
    kIcon = 128,
    kAbout = 100,
    kView = 107,
    kSplash = 204,
    kSplashBitmap = 203,
    kInfo = 206,
};

enum : int {
    kCategory = 1015,
    kTweak = 1016,
    kEnable = 1003,
    kShortcut = 1004,
    kDescription = 1005,
    kInfoText = 1010,
    kDone = 57665,
    kRestore = 32773,
    kAboutCommand = 57664,
};

inline constexpr const char16_t* kNotice = u"Free software, no warranty";
inline constexpr const char16_t* kPublisher = u"The Quenvale developers";
inline constexpr const char16_t* kWebAddress = u"https://quenvale.example.org";

inline ce::res::Table Resources() {
    const DWORD picker = CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
    const DWORD box = BS_AUTOCHECKBOX | WS_TABSTOP;
    const DWORD description =
        ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP;
    ce::res::Table table;
    table.strings = {{128, u"Quenvale"}};
    table.menus = {
        {kMenu,
         {{u"Done", kDone},
          {u"Menu", 0, {{u"Restore", kRestore}, {u"Help", 0, {{u"About", kAboutCommand}}}}}}}};
    table.dialogs = {
        {.id = kView,
         .style = WS_CHILD,
         .cx = 142,
         .cy = 121,
         .fontName = u"MS Sans Serif",
         .controls = {Ctl(-1, u"STATIC", u"Category:", 2, 9, 37, 8, SS_LEFT),
                      Ctl(kCategory, u"COMBOBOX", u"", 40, 7, 98, 30, picker),
                      Ctl(-1, u"STATIC", u"Tweak:", 2, 21, 36, 8, SS_LEFT),
                      Ctl(kTweak, u"COMBOBOX", u"", 40, 21, 98, 30, picker),
                      Ctl(kEnable, u"BUTTON", u"Enable", 5, 35, 37, 10, box),
                      Ctl(kShortcut, u"BUTTON", u"Create toggle shortcut", 50, 35, 85, 10, box),
                      Ctl(kDescription, u"EDIT", u"", 2, 46, 136, 38, description)}},
        {.id = kSplash,
         .style = WS_POPUP,
         .cx = 318,
         .cy = 302,
         .fontName = u"MS Shell Dlg",
         .controls = {Ctl(kSplashBitmap, u"STATIC", u"", 25, 12, 55, 58, SS_BITMAP,
                          kSplashBitmap)}},
        {.id = kAbout,
         .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
         .exStyle = WS_EX_CAPTIONOKBTN,
         .cx = 131,
         .cy = 89,
         .caption = u"About",
         .fontName = u"MS Sans Serif",
         .controls = {Ctl(-1, u"STATIC", u"", 11, 17, 20, 20, SS_ICON, kIcon),
                      Ctl(-1, u"STATIC", u"Quenvale 2008", 39, 14, 75, 8, SS_LEFT | SS_NOPREFIX),
                      Ctl(-1, u"STATIC", u"- version v2.0 -", 44, 25, 64, 13, SS_LEFT),
                      Ctl(-1, u"STATIC", kNotice, 7, 39, 117, 11, SS_CENTER),
                      Ctl(-1, u"STATIC", kPublisher, 7, 52, 117, 7, SS_CENTER),
                      Ctl(-1, u"STATIC", kWebAddress, 22, 66, 90, 8, SS_CENTER)}},
        {.id = kInfo,
         .style = WS_POPUP | WS_CAPTION,
         .cx = 116,
         .cy = 49,
         .caption = u"Info",
         .fontName = u"MS Shell Dlg",
         .controls = {Ctl(kInfoText, u"STATIC", u"Info text", 7, 7, 102, 35,
                          SS_CENTER | SS_CENTERIMAGE)}},
    };
    auto grey = [](int x, int y) {
        const auto level = static_cast<uint8_t>((x + y) % 256);
        return ce::win::Rgb{level, level, level};
    };
    table.bitmaps = {{kSplashBitmap, MakeBmp(172, 74, grey)}};
    table.icons = {{kIcon, MakeBmp(16, 16, grey)}};
    return table;
}

}  // namespace test::app
