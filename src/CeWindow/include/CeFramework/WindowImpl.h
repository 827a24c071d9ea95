// Windows implemented by C++ classes: a class registers its window class once, its objects are
// bound to their windows, and messages reach the class's message map.
//
//     class CMainFrame : public CFrameWindowImpl<CMainFrame> {
//     public:
//         DECLARE_FRAME_WND_CLASS(L"MyApp", IDR_MAINFRAME)
//         BEGIN_MSG_MAP(CMainFrame)
//             MESSAGE_HANDLER(WM_CREATE, OnCreate)
//             COMMAND_ID_HANDLER(IDM_EXIT, OnExit)
//             CHAIN_MSG_MAP(CFrameWindowImpl<CMainFrame>)
//         END_MSG_MAP()
//         LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
//         LRESULT OnExit(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled);
//     };
//
// A handler sets bHandled to FALSE to let the message go on down the map (and finally to the
// default procedure). An object lives longer than its window: after WM_NCDESTROY it is unbound
// and OnFinalMessage is called.
#pragma once

#include <CeFramework/App.h>
#include <CeFramework/Window.h>
#include <windows.h>

#include <cstdio>
#include <map>

// ---- Message maps ------------------------------------------------------------------------------

#define BEGIN_MSG_MAP(theClass)                                                   \
public:                                                                           \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, \
                              LRESULT& lResult, DWORD dwMsgMapID = 0) override {  \
        BOOL bHandled = TRUE;                                                     \
        (void)hWnd;                                                               \
        (void)uMsg;                                                               \
        (void)wParam;                                                             \
        (void)lParam;                                                             \
        (void)lResult;                                                            \
        (void)bHandled;                                                           \
        (void)dwMsgMapID;

#define MESSAGE_HANDLER(msg, func)                      \
    if (uMsg == (msg)) {                                \
        bHandled = TRUE;                                \
        lResult = func(uMsg, wParam, lParam, bHandled); \
        if (bHandled) return TRUE;                      \
    }

#define MESSAGE_RANGE_HANDLER(msgFirst, msgLast, func)  \
    if (uMsg >= (msgFirst) && uMsg <= (msgLast)) {      \
        bHandled = TRUE;                                \
        lResult = func(uMsg, wParam, lParam, bHandled); \
        if (bHandled) return TRUE;                      \
    }

// Command handlers: LRESULT func(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled).
#define COMMAND_HANDLER(id, code, func)                                                           \
    if (uMsg == WM_COMMAND && (id) == LOWORD(wParam) && (code) == HIWORD(wParam)) {               \
        bHandled = TRUE;                                                                          \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
        if (bHandled) return TRUE;                                                                \
    }

#define COMMAND_ID_HANDLER(id, func)                                                              \
    if (uMsg == WM_COMMAND && (id) == LOWORD(wParam)) {                                           \
        bHandled = TRUE;                                                                          \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
        if (bHandled) return TRUE;                                                                \
    }

#define COMMAND_CODE_HANDLER(code, func)                                                          \
    if (uMsg == WM_COMMAND && (code) == HIWORD(wParam)) {                                         \
        bHandled = TRUE;                                                                          \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
        if (bHandled) return TRUE;                                                                \
    }

#define CHAIN_MSG_MAP(theChainClass)                                                          \
    if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, dwMsgMapID)) \
        return TRUE;

#define CHAIN_MSG_MAP_MEMBER(theChainMember)                                                    \
    if ((theChainMember).ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, dwMsgMapID)) \
        return TRUE;

#define END_MSG_MAP() \
    return FALSE;     \
    }

// ---- Window classes ----------------------------------------------------------------------------

// How a framework window class is registered: its name (null: a name is made up), its icon
// resource (0: none), and the atom once registered. The name may be changed before the first
// window is created (a program that loads its class name from its string table does so).
struct CWndClassInfo {
    LPCWSTR m_lpszClassName = nullptr;
    UINT m_uIconId = 0;
    DWORD m_dwStyle = 0;
    ATOM m_atom = 0;
    WCHAR m_szAutoName[40] = {};

