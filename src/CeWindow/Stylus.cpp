// The stylus: taps and the wheel, from the terminal's mouse or from tests, routed to the window
// drawn under them (or to the window that holds the stylus), with the activation that a tap
// brings; and the shell's own places to tap: the soft-key row and the caption's OK button.
#include "WindowSystem.h"

namespace ce::win {

namespace {

// A tap on a cell is a tap on its centre, in screen pixels.
POINT CellCentre(int column, int row) {
    return POINT{column * kCellWidth + kCellWidth / 2, row * kCellHeight + kCellHeight / 2};
}

// Whether the window and every window that holds it are enabled.
bool EnabledWithAncestors(HWND hwnd) {
    for (const Window* window = FindWindowObject(hwnd, false); window;
         window = window->IsChild() ? FindWindowObject(window->parent, false) : nullptr) {
        if (window->style & WS_DISABLED) return false;
    }
    return true;
}

// The window that takes a stylus event on a cell when nothing holds the stylus: on the soft-key
// row the active window's soft-key bar; else the window drawn there when it and the windows
// holding it are enabled. Null when none does.
HWND WindowUnder(int column, int row) {
    if (row == ScreenRows() - 1) {
        if (const HWND bar = ActiveSoftKeyBar()) return bar;
    }
    const HWND hwnd = WindowAtCell(column, row);
    return hwnd && EnabledWithAncestors(hwnd) ? hwnd : nullptr;
}

// The window whose caption's OK button a tap on the cell presses: "[ok]" on the task bar, or the
// left soft key "OK" of a window without a soft-key bar. Null elsewhere.
HWND CaptionOkAt(int column, int row) {
    const HWND owner = CaptionOkOwner();
    if (!owner) return nullptr;
    const RECT ok = CaptionOkCells();
    if (row == ok.top && column >= ok.left && column < ok.right) return owner;
    const bool leftSoftKey = row == ScreenRows() - 1 && SoftKeyAt(column) == 0;
    return leftSoftKey && !ActiveSoftKeyBar() ? owner : nullptr;
}

LPARAM ClientPoint(HWND hwnd, POINT screen) {
    const Window* window = FindWindowObject(hwnd, false);
    const RECT rect = window ? ScreenRect(*window) : RECT{};
    return MAKELPARAM(screen.x - rect.left, screen.y - rect.top);
}

// The top-level window of a tapped window comes forward, as a tap does on the device.
void ActivateTapped(HWND hwnd) {
    const HWND top = TopLevelOf(hwnd);
    if (top && top != Sys().active) SetActiveWindow(top);
}

}  // namespace

void CaptureStylus(HWND hwnd) {
    Sys().stylusCapture = FindWindowObject(hwnd, false) ? hwnd : nullptr;
}

HWND StylusCapture() { return Sys().stylusCapture; }

POINT StylusCell(HWND hwnd, LPARAM lParam) {
    const Window* window = FindWindowObject(hwnd, false);
    if (!window) return POINT{-1, -1};
    // The point, back in screen pixels, is the centre of the cell tapped.
    const RECT rect = ScreenRect(*window);
    const RECT cells = PixelsToCells(rect);
    const LONG x = rect.left + static_cast<short>(LOWORD(lParam));
    const LONG y = rect.top + static_cast<short>(HIWORD(lParam));
    return POINT{x / kCellWidth - cells.left, y / kCellHeight - cells.top};
}

bool StylusOn(HWND hwnd, LPARAM lParam) {
    const POINT cell = StylusCell(hwnd, lParam);
    const RECT cells = WindowCells(hwnd);
    return WindowAtCell(cells.left + cell.x, cells.top + cell.y) == hwnd;
}

int WheelNotches(WPARAM wParam) { return static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA; }

bool StylusMessage(const StylusEvent& event, bool remove, MSG* msg) {
    const POINT point = CellCentre(event.column, event.row);
    const auto time = static_cast<DWORD>(NowMs());
    HWND target = StylusCapture();
    if (event.kind == StylusEvent::Kind::kWheel) {
        if (!target) target = WindowUnder(event.column, event.row);
        if (!target) return false;
        *msg = MSG{target,
                   WM_MOUSEWHEEL,
                   MAKEWPARAM(0, event.notches * WHEEL_DELTA),
                   MAKELPARAM(point.x, point.y),
                   time,
                   point};
        return true;
    }
    const bool down = event.kind == StylusEvent::Kind::kDown;
    if (!target) {
        if (const HWND owner = down ? CaptionOkAt(event.column, event.row) : nullptr) {
            *msg = CaptionOkCommand(owner);
            return true;
        }
        target = WindowUnder(event.column, event.row);
        if (target && down && remove) {
            ActivateTapped(target);
            if (!FindWindowObject(target, false)) target = nullptr;
        }
        if (!target) return false;
    }
    const UINT message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    *msg = MSG{target, message, down ? MK_LBUTTON : 0u, ClientPoint(target, point), time, point};
    return true;
}

}  // namespace ce::win
