// The dialog manager: dialogs from resource templates, modal and modeless, the default dialog
// procedure and the dialog keys.
#include <algorithm>
#include <cstring>

#include "WindowSystem.h"

namespace ce::win {

namespace {

// Messages whose result is the dialog procedure's own answer, not DWLP_MSGRESULT.
bool ReturnsProcResult(UINT msg) { return msg == WM_INITDIALOG; }

DLGPROC DialogProcOf(HWND hwnd) {
    return reinterpret_cast<DLGPROC>(GetWindowLongPtrW(hwnd, static_cast<int>(DWLP_DLGPROC)));
}

bool IsTabStop(HWND hwnd) {
    Window* window = FindWindowObject(hwnd, false);
    return window && (window->style & WS_TABSTOP) && (window->style & WS_VISIBLE) &&
           !(window->style & WS_DISABLED);
}

// The focused control inside the dialog, or null.
HWND FocusIn(HWND dialog) {
    const HWND focus = Sys().focus;
    return focus && focus != dialog && IsDescendant(dialog, focus) ? focus : nullptr;
}

// The dialog's direct child that holds `hwnd` (hwnd itself, or a window above it).
HWND ChildOf(HWND dialog, HWND hwnd) {
    for (Window* window = FindWindowObject(hwnd, false); window && window->IsChild();
         window = FindWindowObject(window->parent, false)) {
        if (window->parent == dialog) return window->handle;
    }
    return nullptr;
}

void FocusControl(HWND control) {
    if (!control) return;
    SetFocus(control);
    if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
        SendMessageW(control, EM_SETSEL, 0, -1);
    }
}

void RestoreFocus(Window& dialog) {
    if (dialog.ended) return;  // an ended dialog gives no control the focus again
    const HWND hwnd = dialog.handle;
    HWND target = dialog.savedFocus;
    if (!target || !FindWindowObject(target, false) || !IsDescendant(hwnd, target) ||
        !IsWindowEnabled(target)) {
        target = GetNextDlgTabItem(hwnd, nullptr, FALSE);
    }
    if (target && target != hwnd) SetFocus(target);
}

// The texts that a headless dialog reports: its visible static controls, in template order.
std::u16string StaticTexts(const Window& dialog) {
    std::u16string text;
    for (HWND child : dialog.children) {
        Window* control = FindWindowObject(child, false);
        if (!control || !(control->style & WS_VISIBLE) || control->text.empty()) continue;
        if (control->cls->key != "STATIC") continue;
        const DWORD type = control->style & SS_TYPEMASK;
        if (type == SS_BITMAP || type == SS_ICON) continue;
        if (!text.empty()) text += u' ';
        text += control->text;
    }
    return text;
}

// Where a dialog of the template opens: a top-level one relative to its owner's client area
// (unless DS_ABSALIGN), or centred on the work area (DS_CENTER); a child where the template says.
POINT DialogOrigin(const res::Dialog& tmpl, HWND owner, bool child) {
    POINT at{tmpl.x, tmpl.y};
    if (!child && owner && !(tmpl.style & DS_ABSALIGN)) {
        POINT origin{0, 0};
        ClientToScreen(owner, &origin);
        at.x += origin.x;
        at.y += origin.y;
    }
    if (!child && (tmpl.style & DS_CENTER)) {
        const RECT work = WorkArea();
        at.x = work.left + ((work.right - work.left) - tmpl.cx) / 2;
        at.y = work.top + ((work.bottom - work.top) - tmpl.cy) / 2;
    }
    return at;
}

// Creates the dialog's window, hidden, with the dialog procedure `proc`; null when it cannot be.
HWND CreateDialogWindow(const res::Dialog& tmpl, HINSTANCE instance, HWND owner, DLGPROC proc,
                        bool modal) {
    const POINT at = DialogOrigin(tmpl, owner, (tmpl.style & WS_CHILD) != 0);
    const std::u16string className = tmpl.className.empty() ? u"#32770" : tmpl.className;
    const DWORD style = tmpl.style & ~static_cast<DWORD>(WS_VISIBLE);
    const HWND dialog =
        CreateWindowExW(tmpl.exStyle, className.c_str(), tmpl.caption.c_str(), style, at.x, at.y,
                        tmpl.cx, tmpl.cy, owner, nullptr, instance, nullptr);
    if (!dialog) return nullptr;
    Window* window = FindWindowObject(dialog, false);
    window->dialog = true;
    if (window->extra.size() < static_cast<size_t>(DLGWINDOWEXTRA)) {
        window->extra.resize(DLGWINDOWEXTRA, 0);
    }
    window->modalOwner = modal ? owner : nullptr;
    SetWindowLongPtrW(dialog, static_cast<int>(DWLP_DLGPROC), reinterpret_cast<LONG_PTR>(proc));
    return dialog;
}

// Creates the template's controls in the dialog, in order. False (with the last error) when one
// cannot be created.
bool CreateControls(HWND dialog, const res::Dialog& tmpl, HINSTANCE instance) {
    for (const res::Control& control : tmpl.controls) {
        const LPCWSTR text =
            control.imageId ? MAKEINTRESOURCEW(control.imageId) : control.text.c_str();
        const HWND hwnd = CreateWindowExW(
            control.exStyle, control.className.c_str(), text, control.style | WS_CHILD | WS_VISIBLE,
            control.x, control.y, control.cx, control.cy, dialog,
            reinterpret_cast<HMENU>(static_cast<intptr_t>(control.id)), instance, nullptr);
        if (!hwnd) return false;
    }
    return true;
}

// Sends WM_INITDIALOG, focuses the first control when the procedure asks for it, and shows the
// dialog when `visible`. Null when the dialog went meanwhile.
HWND InitDialog(HWND dialog, LPARAM param, bool visible) {
    const HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    const LRESULT setFocus =
        SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
    if (!IsWindow(dialog)) return nullptr;
    // A dialog ended in WM_INITDIALOG is never shown: it takes neither the focus nor activation.
    if (setFocus && !FindWindowObject(dialog, false)->ended) {
        const HWND target = GetNextDlgTabItem(dialog, nullptr, FALSE);
        if (target) FocusControl(target);
    }
    if (visible && IsWindow(dialog) && !FindWindowObject(dialog, false)->ended) {
        ShowWindow(dialog, SW_SHOW);
    }
    return dialog;
}

// Creates the dialog window and its controls and sends WM_INITDIALOG. Null (with the last error)
// when the template is missing or a control cannot be created.
HWND CreateFromTemplate(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param,
                        bool modal) {
    EnsureStarted();
    const res::Dialog* found = FindDialogResource(instance, name);
    if (!found) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    // A copy: the windows' procedures may register the program's resources again meanwhile.
    const res::Dialog tmpl = *found;
    const bool child = (tmpl.style & WS_CHILD) != 0;
    if (parent && !IsWindow(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (child && !parent) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const HWND owner = child ? parent : TopLevelOf(parent);
    const HWND dialog = CreateDialogWindow(tmpl, instance, owner, proc, modal);
    if (!dialog) return nullptr;
    if (!CreateControls(dialog, tmpl, instance)) {
        const DWORD error = GetLastError();
        DestroyWindow(dialog);
        SetLastError(error ? error : ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    return InitDialog(dialog, param, (tmpl.style & WS_VISIBLE) != 0);
}

// Hands the message to the dialog's procedure, when it has one. True, with *answer, when the
// procedure handled it (or the dialog went meanwhile); false for the default handling.
bool AnsweredByDialogProc(const Window& dialog, UINT msg, WPARAM wParam, LPARAM lParam,
                          LRESULT* answer) {
    const HWND hDlg = dialog.handle;
    const DLGPROC proc = dialog.dialog ? DialogProcOf(hDlg) : nullptr;
    if (!proc) return false;
    // A handled message answers 0 unless the procedure sets its result.
    SetWindowLongPtrW(hDlg, static_cast<int>(DWLP_MSGRESULT), 0);
    const INT_PTR handled = proc(hDlg, msg, wParam, lParam);
    const bool exists = FindWindowObject(hDlg, false) != nullptr;
    if (ReturnsProcResult(msg)) {
        *answer = handled;
    } else if (handled) {
        *answer = exists ? GetWindowLongPtrW(hDlg, static_cast<int>(DWLP_MSGRESULT)) : 0;
    } else {
        *answer = 0;
        return !exists;
    }
    return true;
}

}  // namespace

LRESULT CALLBACK DialogWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefDlgProcW(hwnd, msg, wParam, lParam);
}

}  // namespace ce::win

using namespace ce::win;

extern "C" {

LRESULT WINAPI DefDlgProcW(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<Window> dialog = RefWindow(hDlg);
    if (!dialog) return 0;
    LRESULT answer = 0;
    if (AnsweredByDialogProc(*dialog, Msg, wParam, lParam, &answer)) return answer;
    switch (Msg) {
        case WM_INITDIALOG:
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_CLOSE:
            PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
            SetLastError(ERROR_SUCCESS);
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (HWND focus = FocusIn(hDlg)) dialog->savedFocus = focus;
            } else {
                RestoreFocus(*dialog);
            }
            return 0;
        case WM_SETFOCUS:
            RestoreFocus(*dialog);
            return 0;
        case WM_KILLFOCUS:
            return 0;
        case WM_NEXTDLGCTL: {
            HWND target = nullptr;
            if (LOWORD(lParam)) {
                target = reinterpret_cast<HWND>(wParam);
            } else {
                target = GetNextDlgTabItem(hDlg, FocusIn(hDlg), wParam != 0);
            }
            if (target && IsDescendant(hDlg, target)) FocusControl(target);
            return 0;
        }
        case DM_GETDEFID:
            return dialog->defId ? MAKELRESULT(dialog->defId, DC_HASDEFID) : 0;
        case DM_SETDEFID:
            dialog->defId = static_cast<WORD>(wParam);
            return TRUE;
        default:
            return DefWindowProcW(hDlg, Msg, wParam, lParam);
    }
}

HWND WINAPI GetNextDlgTabItem(HWND hDlg, HWND hCtl, BOOL bPrevious) {
    Window* dialog = FindWindowObject(hDlg);
    if (!dialog) return nullptr;
    const std::vector<HWND>& items = dialog->children;
    if (items.empty()) return nullptr;
    const HWND current = hCtl ? ChildOf(hDlg, hCtl) : nullptr;
    const auto count = static_cast<ptrdiff_t>(items.size());
    ptrdiff_t start = bPrevious ? count : -1;
    if (current) start = std::find(items.begin(), items.end(), current) - items.begin();
    for (ptrdiff_t step = 1; step <= count; ++step) {
        const ptrdiff_t index = ((bPrevious ? start - step : start + step) % count + count) % count;
        if (IsTabStop(items[static_cast<size_t>(index)])) return items[static_cast<size_t>(index)];
    }
    return current;
}

BOOL WINAPI IsDialogMessageW(HWND hDlg, LPMSG lpMsg) {
    if (!lpMsg || !FindWindowObject(hDlg, false)) return FALSE;
    if (lpMsg->hwnd != hDlg && !IsChild(hDlg, lpMsg->hwnd)) return FALSE;
    const UINT msg = lpMsg->message;
    if (msg == WM_KEYDOWN || msg == WM_CHAR) {
        const LRESULT code = SendMessageW(lpMsg->hwnd, WM_GETDLGCODE, lpMsg->wParam,
                                          reinterpret_cast<LPARAM>(lpMsg));
        const WPARAM key = lpMsg->wParam;
        if (!(code & DLGC_WANTMESSAGE)) {
            if (msg == WM_KEYDOWN) {
                if (key == VK_TAB && !(code & DLGC_WANTTAB)) {
                    const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
                    const HWND next = GetNextDlgTabItem(hDlg, FocusIn(hDlg), back);
                    if (next) FocusControl(next);
                    return TRUE;
                }
                if (key == VK_RETURN) {
                    const LRESULT def = SendMessageW(hDlg, DM_GETDEFID, 0, 0);
                    const WORD id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
                    const HWND button = GetDlgItem(hDlg, id);
                    if (!button || IsWindowEnabled(button)) {
                        SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                     reinterpret_cast<LPARAM>(button));
                    }
                    return TRUE;
                }
                if (key == VK_ESCAPE) {
                    SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
                    return TRUE;
                }
            } else if ((key == u'\t' && !(code & DLGC_WANTTAB)) || key == u'\r' || key == 0x1B) {
                return TRUE;  // the key's character: the key itself was taken above
            }
        }
    }
    TranslateMessage(lpMsg);
    DispatchMessageW(lpMsg);
    return TRUE;
}

INT_PTR WINAPI DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    if (hWndParent && !IsWindow(hWndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const HWND dialog =
        CreateFromTemplate(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam, true);
    if (!dialog) return -1;
    std::shared_ptr<Window> window = RefWindow(dialog);
    const HWND owner = window->modalOwner;
    if (!window->ended) {
        if (owner && IsWindowEnabled(owner)) {
            EnableWindow(owner, FALSE);
            window->ownerDisabled = true;
        }
        if (!Sys().terminal) {
            const std::u16string text = StaticTexts(*window);
            if (!text.empty()) WriteHeadlessLine(window->text, text);
        }
        ShowWindow(dialog, SW_SHOW);
        RunModalLoop(dialog, [&] { return window->ended || window->destroyed; });
    }
    if (window->ownerDisabled && IsWindow(owner)) EnableWindow(owner, TRUE);
    window->ownerDisabled = false;
    const INT_PTR result = window->ended ? window->result : 0;
    if (!window->destroyed) DestroyWindow(dialog);
    // A dialog destroyed without EndDialog went while its owner was still disabled, so nothing
    // took the activation: the owner gets it back, or the keys would reach no window.
    if (owner && !Sys().active && IsWindowVisible(owner) && IsWindowEnabled(owner)) {
        SetActiveWindow(owner);
    }
    return result;
}

HWND WINAPI CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    return CreateFromTemplate(hInstance, lpTemplateName, hWndParent, lpDialogFunc, dwInitParam,
                              false);
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    std::shared_ptr<Window> dialog = RefWindow(hDlg);
    if (!dialog || !dialog->dialog) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    dialog->ended = true;
    dialog->result = nResult;
    // The owner comes back before the dialog goes, so that activation returns to it.
    if (dialog->ownerDisabled && IsWindow(dialog->modalOwner)) {
        EnableWindow(dialog->modalOwner, TRUE);
        dialog->ownerDisabled = false;
    }
    SetWindowPos(hDlg, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(nullptr, WM_NULL, 0, 0);
    return TRUE;
}

BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
    if (!FindWindowObject(hDlg)) return FALSE;
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;  // one dialog unit is one pixel
}

}  // extern "C"
