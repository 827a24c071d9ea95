// The button control: check boxes (automatic or not, two or three states) and push buttons. A
// click (Space, Enter, BM_CLICK, or a tap: the stylus put down on the button, which takes the
// focus, and lifted on it) first changes an automatic box's tick, then sends
// WM_COMMAND(MAKEWPARAM(id, BN_CLICKED), hwnd) to the parent.
#include <windows.h>

#include <algorithm>

#include "ControlText.h"
#include "MessageTable.h"
#include "Window.h"

namespace ce::win {

namespace {

struct ButtonData : ControlData {
    WPARAM check = BST_UNCHECKED;
    bool pressed = false;  // by the stylus, which it holds until it is lifted
};

ButtonData& DataOf(HWND hwnd) { return ControlState<ButtonData>(hwnd); }

DWORD TypeOf(HWND hwnd) { return WindowStyle(hwnd) & BS_TYPEMASK; }

bool IsCheckBox(DWORD type) {
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE;
}

bool IsThreeState(DWORD type) { return type == BS_3STATE || type == BS_AUTO3STATE; }

void Click(HWND hwnd) {
    if (!IsWindowEnabled(hwnd)) return;
    const DWORD type = TypeOf(hwnd);
    if (type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE) {
        ButtonData& data = DataOf(hwnd);
        // Unchecked → checked (→ indeterminate for three states) → unchecked.
        if (data.check == BST_UNCHECKED) {
            data.check = BST_CHECKED;
        } else if (data.check == BST_CHECKED && type == BS_AUTO3STATE) {
            data.check = BST_INDETERMINATE;
        } else {
            data.check = BST_UNCHECKED;
        }
        Redraw(hwnd);
    }
    const HWND parent = GetParent(hwnd);
    if (parent != nullptr) {
        SendMessageW(parent, WM_COMMAND,
                     MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), BN_CLICKED),
                     reinterpret_cast<LPARAM>(hwnd));
    }
}

// ---- Message handlers --------------------------------------------------------------------------

LRESULT OnCreate(HWND hwnd, UINT, WPARAM, LPARAM) {
    DataOf(hwnd);
    return 0;
}

LRESULT OnGetCheck(HWND hwnd, UINT, WPARAM, LPARAM) {
    return IsCheckBox(TypeOf(hwnd)) ? static_cast<LRESULT>(DataOf(hwnd).check) : 0;
}

LRESULT OnSetCheck(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    const DWORD type = TypeOf(hwnd);
    if (!IsCheckBox(type)) return 0;
    WPARAM state = wParam & (BST_CHECKED | BST_INDETERMINATE);
    if (state == BST_INDETERMINATE && !IsThreeState(type)) state = BST_CHECKED;
    if (state == (BST_CHECKED | BST_INDETERMINATE)) state = BST_INDETERMINATE;
    DataOf(hwnd).check = state;
    Redraw(hwnd);
    return 0;
}

LRESULT OnGetState(HWND hwnd, UINT, WPARAM, LPARAM) {
    return static_cast<LRESULT>(DataOf(hwnd).check | (HasFocus(hwnd) ? BST_FOCUS : 0));
}

LRESULT OnClick(HWND hwnd, UINT, WPARAM, LPARAM) {
    Click(hwnd);
    return 0;
}

LRESULT OnStylusDown(HWND hwnd, UINT, WPARAM, LPARAM) {
    SetFocus(hwnd);
    if (!IsWindow(hwnd)) return 0;
    DataOf(hwnd).pressed = true;
    CaptureStylus(hwnd);
    return 0;
}

// Lifted on the button, the stylus clicks it; lifted elsewhere, nothing.
LRESULT OnStylusUp(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
    ButtonData& data = DataOf(hwnd);
    if (!data.pressed) return 0;
    data.pressed = false;
    if (StylusCapture() == hwnd) CaptureStylus(nullptr);
    if (StylusOn(hwnd, lParam)) Click(hwnd);
    return 0;
}

LRESULT OnCancelMode(HWND hwnd, UINT, WPARAM, LPARAM) {
    DataOf(hwnd).pressed = false;
    return 0;
}

LRESULT OnKeyDown(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (wParam != VK_SPACE && wParam != VK_RETURN) return DefWindowProcW(hwnd, msg, wParam, lParam);
    Click(hwnd);
    return 0;
}

