// Dialogs implemented by C++ classes, from a dialog template of the program's resources (the
// class's IDD): modal (DoModal, ended by EndDialog) or modeless (Create).
//
//     class CAboutDlg : public CDialogImpl<CAboutDlg> {
//     public:
//         enum { IDD = IDD_ABOUTBOX };
//         BEGIN_MSG_MAP(CAboutDlg)
//             MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
//             COMMAND_ID_HANDLER(IDOK, OnCloseCmd)
//         END_MSG_MAP()
//         ...
//     };
//
// A message that the map takes answers TRUE to the dialog manager, with the handler's result as
// the message result (WM_INITDIALOG's result itself: TRUE lets the dialog manager set the focus).
// A message the map leaves gets the dialog manager's default handling.
#pragma once

#include <CeFramework/WindowImpl.h>

template <typename T, typename TBase = CWindow>
class CDialogImpl : public CWindowImplRoot {
public:
    // Runs the dialog modally, owned by hWndParent; EndDialog's result, or -1 when the template
    // is missing or the dialog cannot be created.
    INT_PTR DoModal(HWND hWndParent = ::GetActiveWindow(), LPARAM dwInitParam = 0) {
        Creating() = this;
        const INT_PTR result =
            ::DialogBoxParamW(CAppModule::ResourceInstance(), MAKEINTRESOURCEW(T::IDD), hWndParent,
                              T::DialogProc, dwInitParam);
        if (Creating() == this) Creating() = nullptr;
        return result;
    }

    // Creates the dialog modeless (shown when its template is visible); null on failure.
    HWND Create(HWND hWndParent, LPARAM dwInitParam = 0) {
        Creating() = this;
        const HWND hWnd =
            ::CreateDialogParamW(CAppModule::ResourceInstance(), MAKEINTRESOURCEW(T::IDD),
                                 hWndParent, T::DialogProc, dwInitParam);
        if (Creating() == this) Creating() = nullptr;
        return hWnd;
    }

    // Ends a modal dialog with `nRetCode` (a modeless one is hidden).
    BOOL EndDialog(int nRetCode) { return ::EndDialog(m_hWnd, nRetCode); }
    // A modeless dialog's keyboard navigation, for a message filter.
    BOOL IsDialogMessage(MSG* pMsg) { return ::IsDialogMessageW(m_hWnd, pMsg); }

    WNDPROC GetWindowProc() override { return reinterpret_cast<WNDPROC>(T::DialogProc); }

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
        bool handled = true;
        const LRESULT result =
            Route(hWnd, uMsg, wParam, lParam,
                  [&handled](CWindowImplRoot*, HWND, UINT, WPARAM, LPARAM) -> LRESULT {
                      handled = false;
                      return 0;
                  });
        if (!handled) return FALSE;
        if (uMsg == WM_INITDIALOG) return result;
        if (::IsWindow(hWnd)) ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
};
