// CInfoDlg: a small window that shows one text and closes by itself after its time-out, or at
// once on any key. It has no buttons.
#pragma once

#include <CeFramework/Dialog.h>
#include <Lorrimek/WideString.h>

#include "resource.h"

class CInfoDlg : public CDialogImpl<CInfoDlg> {
public:
    enum { IDD = IDD_INFODLG };

    // The text is copied; a time-out of 0 or less never closes the window by itself.
    CInfoDlg(const CWideString& text, int timeoutMs);

    BEGIN_MSG_MAP(CInfoDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    MESSAGE_HANDLER(WM_KEYDOWN, OnClose)
    MESSAGE_HANDLER(WM_TIMER, OnClose)
    COMMAND_ID_HANDLER(IDOK, OnCloseCommand)
    COMMAND_ID_HANDLER(IDCANCEL, OnCloseCommand)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&);
    // Enter and Escape reach the dialog as IDOK and IDCANCEL: keys all the same.
    LRESULT OnCloseCommand(WORD, WORD, HWND, BOOL&);

    CWideString m_text;
    int m_timeout;
};
