#include "Dialogs.h"

#include <aygshell.h>

namespace {

constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kCloseAfterMs = 1000;
// Lays the splash screen out again while it shows, in case the shell brought its bars back.
constexpr UINT_PTR kLayoutTimer = 2;
constexpr UINT kLayoutEveryMs = 5;

constexpr DWORD kHideBars = SHFS_HIDETASKBAR | SHFS_HIDESIPBUTTON | SHFS_HIDESTARTICON;
constexpr DWORD kShowBars = SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON | SHFS_SHOWSTARTICON;

}  // namespace

LRESULT CSplashDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    GetWindowRect(&m_dialogRect);
    SetTimer(kLayoutTimer, kLayoutEveryMs);
    SetTimer(kCloseTimer, kCloseAfterMs);
    return TRUE;
}

LRESULT CSplashDlg::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL&) {
    if (wParam == kLayoutTimer) {
        Layout(true);
    } else if (wParam == kCloseTimer) {
        KillTimer(kCloseTimer);
        // The dialog manager turns the close into the cancel command.
        PostMessage(WM_CLOSE);
    }
    return 0;
}

LRESULT CSplashDlg::OnCloseCommand(WORD, WORD wID, HWND, BOOL&) {
    KillTimer(kLayoutTimer);
    KillTimer(kCloseTimer);
    Layout(false);
    EndDialog(wID);
    return 0;
}

void CSplashDlg::Layout(bool fullScreen) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (fullScreen) {
        MoveWindow(0, 0, screenWidth, screenHeight, TRUE);
        SHFullScreen(m_hWnd, kHideBars);
    } else {
        MoveWindow(&m_dialogRect, TRUE);
        SHFullScreen(m_hWnd, kShowBars);
    }
    SetForegroundWindow();
    const HWND bitmap = GetDlgItem(IDC_SPLASH_BITMAP);
    RECT rect{};
    ::GetWindowRect(bitmap, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    ::MoveWindow(bitmap, (screenWidth - width) / 2, (screenHeight - height) / 2, width, height,
                 TRUE);
    InvalidateRect(nullptr, TRUE);
    ::InvalidateRect(bitmap, nullptr, TRUE);
}

LRESULT CAboutDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    CenterWindow(GetParent());
    return TRUE;
}

LRESULT CAboutDlg::OnCloseCommand(WORD, WORD wID, HWND, BOOL&) {
    EndDialog(wID);
    return 0;
}
