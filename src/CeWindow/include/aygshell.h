// The device shell's user-interface services: the soft-key menu bar, full-screen mode and the
// shell's handling of activation and setting changes. Implemented by the CeWindow library.
#pragma once

#include <CeWindow/Api.h>
#include <windows.h>

// SHCreateMenuBar
#define SHCMBF_EMPTYBAR 0x0001
#define SHCMBF_HIDDEN 0x0002
#define SHCMBF_HIDESIPBUTTON 0x0004
#define SHCMBF_COLORBK 0x0008
#define SHCMBF_HMENU 0x0010  // nToolBarId names a menu resource

// The menu bar request (36 bytes on the device; cbSize is sizeof(SHMENUBARINFO) or 36).
typedef struct tagSHMENUBARINFO {
    DWORD cbSize;
    HWND hwndParent;
    DWORD dwFlags;
    UINT nToolBarId;
    HINSTANCE hInstRes;
    int nBmpId;
    int cBmpImages;
    HWND hwndMB;  // out: the menu bar window
    COLORREF clrBk;
} SHMENUBARINFO, *PSHMENUBARINFO;

extern "C" {

// Creates the soft-key bar of hwndParent at the bottom row of the screen from menu resource
// nToolBarId (with SHCMBF_HMENU): the first item is the left soft key (F1 or F3, or a tap on the
// row's left half), the second the right one (F2 or F4, or a tap on its right half); an item with
// a popup opens it, driven by the arrows, Enter and Escape, or by taps. A chosen item sends
// WM_COMMAND with its id to hwndParent. The bar has the soft keys (it is drawn and the soft keys
// and taps on its row reach it) while the top-level window of hwndParent is the active window and
// enabled, and the bar is shown (SHCMBF_HIDDEN creates it hidden): never under a message box or a
// modal dialog (see Soft keys in <winuser.h>). FALSE when cbSize is wrong, the parent is not a
// window or the menu is missing.
CEWINDOW_API BOOL WINAPI SHCreateMenuBar(SHMENUBARINFO* pmbi);
}

// SHFullScreen: what to hide or show.
#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020

extern "C" {

// Hides or shows the task bar (the top row of the screen), the input-panel button and the Start
// icon. FALSE with ERROR_INVALID_WINDOW_HANDLE when hwndRequester is not a window.
CEWINDOW_API BOOL WINAPI SHFullScreen(HWND hwndRequester, DWORD dwState);
}

// The shell's record of a window's activation state (12 bytes on the device; cbSize is
// sizeof(SHACTIVATEINFO) or 12).
typedef struct tagSHACTIVATEINFO {
    DWORD cbSize;
    HWND hwndLastFocus;
    UINT fSipUp : 1;
    UINT fSipOnDeactivation : 1;
    UINT fActive : 1;
    UINT fReserved : 29;
} SHACTIVATEINFO, *PSHACTIVATEINFO;

#define SHA_INPUTDIALOG 0x00000001

extern "C" {

// Accept the record of a window's WM_ACTIVATE and WM_SETTINGCHANGE (the shell keeps the input
// panel's state; the terminal has none). FALSE with ERROR_INVALID_PARAMETER for a null record or
// a wrong cbSize.
CEWINDOW_API BOOL WINAPI SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM lParam,
                                              SHACTIVATEINFO* psai, DWORD dwFlags);
CEWINDOW_API BOOL WINAPI SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam,
                                                   SHACTIVATEINFO* psai);
}
