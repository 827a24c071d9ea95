// MessageBoxW: a modal box with a caption, the text and a row of buttons (which can be tapped),
// centred on the work area, with its first two buttons as its soft keys. Headless, it writes its
// line and answers its default button.
#include <algorithm>

#include "MessageTable.h"
#include "WindowSystem.h"

namespace ce::win {

namespace {

constexpr const char16_t* kClassName = u"CeMessageBox";

struct Button {
    int id;
    const char16_t* label;
};

std::vector<Button> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OK:
            return {{IDOK, u"OK"}};
        case MB_OKCANCEL:
            return {{IDOK, u"OK"}, {IDCANCEL, u"Cancel"}};
        case MB_ABORTRETRYIGNORE:
            return {{IDABORT, u"Abort"}, {IDRETRY, u"Retry"}, {IDIGNORE, u"Ignore"}};
        case MB_YESNOCANCEL:
            return {{IDYES, u"Yes"}, {IDNO, u"No"}, {IDCANCEL, u"Cancel"}};
        case MB_YESNO:
            return {{IDYES, u"Yes"}, {IDNO, u"No"}};
        case MB_RETRYCANCEL:
            return {{IDRETRY, u"Retry"}, {IDCANCEL, u"Cancel"}};
        default:
            return {};
    }
}

class BoxData : public ControlData {
public:
    std::u16string text;
    std::vector<std::u16string> lines;  // the text wrapped to the box
    std::vector<Button> buttons;
    size_t focused = 0;
    int result = 0;
};

struct CreateData {
    std::u16string text;
    std::vector<Button> buttons;
    size_t focused;
};

// The text broken into lines of at most `width` characters, at blanks where possible.
std::vector<std::u16string> Wrap(std::u16string_view text, size_t width) {
    std::vector<std::u16string> lines;
    width = std::max<size_t>(width, 1);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string_view::npos) end = text.size();
        std::u16string_view paragraph = text.substr(start, end - start);
        if (!paragraph.empty() && paragraph.back() == u'\r') paragraph.remove_suffix(1);
        do {
            if (paragraph.size() <= width) {
                lines.emplace_back(paragraph);
                break;
            }
            size_t cut = paragraph.rfind(u' ', width);
            if (cut == std::u16string_view::npos || cut == 0) cut = width;
            lines.emplace_back(paragraph.substr(0, cut));
            paragraph.remove_prefix(cut);
            while (!paragraph.empty() && paragraph.front() == u' ') paragraph.remove_prefix(1);
        } while (!paragraph.empty());
        start = end + 1;
    }
    return lines;
}

// A button as drawn: "[ label ]".
std::u16string Face(const Button& button) { return std::u16string(u"[ ") + button.label + u" ]"; }

// Two blank cells between buttons.
constexpr int kButtonGap = 2;

int ButtonsWidth(const std::vector<Button>& buttons) {
    int width = 0;
    for (const Button& button : buttons) {
        width += static_cast<int>(Face(button).size()) + kButtonGap;
    }
    return std::max(width - kButtonGap, 0);
}

// The row of the buttons in a box `height` cells high, and the first column of each.
int ButtonRow(int height) { return height - 2; }
std::vector<int> ButtonColumns(const std::vector<Button>& buttons, int width) {
    std::vector<int> columns;
    int x = (width - ButtonsWidth(buttons)) / 2;
    for (const Button& button : buttons) {
        columns.push_back(x);
        x += static_cast<int>(Face(button).size()) + kButtonGap;
    }
    return columns;
}

// The button drawn on `cell` of the box, or -1.
int ButtonAt(HWND hwnd, const BoxData& data, POINT cell) {
    const RECT box = WindowCells(hwnd);
    if (cell.y != ButtonRow(box.bottom - box.top)) return -1;
    const std::vector<int> columns = ButtonColumns(data.buttons, box.right - box.left);
    for (size_t i = 0; i < data.buttons.size(); ++i) {
        const int width = static_cast<int>(Face(data.buttons[i]).size());
        if (cell.x >= columns[i] && cell.x < columns[i] + width) return static_cast<int>(i);
    }
    return -1;
}

void Press(HWND hwnd, BoxData& data, size_t index) {
    if (index >= data.buttons.size()) return;
    data.result = data.buttons[index].id;
    InvalidateRect(hwnd, nullptr, FALSE);
}