LRESULT OnGetDlgCode(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
    LRESULT code = DLGC_BUTTON;
    const DWORD type = TypeOf(hwnd);
    if (type == BS_DEFPUSHBUTTON) code |= DLGC_DEFPUSHBUTTON;
    if (type == BS_PUSHBUTTON) code |= DLGC_UNDEFPUSHBUTTON;
    // Enter presses the focused button itself (the phone's action key).
    const MSG* key = reinterpret_cast<const MSG*>(lParam);
    if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
        code |= DLGC_WANTMESSAGE;
    }
    return code;
}

// The focus, the label and the enabled state show.
LRESULT DefaultThenRedraw(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefWindowProcW(hwnd, msg, wParam, lParam);
    Redraw(hwnd);
    return result;
}

constexpr MessageHandler kButtonMessages[] = {
    {WM_CREATE, OnCreate},
    {BM_GETCHECK, OnGetCheck},
    {BM_SETCHECK, OnSetCheck},
    {BM_GETSTATE, OnGetState},
    {BM_CLICK, OnClick},
    {WM_LBUTTONDOWN, OnStylusDown},
    {WM_LBUTTONUP, OnStylusUp},
    {WM_CANCELMODE, OnCancelMode},
    {WM_KEYDOWN, OnKeyDown},
    {WM_GETDLGCODE, OnGetDlgCode},
    {WM_SETFOCUS, DefaultThenRedraw},
    {WM_KILLFOCUS, DefaultThenRedraw},
    {WM_SETTEXT, DefaultThenRedraw},
    {WM_ENABLE, DefaultThenRedraw},
};

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DispatchMessageTo(kButtonMessages, hwnd, msg, wParam, lParam);
}

// Draws the label from column x of row y; the mnemonic character underlined.
void PaintLabel(Canvas& canvas, int x, int y, std::u16string_view label, uint16_t attr) {
    size_t marked = std::u16string::npos;
    const std::u16string text = StripMnemonic(label, &marked);
    canvas.Text(x, y, text, attr);
    if (marked != std::u16string::npos) {
        canvas.Put(x + static_cast<int>(marked), y, text[marked], attr | kAttrUnderline);
    }
}

void PaintButton(HWND hwnd, Canvas& canvas, PaintLayer layer) {
    if (layer != PaintLayer::kWindow) return;
    canvas.Fill(0, 0, canvas.Width(), canvas.Height());
    const DWORD style = WindowStyle(hwnd);
    const DWORD type = style & BS_TYPEMASK;
    const bool focused = HasFocus(hwnd);
    uint16_t attr = IsWindowEnabled(hwnd) ? 0 : kAttrDim;
    if (focused) attr |= kAttrFocus;
    const std::u16string label = WindowText(hwnd);
    const int y = (canvas.Height() - 1) / 2;
    if (type == BS_GROUPBOX) {
        PaintLabel(canvas, 0, 0, label, attr);
        return;
    }
    if (!IsCheckBox(type)) {
        // A push button: "[ OK ]", the whole button reversed while it has the focus.
        const uint16_t face = attr | (focused ? kAttrReverse : 0);
        const int labelWidth = static_cast<int>(StripMnemonic(label).size());
        const int x = std::max(0, (canvas.Width() - labelWidth - 4) / 2);
        canvas.Text(x, y, type == BS_DEFPUSHBUTTON ? u"[<" : u"[ ", face);
        PaintLabel(canvas, x + 2, y, label, face);
        canvas.Text(x + 2 + labelWidth, y, type == BS_DEFPUSHBUTTON ? u">]" : u" ]", face);
        return;
    }
    const WPARAM check = DataOf(hwnd).check;
    const char16_t mark = check == BST_CHECKED ? u'x' : check == BST_INDETERMINATE ? u'-' : u' ';
    const char16_t box[] = {u'[', mark, u']', 0};
    // "[x] label" (or "label [x]"), drawn on beside the box when it is wider (PlaceLabel).
    const int labelWidth = static_cast<int>(StripMnemonic(label).size());
    const int needed = labelWidth + 4;
    const LabelSpan span =
        PlaceLabel(hwnd, canvas, Align::kLeft, [needed](int width) { return width >= needed; });
    // The label is reversed while the box has the focus, so that the focus shows on any
    // terminal.
    const uint16_t labelAttr = attr | (focused ? kAttrReverse : 0);
    if (style & BS_LEFTTEXT) {
        PaintLabel(canvas, span.first, y, label, labelAttr);
        canvas.Text(span.first + labelWidth + 1, y, box, attr);
    } else {
        canvas.Text(span.first, y, box, attr);
        PaintLabel(canvas, span.first + 4, y, label, labelAttr);
    }
}

const bool kRegistered = RegisterSystemClass(u"BUTTON", ButtonProc, PaintButton);

}  // namespace

}  // namespace ce::win
