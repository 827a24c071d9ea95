#include "MainFrame.h"

#include "Dialogs.h"

namespace {

CMessageLoop* ThreadLoop() {
    CAppModule* module = CAppModule::Current();
    return module != nullptr ? module->GetMessageLoop() : nullptr;
}

}  // namespace

CMainFrame::CMainFrame() { m_activateInfo.cbSize = sizeof(m_activateInfo); }

CMainFrame::~CMainFrame() {
    // A later frame registers a class of its own unless it is given the name again.
    CWndClassInfo& info = GetWndClassInfo();
    if (!m_windowName.IsEmpty() && info.m_lpszClassName == m_windowName.GetString()) {
        info.m_lpszClassName = nullptr;
    }
}

HWND CMainFrame::CreateFrame(const CWideString& windowName) {
    m_windowName = windowName;
    GetWndClassInfo().m_lpszClassName = m_windowName.GetString();
    return CreateEx();
}

BOOL CMainFrame::PreTranslateMessage(MSG* pMsg) {
    return m_view.m_hWnd != nullptr && m_view.PreTranslateMessage(pMsg);
}

LRESULT CMainFrame::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    CreateMenuBar();
    m_hWndClient = m_view.Create(m_hWnd);
    if (CMessageLoop* loop = ThreadLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
    CSplashDlg splash;
    splash.DoModal(GetActiveWindow());
    SetForegroundWindow();
    return 0;
}

void CMainFrame::CreateMenuBar() {
    SHMENUBARINFO mbi{};
    mbi.cbSize = sizeof(mbi);
    mbi.hwndParent = m_hWnd;
    mbi.dwFlags = SHCMBF_HMENU;
    mbi.nToolBarId = IDR_MAINFRAME;
    mbi.hInstRes = CAppModule::ResourceInstance();
    mbi.nBmpId = 0;
    mbi.cBmpImages = 0;
    mbi.clrBk = 0;
    if (!SHCreateMenuBar(&mbi)) return;
    m_menuBar = mbi.hwndMB;
    RECT bar{};
    RECT frame{};
    ::GetWindowRect(m_menuBar, &bar);
    GetWindowRect(&frame);
    const LONG barEdge = ::IsWindowVisible(m_menuBar) ? bar.top : bar.bottom;
    SetWindowPos(nullptr, 0, 0, frame.right - frame.left, barEdge - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
}

LRESULT CMainFrame::OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (wParam != SIZE_MINIMIZED && m_hWndClient != nullptr) {
        RECT client{};
        GetClientRect(&client);
        ::SetWindowPos(m_hWndClient, nullptr, client.left, client.top, client.right - client.left,
                       client.bottom - client.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return DefWindowProc(uMsg, wParam, lParam);
}

LRESULT CMainFrame::OnSetFocus(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    if (m_hWndClient != nullptr) ::SetFocus(m_hWndClient);
    bHandled = FALSE;
    return 0;
}

LRESULT CMainFrame::OnEraseBackground(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    // The view covers the whole client area.
    if (m_hWndClient != nullptr) return 1;
    bHandled = FALSE;
    return 0;
}

LRESULT CMainFrame::OnActivate(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    SHHandleWMActivate(m_hWnd, wParam, lParam, &m_activateInfo, 0);
    bHandled = FALSE;
    return 0;
}

LRESULT CMainFrame::OnSettingChange(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    SHHandleWMSettingChange(m_hWnd, wParam, lParam, &m_activateInfo);
    bHandled = FALSE;
    return 0;
}

LRESULT CMainFrame::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    if (CMessageLoop* loop = ThreadLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    // The framework's frame posts the quit message with 1.
    bHandled = FALSE;
    return 0;
}

LRESULT CMainFrame::OnDone(WORD, WORD, HWND, BOOL&) {
    m_view.ApplyAll();
    // Posted, so that the close comes after every box of the pass has been answered.
    PostMessage(WM_CLOSE);
    return 0;
}

LRESULT CMainFrame::OnRestore(WORD, WORD, HWND, BOOL&) {
    m_view.RestoreAll();
    return 0;
}

LRESULT CMainFrame::OnAbout(WORD, WORD, HWND, BOOL&) {
    CAboutDlg about;
    about.DoModal(GetActiveWindow());
    return 0;
}
