#include "InfoDlg.h"

#include <CeWindow/Screen.h>

namespace {

constexpr UINT_PTR kCloseTimer = 1;

}  // namespace

CInfoDlg::CInfoDlg(const CWideString& text, int timeoutMs) : m_text(text), m_timeout(timeoutMs) {}

LRESULT CInfoDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    CenterWindow(GetParent());
    SetDlgItemText(IDC_INFO_TEXT, m_text);
    if (!ce::screen::IsInteractive()) {
        // Nobody can read the window or press a key: its text has gone to standard output, and
        // it closes at once.
        SetTimer(kCloseTimer, 0);
    } else if (m_timeout > 0) {
        SetTimer(kCloseTimer, static_cast<UINT>(m_timeout));
    }
    return TRUE;
}

LRESULT CInfoDlg::OnClose(UINT, WPARAM, LPARAM, BOOL&) {
    KillTimer(kCloseTimer);
    EndDialog(0);
    return 0;
}

LRESULT CInfoDlg::OnCloseCommand(WORD, WORD, HWND, BOOL& bHandled) {
    return OnClose(WM_COMMAND, 0, 0, bHandled);
}
