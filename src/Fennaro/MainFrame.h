// CMainFrame: the application's only top-level window. Its class name and title are the window
// name (string 128), which the single-instance check looks for. It carries the soft keys "Done" and
// "Menu", hosts the tweak view as its client window and shows the splash screen while it is being
// created. "Done" applies every pending change and closes; closing it any other way applies
// nothing. Destroying it ends the message loop with 1.
#pragma once

#include <CeFramework/App.h>
#include <CeFramework/WindowImpl.h>
#include <aygshell.h>

#include "FennaroView.h"
#include "resource.h"

class CMainFrame : public CFrameWindowImpl<CMainFrame>, public CMessageFilter, public CIdleHandler {
public:
    DECLARE_FRAME_WND_CLASS(nullptr, IDR_MAINFRAME)

    CMainFrame();
    ~CMainFrame() override;

    // Registers the frame's class under `windowName` and creates the frame; null when it could
    // not be created. The frame keeps the name for as long as its class registration refers to it.
    HWND CreateFrame(const CWideString& windowName);

    // The view's dialog keys.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnIdle() override { return FALSE; }

    CFennaroView& View() { return m_view; }
    HWND MenuBar() const { return m_menuBar; }

    BEGIN_MSG_MAP(CMainFrame)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_SIZE, OnSize)
    MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
    MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
    MESSAGE_HANDLER(WM_ACTIVATE, OnActivate)
    MESSAGE_HANDLER(WM_SETTINGCHANGE, OnSettingChange)
    MESSAGE_HANDLER(WM_HIBERNATE, OnHibernate)
    MESSAGE_HANDLER(WM_COPYDATA, OnCopyData)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    COMMAND_ID_HANDLER(ID_APP_EXIT, OnDone)
    COMMAND_ID_HANDLER(ID_RESTORE, OnRestore)
    COMMAND_ID_HANDLER(ID_APP_ABOUT, OnAbout)
    CHAIN_MSG_MAP(CFrameWindowImpl<CMainFrame>)
    END_MSG_MAP()

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL& bHandled);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL& bHandled);
    LRESULT OnActivate(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnSettingChange(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnHibernate(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
    LRESULT OnCopyData(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled);
    LRESULT OnDone(WORD, WORD, HWND, BOOL&);
    LRESULT OnRestore(WORD, WORD, HWND, BOOL&);
    LRESULT OnAbout(WORD, WORD, HWND, BOOL&);

    // Creates the soft-key bar from menu 128 and ends the frame at its top edge.
    void CreateMenuBar();

    CWideString m_windowName;
    CFennaroView m_view;
    HWND m_menuBar = nullptr;
    SHACTIVATEINFO m_activateInfo{};
};
