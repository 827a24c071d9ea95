// The shell's user interface (aygshell.h): screen metrics and the work area, the full-screen mode
// and activation handling; and the common controls' initialisation, which the system asks for and
// does not otherwise need.
#include <CePlatform/WindowSystemServices.h>
#include <aygshell.h>
#include <commctrl.h>

#include "WindowSystem.h"

namespace ce::win {

namespace {

BOOL WINAPI WindowSystemParameters(UINT uiAction, UINT /*uiParam*/, PVOID pvParam,
                                   UINT /*fWinIni*/) {
    if (uiAction != SPI_GETWORKAREA || !pvParam) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *static_cast<RECT*>(pvParam) = WorkArea();
    return TRUE;
}

// Installed when the library is loaded: a program that links the window system has its work area.
const bool kHookInstalled = [] {
    SetSystemParametersHook(&WindowSystemParameters);
    return true;
}();

// The record's size here, or the 12 bytes it has on the device.
bool ValidActivateInfo(const SHACTIVATEINFO* psai) {
    return psai && (psai->cbSize == sizeof(SHACTIVATEINFO) || psai->cbSize == 12);
}

}  // namespace

int ScreenColumns() {
    EnsureStarted();
    return Sys().columns;
}

int ScreenRows() {
    EnsureStarted();
    return Sys().rows;
}

RECT WorkArea() {
    EnsureStarted();
    const System& sys = Sys();
    const LONG top = sys.shell.taskBar ? kCellHeight : 0;
    const LONG bottom = std::max<LONG>(top, (sys.rows - 1) * kCellHeight);
    return RECT{0, top, sys.columns * kCellWidth, bottom};
}

}  // namespace ce::win

using namespace ce::win;

extern "C" {

int WINAPI GetSystemMetrics(int nIndex) {
    switch (nIndex) {
        case SM_CXSCREEN:
            return ScreenColumns() * kCellWidth;
        case SM_CYSCREEN:
            return ScreenRows() * kCellHeight;
        default:
            return 0;
    }
}

BOOL WINAPI SHFullScreen(HWND hwndRequester, DWORD dwState) {
    if (!FindWindowObject(hwndRequester)) return FALSE;
    ce::screen::ShellState& shell = Sys().shell;
    if (dwState & SHFS_HIDETASKBAR) shell.taskBar = false;
    if (dwState & SHFS_SHOWTASKBAR) shell.taskBar = true;
    if (dwState & SHFS_HIDESIPBUTTON) shell.sipButton = false;
    if (dwState & SHFS_SHOWSIPBUTTON) shell.sipButton = true;
    if (dwState & SHFS_HIDESTARTICON) shell.startIcon = false;
    if (dwState & SHFS_SHOWSTARTICON) shell.startIcon = true;
    MarkDirty();
    return TRUE;
}

BOOL WINAPI SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM /*lParam*/, SHACTIVATEINFO* psai,
                               DWORD /*dwFlags*/) {
    if (!ValidActivateInfo(psai)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const bool active = LOWORD(wParam) != WA_INACTIVE;
    psai->fActive = active ? 1 : 0;
    if (!active) {
        const HWND focus = GetFocus();
        psai->hwndLastFocus = focus && IsChild(hwnd, focus) ? focus : nullptr;
    }
    return TRUE;
}

BOOL WINAPI SHHandleWMSettingChange(HWND /*hwnd*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                                    SHACTIVATEINFO* psai) {
    if (!ValidActivateInfo(psai)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* lpInitCtrls) {
    if (!lpInitCtrls || lpInitCtrls->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