    // Registers the class with `proc` unless it exists; its atom, or 0 when registration failed.
    ATOM Register(WNDPROC proc) {
        if (!m_lpszClassName || !*m_lpszClassName) {
            // A name of its own: "CeFw:" and the address of this record.
            char text[40];
            std::snprintf(text, sizeof text, "CeFw:%p", static_cast<void*>(this));
            for (size_t i = 0; i < sizeof text && text[i]; ++i) m_szAutoName[i] = text[i];
            m_lpszClassName = m_szAutoName;
        }
        const HINSTANCE instance = CAppModule::ResourceInstance();
        WNDCLASSW wc{};
        wc.style = m_dwStyle;
        wc.lpfnWndProc = proc;
        wc.hInstance = instance;
        wc.hIcon = m_uIconId ? LoadIconW(instance, MAKEINTRESOURCEW(m_uIconId)) : nullptr;
        wc.lpszClassName = m_lpszClassName;
        const ATOM atom = RegisterClassW(&wc);
        if (atom) {
            m_atom = atom;
        } else if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            return 0;
        }
        return m_atom ? m_atom : 1;
    }
};

#define DECLARE_WND_CLASS(WndClassName)             \
    static CWndClassInfo& GetWndClassInfo() {       \
        static CWndClassInfo wc{(WndClassName), 0}; \
        return wc;                                  \
    }

// A frame's class: the name, and the resource id of its icon and of its title string.
#define DECLARE_FRAME_WND_CLASS(WndClassName, uCommonResourceID)      \
    static CWndClassInfo& GetWndClassInfo() {                         \
        static CWndClassInfo wc{(WndClassName), (uCommonResourceID)}; \
        return wc;                                                    \
    }

// ---- Windows bound to objects ------------------------------------------------------------------

// The base of every framework window object. Its virtual functions, in this order: the message
// dispatch, the destructor, the window procedure getter and the final-message hook.
class CWindowImplRoot : public CWindow {
public:
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                      LRESULT& lResult, DWORD dwMsgMapID = 0) = 0;
    virtual ~CWindowImplRoot() {
        if (m_hWnd) Objects().erase(m_hWnd);
    }
    virtual WNDPROC GetWindowProc() = 0;
    // Called after the window's last message (WM_NCDESTROY), when the object is no longer bound.
    virtual void OnFinalMessage(HWND /*hWnd*/) {}

    // The message being handled (for handlers that need its time or position).
    const MSG* m_pCurrentMsg = nullptr;

private:
    // Messages of this object's window being handled now (nested when a handler sends one), and
    // whether its window went meanwhile: OnFinalMessage waits until the outermost returns.
    int m_nMessageDepth = 0;
    bool m_bFinalPending = false;

protected:
    // Objects bound to their windows.
    static std::map<HWND, CWindowImplRoot*>& Objects() {
        static std::map<HWND, CWindowImplRoot*> objects;
        return objects;
    }
    // The object whose window is being created on this thread; it is bound to the first window
    // whose first message reaches the framework's procedure.
    static CWindowImplRoot*& Creating() {
        static thread_local CWindowImplRoot* creating = nullptr;
        return creating;
    }
    static CWindowImplRoot* Bind(HWND hWnd) {
        auto found = Objects().find(hWnd);
        if (found != Objects().end()) return found->second;
        CWindowImplRoot* object = Creating();
        if (!object) return nullptr;
        Creating() = nullptr;
        object->m_hWnd = hWnd;
        Objects()[hWnd] = object;
        return object;
    }
    // Runs the message through the object's map; `fallback` gives the result of an unhandled
    // message. Unbinds the object after WM_NCDESTROY and calls OnFinalMessage once no message of
    // the window is being handled any more: a handler that destroys its own window (and an
    // OnFinalMessage that deletes the object) leaves no handler running on a freed object.
    template <typename Fallback>
    static LRESULT Route(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, Fallback fallback) {
        CWindowImplRoot* object = Bind(hWnd);
        if (!object) return fallback(nullptr, hWnd, uMsg, wParam, lParam);
        const MSG msg{hWnd, uMsg, wParam, lParam, 0, {0, 0}};
        const MSG* previous = object->m_pCurrentMsg;
        object->m_pCurrentMsg = &msg;
        ++object->m_nMessageDepth;
        LRESULT result = 0;
        if (!object->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, result, 0)) {
            result = fallback(object, hWnd, uMsg, wParam, lParam);
        }
        --object->m_nMessageDepth;
        object->m_pCurrentMsg = previous;
        if (uMsg == WM_NCDESTROY) {
            Objects().erase(hWnd);
            object->m_hWnd = nullptr;
            object->m_bFinalPending = true;
        }
        if (object->m_bFinalPending && object->m_nMessageDepth == 0) {
            object->m_bFinalPending = false;
            object->OnFinalMessage(hWnd);
        }
        return result;
    }
};