// Wraps the text for the present screen, sizes the box to it and centres the box on the work
// area, on whole cells.
void LayOut(HWND hwnd, BoxData& data) {
    const int caption = static_cast<int>(WindowText(hwnd).size());
    const int maxInner = std::max(ScreenColumns() - 6, 10);
    int widest = std::max(ButtonsWidth(data.buttons), caption + 4);
    for (const std::u16string& line : Wrap(data.text, static_cast<size_t>(maxInner))) {
        widest = std::max(widest, static_cast<int>(line.size()));
    }
    widest = std::min(std::max(widest, 16), maxInner);
    data.lines = Wrap(data.text, static_cast<size_t>(widest));
    const RECT work = WorkArea();
    const int width = (widest + 4) * kCellWidth;
    const int height = (static_cast<int>(data.lines.size()) + 4) * kCellHeight;
    const int x = work.left + ((work.right - work.left) - width) / 2 / kCellWidth * kCellWidth;
    const int y = std::max<int>(
        work.top, work.top + ((work.bottom - work.top) - height) / 2 / kCellHeight * kCellHeight);
    SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Presses the box's Cancel button, when it has one.
void PressCancel(HWND hwnd, BoxData& data) {
    for (size_t i = 0; i < data.buttons.size(); ++i) {
        if (data.buttons[i].id == IDCANCEL) Press(hwnd, data, i);
    }
}

// ---- Message handlers --------------------------------------------------------------------------

LRESULT OnNcCreate(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    const auto* init = static_cast<const CreateData*>(cs->lpCreateParams);
    auto box = std::make_unique<BoxData>();
    box->text = init->text;
    box->buttons = init->buttons;
    box->focused = init->focused;
    SetControlData(hwnd, std::move(box));
    return TRUE;
}

LRESULT OnCreate(HWND hwnd, UINT, WPARAM, LPARAM) {
    BoxData* data = GetControlDataAs<BoxData>(hwnd);
    if (!data) return -1;
    LayOut(hwnd, *data);
    // Its own soft keys, as on the device: the first two buttons.
    std::vector<res::MenuItem> keys;
    for (size_t i = 0; i < data->buttons.size() && i < 2; ++i) {
        keys.push_back({data->buttons[i].label, static_cast<UINT>(data->buttons[i].id)});
    }
    return CreateSoftKeyBar(hwnd, hwnd, std::move(keys), nullptr, false) ? 0 : -1;
}

LRESULT OnSettingChange(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    BoxData* data = GetControlDataAs<BoxData>(hwnd);
    if (data && wParam == SETTINGCHANGE_RESET) LayOut(hwnd, *data);
    return 0;
}

// A soft key presses its button.
LRESULT OnCommand(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    BoxData* data = GetControlDataAs<BoxData>(hwnd);
    for (size_t i = 0; data && i < data->buttons.size(); ++i) {
        if (data->buttons[i].id == LOWORD(wParam)) Press(hwnd, *data, i);
    }
    return 0;
}

LRESULT OnKeyDown(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    BoxData* data = GetControlDataAs<BoxData>(hwnd);
    if (!data) return 0;
    const size_t count = data->buttons.size();
    const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    switch (wParam) {
        case VK_LEFT:
        case VK_UP:
            data->focused = (data->focused + count - 1) % count;
            break;
        case VK_TAB:
            data->focused = (data->focused + (shift ? count - 1 : 1)) % count;
            break;
        case VK_RIGHT:
        case VK_DOWN:
            data->focused = (data->focused + 1) % count;
            break;
        case VK_RETURN:
        case VK_SPACE:
            Press(hwnd, *data, data->focused);
            break;
        case VK_ESCAPE:
            PressCancel(hwnd, *data);
            if (count == 1) Press(hwnd, *data, 0);
            break;
        default:
            break;
    }
    InvalidateRect(hwnd, nullptr, FALSE);
    return 0;
}

// A button's first letter, in either case, presses it.
LRESULT OnChar(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    BoxData* data = GetControlDataAs<BoxData>(hwnd);
    if (!data) return 0;
    const char16_t ch = static_cast<char16_t>(wParam);
    for (size_t i = 0; i < data->buttons.size(); ++i) {
        const char16_t first = data->buttons[i].label[0];
        if (first == ch || first == (ch & ~0x20)) {
            Press(hwnd, *data, i);
            break;
        }
    }
    return 0;
}

LRESULT OnStylusDown(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
    BoxData* data = GetControlDataAs<BoxData>(hwnd);
    const int button = data ? ButtonAt(hwnd, *data, StylusCell(hwnd, lParam)) : -1;
    if (button >= 0) Press(hwnd, *data, static_cast<size_t>(button));
    return 0;
}

LRESULT OnClose(HWND hwnd, UINT, WPARAM, LPARAM) {
    if (BoxData* data = GetControlDataAs<BoxData>(hwnd)) PressCancel(hwnd, *data);
    return 0;
}

constexpr MessageHandler kBoxMessages[] = {
    {WM_NCCREATE, OnNcCreate},      {WM_CREATE, OnCreate},   {WM_SETTINGCHANGE, OnSettingChange},
    {WM_COMMAND, OnCommand},        {WM_KEYDOWN, OnKeyDown}, {WM_CHAR, OnChar},
    {WM_LBUTTONDOWN, OnStylusDown}, {WM_CLOSE, OnClose},
};

LRESULT CALLBACK BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DispatchMessageTo(kBoxMessages, hwnd, msg, wParam, lParam);
}

