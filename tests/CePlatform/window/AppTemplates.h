// The tweak manager's resources as its program registers them: the frame's menu 128, the view
// dialog 107, the splash 204 with its bitmap 203, the About box 100 with icon 128, and the Info
// window 206, each as its resource script gives it. The About box's three publisher lines are the
// program's own to write; these have the lengths such lines have.
#pragma once

#include <CePlatform/Resources.h>
#include <windows.h>

#include "CePlatform/window/BmpMaker.h"

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
    using ce::res::Control;
    const DWORD picker = CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
    const DWORD box = BS_AUTOCHECKBOX | WS_TABSTOP;
    auto text = [](const char16_t* label, int x, int y, int cx, int cy, DWORD style) {
        return Control{.className = u"STATIC", .text = label, .x = x, .y = y, .cx = cx, .cy = cy,
                       .style = style};
    };
    ce::res::Table table;
    table.strings = {{128, u"Quenvale"}};
    table.menus = {{kMenu,
                    {{u"Done", kDone},
                     {u"Menu", 0, {{u"Restore", kRestore}, {u"Help", 0, {{u"About", kAboutCommand}}}}}}}};
    table.dialogs = {
        {.id = kView,
         .style = WS_CHILD,
         .cx = 142,
         .cy = 121,
         .fontName = u"MS Sans Serif",
         .controls = {text(u"Category:", 2, 9, 37, 8, SS_LEFT),
                      {.id = kCategory, .className = u"COMBOBOX", .x = 40, .y = 7, .cx = 98, .cy = 30,
                       .style = picker},
                      text(u"Tweak:", 2, 21, 36, 8, SS_LEFT),
                      {.id = kTweak, .className = u"COMBOBOX", .x = 40, .y = 21, .cx = 98, .cy = 30,
                       .style = picker},
                      {.id = kEnable, .className = u"BUTTON", .text = u"Enable", .x = 5, .y = 35,
                       .cx = 37, .cy = 10, .style = box},
                      {.id = kShortcut, .className = u"BUTTON", .text = u"Create toggle shortcut",
                       .x = 50, .y = 35, .cx = 85, .cy = 10, .style = box},
                      {.id = kDescription, .className = u"EDIT", .x = 2, .y = 46, .cx = 136, .cy = 38,
                       .style = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL |
                                WS_BORDER | WS_TABSTOP}}},
        {.id = kSplash,
         .style = WS_POPUP,
         .cx = 318,
         .cy = 302,
         .fontName = u"MS Shell Dlg",
         .controls = {{.id = kSplashBitmap, .className = u"STATIC", .x = 25, .y = 12, .cx = 55,
                       .cy = 58, .style = SS_BITMAP, .imageId = kSplashBitmap}}},
        {.id = kAbout,
         .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
         .exStyle = WS_EX_CAPTIONOKBTN,
         .cx = 131,
         .cy = 89,
         .caption = u"About",
         .fontName = u"MS Sans Serif",
         .controls = {{.className = u"STATIC", .x = 11, .y = 17, .cx = 20, .cy = 20, .style = SS_ICON,
                       .imageId = kIcon},
                      text(u"Quenvale 2008", 39, 14, 75, 8, SS_LEFT | SS_NOPREFIX),
                      text(u"- version v2.0 -", 44, 25, 64, 13, SS_LEFT),
                      text(kNotice, 7, 39, 117, 11, SS_CENTER),
                      text(kPublisher, 7, 52, 117, 7, SS_CENTER),
                      text(kWebAddress, 22, 66, 90, 8, SS_CENTER)}},
        {.id = kInfo,
         .style = WS_POPUP | WS_CAPTION,
         .cx = 116,
         .cy = 49,
         .caption = u"Info",
         .fontName = u"MS Shell Dlg",
         .controls = {{.id = kInfoText, .className = u"STATIC", .text = u"Info text", .x = 7, .y = 7,
                       .cx = 102, .cy = 35, .style = SS_CENTER | SS_CENTERIMAGE}}},
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