template <typename T, typename TBase = CWindow>
class CWindowImpl : public CWindowImplRoot {
public:
    DECLARE_WND_CLASS(nullptr)

    // Registers the class when needed and creates the window bound to this object.
    HWND Create(HWND hWndParent, const RECT* rect = nullptr, LPCWSTR szWindowName = nullptr,
                DWORD dwStyle = 0, DWORD dwExStyle = 0, HMENU hMenu = nullptr,
                LPVOID lpCreateParam = nullptr) {
        if (!T::GetWndClassInfo().Register(T::WindowProc)) return nullptr;
        Creating() = this;
        const HWND hWnd = CWindow::Create(T::GetWndClassInfo().m_lpszClassName, hWndParent, rect,
                                          szWindowName, dwStyle, dwExStyle, hMenu, lpCreateParam);
        if (Creating() == this) Creating() = nullptr;  // no message came: nothing was bound
        return hWnd;
    }

    WNDPROC GetWindowProc() override { return T::WindowProc; }
    // The handling of messages that the map leaves: the default procedure.
    LRESULT DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
        return ::DefWindowProcW(m_hWnd, uMsg, wParam, lParam);
    }
    LRESULT DefWindowProc() {
        return m_pCurrentMsg ? DefWindowProc(m_pCurrentMsg->message, m_pCurrentMsg->wParam,
                                             m_pCurrentMsg->lParam)
                             : 0;
    }

    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
        return Route(hWnd, uMsg, wParam, lParam,
                     [](CWindowImplRoot* object, HWND h, UINT m, WPARAM w, LPARAM l) {
                         return object ? static_cast<T*>(object)->DefWindowProc(m, w, l)
                                       : ::DefWindowProcW(h, m, w, l);
                     });
    }
};

// A top-level frame window: a client window (m_hWndClient) laid out over its whole client area,
// and the end of the program's message loop when it is destroyed (PostQuitMessage(1)).
template <typename T, typename TBase = CWindow>
class CFrameWindowImpl : public CWindowImpl<T, TBase> {
public:
    DECLARE_FRAME_WND_CLASS(nullptr, 0)

    HWND m_hWndClient = nullptr;

    BEGIN_MSG_MAP(CFrameWindowImpl)
    MESSAGE_HANDLER(WM_SIZE, OnSize)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

    // Creates the frame with the class's title string (its common resource id) or the class
    // name as title, default position and size, clip-children and clip-siblings.
    HWND CreateEx(HWND hWndParent = nullptr, const RECT* rect = nullptr, DWORD dwStyle = 0,
                  DWORD dwExStyle = 0, LPVOID lpCreateParam = nullptr) {
        CWndClassInfo& info = T::GetWndClassInfo();
        WCHAR title[MAX_PATH] = {};
        if (info.m_uIconId) {
            LoadStringW(CAppModule::ResourceInstance(), info.m_uIconId, title, MAX_PATH);
        }
        if (!title[0] && info.m_lpszClassName) {
            for (int i = 0; i < MAX_PATH - 1 && info.m_lpszClassName[i]; ++i) {
                title[i] = info.m_lpszClassName[i];
            }
        }
        if (!dwStyle) dwStyle = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
        return this->Create(hWndParent, rect, title, dwStyle, dwExStyle, nullptr, lpCreateParam);
    }

    // Lays the client window over the frame's client area.
    void UpdateLayout() {
        if (!m_hWndClient) return;
        RECT client{};
        this->GetClientRect(&client);
        ::SetWindowPos(m_hWndClient, nullptr, 0, 0, client.right, client.bottom,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }

    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        UpdateLayout();
        bHandled = FALSE;
        return 0;
    }
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
        if ((this->GetStyle() & (WS_CHILD | WS_POPUP)) == 0) ::PostQuitMessage(1);
        bHandled = FALSE;
        return 0;
    }
};