void PaintBox(HWND hwnd, Canvas& canvas, PaintLayer layer) {
    BoxData* data = GetControlDataAs<BoxData>(hwnd);
    if (layer != PaintLayer::kWindow || !data) return;
    const int width = canvas.Width();
    const int height = canvas.Height();
    canvas.Fill(0, 0, width, height);
    canvas.Frame(0, 0, width, height);
    const std::u16string caption = WindowText(hwnd);
    if (!caption.empty()) {
        canvas.Put(2, 0, u' ');
        const int used = canvas.Text(3, 0, caption, kAttrBold, width - 6);
        canvas.Put(3 + used, 0, u' ');
    }
    for (size_t i = 0; i < data->lines.size(); ++i) {
        canvas.Text(2, 1 + static_cast<int>(i), data->lines[i], 0, width - 4);
    }
    const std::vector<int> columns = ButtonColumns(data->buttons, width);
    const bool active = GetActiveWindow() == hwnd;
    for (size_t i = 0; i < data->buttons.size(); ++i) {
        const uint16_t attr = (active && i == data->focused) ? (kAttrFocus | kAttrReverse) : 0;
        canvas.Text(columns[i], ButtonRow(height), Face(data->buttons[i]), attr);
    }
}

const bool kRegistered = RegisterSystemClass(kClassName, BoxProc, PaintBox);

}  // namespace

}  // namespace ce::win

using namespace ce::win;

extern "C" int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    const std::vector<Button> buttons = ButtonsOf(uType);
    if (buttons.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (hWnd && !IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    EnsureStarted();
    System& sys = Sys();
    const std::u16string text = lpText ? lpText : u"";
    const std::u16string caption = lpCaption ? lpCaption : u"Error";
    const size_t defaultIndex = std::min<size_t>((uType & MB_DEFMASK) >> 8, buttons.size() - 1);
    const HWND owner = hWnd == GetDesktopWindow() ? nullptr : TopLevelOf(hWnd);
    if (!sys.terminal) {
        WriteHeadlessLine(caption, text);
        const int answer = sys.messageBoxHook ? sys.messageBoxHook(owner, caption, text, uType) : 0;
        if (answer != 0 || !sys.messageBoxHook) {
            return answer != 0 ? answer : buttons[defaultIndex].id;
        }
    }

    CreateData init{text, buttons, defaultIndex};
    const HWND box = CreateWindowExW(WS_EX_TOPMOST, kClassName, caption.c_str(), WS_POPUP, 0, 0, 0,
                                     0, owner, nullptr, nullptr, &init);
    if (!box) return 0;
    std::shared_ptr<Window> window = RefWindow(box);
    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner) EnableWindow(owner, FALSE);
    ShowWindow(box, SW_SHOW);
    SetFocus(box);
    BoxData* data = GetControlDataAs<BoxData>(box);
    RunModalLoop(nullptr, [&] { return window->destroyed || (data && data->result != 0); });
    const int result =
        (!window->destroyed && data && data->result) ? data->result : buttons[defaultIndex].id;
    if (disableOwner && IsWindow(owner)) EnableWindow(owner, TRUE);
    if (!window->destroyed) DestroyWindow(box);
    return result;
}
