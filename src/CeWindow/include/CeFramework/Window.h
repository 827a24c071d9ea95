// CWindow: a thin wrapper of a window handle. It owns nothing; the calls are the window system's
// functions with the handle filled in.
#pragma once

#include <windows.h>

#include <string>

class CWindow {
public:
    HWND m_hWnd = nullptr;

    CWindow(HWND hWnd = nullptr) : m_hWnd(hWnd) {}  // NOLINT(google-explicit-constructor)
    CWindow& operator=(HWND hWnd) {
        m_hWnd = hWnd;
        return *this;
    }
    operator HWND() const { return m_hWnd; }  // NOLINT(google-explicit-constructor)

    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND Detach() {
        HWND hWnd = m_hWnd;
        m_hWnd = nullptr;
        return hWnd;
    }

    HWND Create(LPCWSTR lpClassName, HWND hWndParent, const RECT* rect = nullptr,
                LPCWSTR szWindowName = nullptr, DWORD dwStyle = 0, DWORD dwExStyle = 0,
                HMENU hMenu = nullptr, LPVOID lpCreateParam = nullptr) {
        const RECT r = rect ? *rect : RECT{CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};
        const bool useDefault = !rect;
        m_hWnd = CreateWindowExW(dwExStyle, lpClassName, szWindowName, dwStyle, r.left, r.top,
                                 useDefault ? CW_USEDEFAULT : r.right - r.left,
                                 useDefault ? CW_USEDEFAULT : r.bottom - r.top, hWndParent, hMenu,
                                 GetModuleHandleW(nullptr), lpCreateParam);
        return m_hWnd;
    }
    BOOL DestroyWindow() {
        if (!::DestroyWindow(m_hWnd)) return FALSE;
        m_hWnd = nullptr;
        return TRUE;
    }

    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL UpdateWindow() { return ::UpdateWindow(m_hWnd); }
    BOOL Invalidate(BOOL bErase = TRUE) { return ::InvalidateRect(m_hWnd, nullptr, bErase); }
    BOOL InvalidateRect(const RECT* rect, BOOL bErase = TRUE) {
        return ::InvalidateRect(m_hWnd, rect, bErase);
    }

    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)); }
    LONG_PTR GetWindowLongPtr(int nIndex) const { return ::GetWindowLongPtrW(m_hWnd, nIndex); }
    LONG_PTR SetWindowLongPtr(int nIndex, LONG_PTR value) {
        return ::SetWindowLongPtrW(m_hWnd, nIndex, value);
    }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }

    BOOL SetWindowText(LPCWSTR text) { return ::SetWindowTextW(m_hWnd, text); }
    int GetWindowText(LPWSTR buffer, int size) const {
        return ::GetWindowTextW(m_hWnd, buffer, size);
    }
    std::u16string GetWindowText() const {
        std::u16string text(static_cast<size_t>(::GetWindowTextLengthW(m_hWnd)) + 1, u'\0');
        text.resize(static_cast<size_t>(
            ::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    BOOL SetDlgItemText(int nID, LPCWSTR text) { return ::SetDlgItemTextW(m_hWnd, nID, text); }
    LRESULT SendDlgItemMessage(int nID, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendDlgItemMessageW(m_hWnd, nID, message, wParam, lParam);
    }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }

    BOOL GetWindowRect(RECT* rect) const { return ::GetWindowRect(m_hWnd, rect); }
    BOOL GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect); }
    BOOL MoveWindow(int x, int y, int width, int height, BOOL bRepaint = TRUE) {
        return ::MoveWindow(m_hWnd, x, y, width, height, bRepaint);
    }
    BOOL MoveWindow(const RECT* rect, BOOL bRepaint = TRUE) {
        return ::MoveWindow(m_hWnd, rect->left, rect->top, rect->right - rect->left,
                            rect->bottom - rect->top, bRepaint);
    }
    BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
        return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, nFlags);
    }
    BOOL ScreenToClient(POINT* point) const { return ::ScreenToClient(m_hWnd, point); }
    BOOL ClientToScreen(POINT* point) const { return ::ClientToScreen(m_hWnd, point); }

    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC proc = nullptr) {
        return ::SetTimer(m_hWnd, nIDEvent, nElapse, proc);
    }
    BOOL KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }
    int MessageBox(LPCWSTR text, LPCWSTR caption = nullptr, UINT type = MB_OK) {
        return ::MessageBoxW(m_hWnd, text, caption, type);
    }

    // Centres the window over `hWndCenter` (by default its owner or parent) when that is
    // visible, otherwise over the work area, and keeps it inside the work area. For a child
    // window, over its parent's client area.
    BOOL CenterWindow(HWND hWndCenter = nullptr) {
        RECT window{};
        if (!::GetWindowRect(m_hWnd, &window)) return FALSE;
        const bool child = (GetStyle() & WS_CHILD) != 0;
        if (!hWndCenter) hWndCenter = ::GetParent(m_hWnd);
        RECT area{};
        RECT center{};
        if (child) {
            HWND parent = ::GetParent(m_hWnd);
            ::GetClientRect(parent, &area);
            if (hWndCenter == parent || !hWndCenter) {
                center = area;
            } else {
                ::GetWindowRect(hWndCenter, &center);
                POINT corners[2] = {{center.left, center.top}, {center.right, center.bottom}};
                ::MapWindowPoints(nullptr, parent, corners, 2);
                center = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
            }
        } else {
            ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
            if (hWndCenter && ::IsWindowVisible(hWndCenter)) {
                ::GetWindowRect(hWndCenter, &center);
            } else {
                center = area;
            }
        }
        const LONG width = window.right - window.left;
        const LONG height = window.bottom - window.top;
        LONG x = (center.left + center.right) / 2 - width / 2;
        LONG y = (center.top + center.bottom) / 2 - height / 2;
        // Inside the area, the top left corner first when the window is bigger than the area.
        if (x + width > area.right) x = area.right - width;
        if (x < area.left) x = area.left;
        if (y + height > area.bottom) y = area.bottom - height;
        if (y < area.top) y = area.top;
        return ::SetWindowPos(m_hWnd, nullptr, x, y, -1, -1,
                              SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
};
