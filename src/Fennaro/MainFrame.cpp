#include "MainFrame.h"

BOOL CMainFrame::PreTranslateMessage(MSG* /*pMsg*/) { return FALSE; }

LRESULT CMainFrame::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    if (CMessageLoop* loop = CAppModule::Current() ? CAppModule::Current()->GetMessageLoop() : nullptr) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
    SetForegroundWindow();
    return 0;
}

LRESULT CMainFrame::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    if (CMessageLoop* loop = CAppModule::Current() ? CAppModule::Current()->GetMessageLoop() : nullptr) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    bHandled = FALSE;
    return 0;
}
