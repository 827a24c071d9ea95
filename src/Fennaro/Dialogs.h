// The splash screen and the About box: modal dialogs that ask nothing and only close.
#pragma once

#include <CeFramework/Dialog.h>

#include "resource.h"

// The splash screen: the product bitmap in the middle of the whole screen, the task bar, the
// input-panel button and the Start icon hidden, for about a second (or until Enter or Escape).
class CSplashDlg : public CDialogImpl<CSplashDlg> {
public:
    enum { IDD = IDD_SPLASH };

    BEGIN_MSG_MAP(CSplashDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    COMMAND_ID_HANDLER(IDOK, OnCloseCommand)
    COMMAND_ID_HANDLER(IDCANCEL, OnCloseCommand)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTimer(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnCloseCommand(WORD, WORD wID, HWND, BOOL&);
    // Full screen with the shell's bars hidden, or back to the dialog's own place with them
    // shown; the bitmap centred on the screen either way.
    void Layout(bool fullScreen);

    // The dialog's window rectangle as it was at initialisation.
    RECT m_dialogRect{0, 0, 0, 0};
};

// The About box: the product, its version and its publisher; closed by the caption's OK button.
class CAboutDlg : public CDialogImpl<CAboutDlg> {
public:
    enum { IDD = IDD_ABOUTBOX };

    BEGIN_MSG_MAP(CAboutDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnCloseCommand)
    COMMAND_ID_HANDLER(IDCANCEL, OnCloseCommand)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCloseCommand(WORD, WORD wID, HWND, BOOL&);
};
