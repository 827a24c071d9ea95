// A program's resources: what its resource script holds on the device (dialog templates, menus,
// the string table, bitmaps and icons), declared in C++ and registered once at start under the
// program's instance handle:
//
//     ce::res::Table table;
//     table.strings = {{128, u"Quenvale"}};
//     table.dialogs = {{.id = 206, .style = WS_POPUP | WS_CAPTION, .cx = 116, .cy = 49,
//                       .caption = u"Info", .fontName = u"MS Shell Dlg", .fontSize = 8,
//                       .controls = {{.id = 1010, .className = u"STATIC", .text = u"Info text",
//                                     .x = 7, .y = 7, .cx = 102, .cy = 35, .style = SS_CENTER}}}};
//     ce::res::RegisterResources(GetModuleHandleW(nullptr), std::move(table));
//
// The window system's functions (DialogBoxParamW, LoadStringW, SHCreateMenuBar, LoadIconW, ...)
// then find them by instance handle and id; an id that the table lacks gives those functions'
// failure result with ERROR_RESOURCE_NAME_NOT_FOUND.
//
// Units: positions and sizes are dialog units; one unit is one pixel, a character cell is 4 x 8
// pixels, and edges are rounded to the nearest cell when drawn.
#pragma once

#include <CeWindow/Api.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ce::res {

// A control of a dialog template. It is created as a child of the dialog with
// style | WS_CHILD | WS_VISIBLE (the resource compiler's defaults) and control id `id` (-1: none).
struct Control {
    int id = -1;
    std::u16string className{};  // "STATIC", "BUTTON", "COMBOBOX", "EDIT" or a registered class
    std::u16string text{};
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    // An SS_BITMAP or SS_ICON static shows this bitmap or icon resource: the control is created
    // with MAKEINTRESOURCEW(imageId) as its window name, as on the device. 0: use `text`.
    UINT imageId = 0;
};

// A control as a resource script's line gives it: id (-1 for a label), class, text, place, size
// and style; `imageId` for an SS_BITMAP or SS_ICON static.
inline Control MakeControl(int id, std::u16string className, std::u16string text, int x, int y,
                           int cx, int cy, DWORD style = 0, UINT imageId = 0) {
    return {id, std::move(className), std::move(text), x, y, cx, cy, style, /*exStyle=*/0, imageId};
}

struct Dialog {
    UINT id = 0;
    DWORD style = 0;  // WS_VISIBLE makes a modeless dialog show at once
    DWORD exStyle = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    std::u16string caption{};
    std::u16string fontName{};  // recorded; the terminal has one font
    int fontSize = 8;
    std::u16string className{};  // empty: the system dialog class
    std::vector<Control> controls{};
};

// A menu item: a command, or (with a non-empty popup) an item that opens a popup menu.
struct MenuItem {
    std::u16string text{};
    UINT id = 0;
    std::vector<MenuItem> popup{};
};

struct Menu {
    UINT id = 0;
    std::vector<MenuItem> items{};
};

struct String {
    UINT id = 0;
    std::u16string text{};
};

// A bitmap or an icon: the bytes of an uncompressed 24-bit BMP (with or without the 14-byte file
// header), e.g. embedded from data/ at build time. Broken data draws nothing.
struct Image {
    UINT id = 0;
    std::vector<uint8_t> bmp{};
};

struct Table {
    std::vector<Dialog> dialogs{};
    std::vector<Menu> menus{};
    std::vector<String> strings{};
    std::vector<Image> bitmaps{};
    std::vector<Image> icons{};
};

// Registers the program's resources under `instance` (the program passes
// GetModuleHandleW(nullptr)), replacing what was registered under it before. Never throws.
CEWINDOW_API void RegisterResources(HINSTANCE instance, Table table);

}  // namespace ce::res
