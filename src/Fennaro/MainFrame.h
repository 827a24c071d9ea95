// CMainFrame: the application's top-level window. Its class name and title are the window name
// (string 128); destroying it ends the message loop with 1.
#pragma once

#include <CeFramework/App.h>
#include <CeFramework/WindowImpl.h>

#include "resource.h"

class CMainFrame : public CFrameWindowImpl<CMainFrame>,
                   public CMessageFilter,
                   public CIdleHandler {
public:
    DECLARE_FRAME_WND_CLASS(nullptr, IDR_MAINFRAME)

    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnIdle() override { return FALSE; }

    BEGIN_MSG_MAP(CMainFrame)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    CHAIN_MSG_MAP(CFrameWindowImpl<CMainFrame>)
    END_MSG_MAP()

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled);
};
