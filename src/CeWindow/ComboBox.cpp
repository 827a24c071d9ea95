// The drop-down list combo box: a one-row selection field and a list that opens over the other
// windows (Enter, F4, Alt+Down, or a tap on the field, which takes the focus). On the closed box
// the arrows change the selection; in the open list they move the highlight, Enter takes it and
// Escape closes the list unchanged. Typing a character selects the next item starting with it.
// The open list holds the stylus: a tap on an item selects it and closes the list, a tap anywhere
// else closes it unchanged; the wheel scrolls it. CBN_SELCHANGE reaches the parent only for a
// selection changed by the user. As on the device, the height given to the window is the height of
// the opened control: the window itself keeps the height of its selection field, and the rest sets
// how many rows the list shows ((height - field height) / item height, at least one).
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ControlText.h"
#include "MessageTable.h"
#include "Window.h"

namespace ce::win {

namespace {

// Heights in pixels: one cell for the selection field and for each row of the list.
constexpr int kFieldHeight = kCellHeight;
constexpr int kItemHeight = kCellHeight;

constexpr char16_t kArrowDown = u'\u25BC';
constexpr char16_t kTrack = u'\u2591';
constexpr char16_t kThumb = u'\u2588';
constexpr char16_t kVertical = u'\u2502';

struct Item {
    std::u16string text;
    LPARAM data = 0;
};

struct ComboData : ControlData {
    std::vector<Item> items;
    int selection = CB_ERR;
    int droppedHeight = kFieldHeight;  // pixels: the height the window was given
    bool resizing = false;
    bool open = false;
    int highlight = CB_ERR;  // the highlighted row of the open list
    int firstShown = 0;      // the first item shown in the open list
};

ComboData& DataOf(HWND hwnd) { return ControlState<ComboData>(hwnd); }

bool ValidIndex(const ComboData& data, WPARAM index) {
    return static_cast<size_t>(index) < data.items.size();
}

// Compares as the sorted list orders its items: without regard to case, then by code unit.
int CompareItems(std::u16string_view a, std::u16string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = (a[i] >= u'a' && a[i] <= u'z') ? a[i] - 32 : a[i];
        const char16_t y = (b[i] >= u'a' && b[i] <= u'z') ? b[i] - 32 : b[i];
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return 0;
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && CompareItems(text.substr(0, prefix.size()), prefix) == 0;
}

// The rows of the open list, from the height given to the window, at most one per item.
int ListRows(const ComboData& data) {
    const int rows = std::max(1, (data.droppedHeight - kFieldHeight) / kItemHeight);
    return std::max(1, std::min(rows, static_cast<int>(data.items.size())));
}

void Notify(HWND hwnd, WORD code) {
    const HWND parent = GetParent(hwnd);
    if (parent == nullptr) return;
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                 reinterpret_cast<LPARAM>(hwnd));
}

// The first row of the open list relative to the field's row: below the field (leaving a row for
// the list's lower edge), or above it when the rows above the soft-key row have no room below.
int ListTop(int fieldRow, int screenRows, int rows) {
    const bool above = fieldRow + 1 + rows + 1 > screenRows - 1 && fieldRow >= rows + 1;
    return above ? -rows : 1;
}

// Shows the items from `first` on, as far as the items fill the list's rows.
void ScrollTo(ComboData& data, int first) {
    const int count = static_cast<int>(data.items.size());
    data.firstShown = std::clamp(first, 0, std::max(0, count - ListRows(data)));
}

// Keeps the highlighted row inside the shown part of the list.
void ScrollToHighlight(ComboData& data) {
    const int rows = ListRows(data);
    int first = data.firstShown;
    if (data.highlight < first) first = data.highlight;
    if (data.highlight >= first + rows) first = data.highlight - rows + 1;
    ScrollTo(data, first);
}

void OpenList(HWND hwnd) {
    if (DataOf(hwnd).open || !IsWindowEnabled(hwnd)) return;
    Notify(hwnd, CBN_DROPDOWN);
    // The parent may have destroyed the box (or opened it) meanwhile.
    if (!IsWindow(hwnd)) return;
    ComboData& data = DataOf(hwnd);
    if (data.open) return;
    data.open = true;
    data.highlight = data.selection;
    data.firstShown = 0;
    if (data.highlight >= 0) ScrollToHighlight(data);
    SetOverlay(hwnd, true);
    CaptureStylus(hwnd);
    Redraw(hwnd);
}

// Closes the list; with `commit` the highlighted item becomes the selection.
void CloseList(HWND hwnd, bool commit) {
    ComboData& data = DataOf(hwnd);
    if (!data.open) return;
    data.open = false;
    SetOverlay(hwnd, false);
    if (StylusCapture() == hwnd) CaptureStylus(nullptr);
    Redraw(hwnd);
    const bool changed = commit && data.highlight >= 0 && data.highlight != data.selection;
    if (changed) data.selection = data.highlight;
    Notify(hwnd, CBN_CLOSEUP);
    if (changed) Notify(hwnd, CBN_SELCHANGE);
}

// A selection made by the user on the closed box.
void SelectByUser(HWND hwnd, int index) {
    ComboData& data = DataOf(hwnd);
    const int count = static_cast<int>(data.items.size());
    if (count == 0) return;
    index = std::clamp(index, 0, count - 1);
    if (index == data.selection) return;
    data.selection = index;
    Redraw(hwnd);
    Notify(hwnd, CBN_SELCHANGE);
}

// Moves the selection (closed) or the highlight (open) as the key asks; false for other keys.
bool MoveByKey(HWND hwnd, WPARAM key) {
    ComboData& data = DataOf(hwnd);
    const int current = data.open ? data.highlight : data.selection;
    const int page = std::max(1, ListRows(data) - 1);
    const int last = static_cast<int>(data.items.size()) - 1;
    int target;
    switch (key) {
        case VK_UP:
        case VK_LEFT:
            target = current < 0 ? 0 : current - 1;
            break;
        case VK_DOWN:
        case VK_RIGHT:
            target = current + 1;
            break;
        case VK_PRIOR:
            target = current - page;
            break;
        case VK_NEXT:
            target = current + page;
            break;
        case VK_HOME:
            target = 0;
            break;
        case VK_END:
            target = last;
            break;
        default:
            return false;
    }
    if (last < 0) return true;
    target = std::clamp(target, 0, last);
    if (data.open) {
        data.highlight = target;
        ScrollToHighlight(data);
        Redraw(hwnd);
    } else {
        SelectByUser(hwnd, target);
    }
    return true;
}

// Type-ahead: the next item after the current one that starts with `ch`.
void SelectByCharacter(HWND hwnd, char16_t ch) {
    ComboData& data = DataOf(hwnd);
    const int count = static_cast<int>(data.items.size());
    const int current = data.open ? data.highlight : data.selection;
    const char16_t prefix[] = {ch, 0};
    for (int step = 1; step <= count; ++step) {
        const int index = (std::max(current, -1) + step) % count;
        if (!StartsWith(data.items[index].text, prefix)) continue;
        if (data.open) {
            data.highlight = index;
            ScrollToHighlight(data);
            Redraw(hwnd);
        } else {
            SelectByUser(hwnd, index);
        }
        return;
    }
}

// The item shown on `cell` (counted from the field's first cell) of the open list, or -1.
int ItemAt(HWND hwnd, const ComboData& data, POINT cell) {
    const RECT field = WindowCells(hwnd);
    const int rows = ListRows(data);
    const int row = cell.y - ListTop(field.top, ScreenRows(), rows);
    const int index = data.firstShown + row;
    const bool onList = cell.x >= 0 && cell.x < field.right - field.left && row >= 0 && row < rows;
    return onList && index < static_cast<int>(data.items.size()) ? index : -1;
}

// A tap opens the list; on the open list it takes the item tapped, anywhere else it closes the
// list unchanged.
void Tap(HWND hwnd, POINT cell) {
    if (!DataOf(hwnd).open) {
        SetFocus(hwnd);
        if (IsWindow(hwnd)) OpenList(hwnd);
        return;
    }
    ComboData& data = DataOf(hwnd);
    const int index = ItemAt(hwnd, data, cell);
    if (index >= 0) data.highlight = index;
    CloseList(hwnd, index >= 0);
}

int Find(const ComboData& data, WPARAM after, LPARAM text, bool exact) {
    if (text == 0) return CB_ERR;
    const std::u16string_view wanted(reinterpret_cast<LPCWSTR>(text));
    const int count = static_cast<int>(data.items.size());
    // The search starts after item `after` (-1: from the top) and wraps around.
    const int start = ValidIndex(data, after) ? static_cast<int>(after) + 1 : 0;
    for (int step = 0; step < count; ++step) {
        const int index = (start + step) % count;
        const std::u16string& item = data.items[index].text;
        if (exact ? CompareItems(item, wanted) == 0 : StartsWith(item, wanted)) return index;
    }
    return CB_ERR;
}

LRESULT Insert(HWND hwnd, int index, LPARAM text) {
    if (text == 0) return CB_ERR;
    ComboData& data = DataOf(hwnd);
    Item item{reinterpret_cast<LPCWSTR>(text), 0};
    if (index < 0) {
        if (WindowStyle(hwnd) & CBS_SORT) {
            // After the items that sort equal, as the platform does.
            const auto at = std::upper_bound(
                data.items.begin(), data.items.end(), item.text,
                [](const std::u16string& t, const Item& i) { return CompareItems(t, i.text) < 0; });
            index = static_cast<int>(at - data.items.begin());
        } else {
            index = static_cast<int>(data.items.size());
        }
    }
    if (index > static_cast<int>(data.items.size())) return CB_ERR;
    data.items.insert(data.items.begin() + index, std::move(item));
    // The selection and the highlight stay on their items.
    if (data.selection >= index) ++data.selection;
    if (data.highlight >= index) ++data.highlight;
    Redraw(hwnd);
    return index;
}

LRESULT Delete(HWND hwnd, WPARAM index) {
    ComboData& data = DataOf(hwnd);
    if (!ValidIndex(data, index)) return CB_ERR;
    const int at = static_cast<int>(index);
    data.items.erase(data.items.begin() + at);
    if (data.selection == at) {
        data.selection = CB_ERR;
    } else if (data.selection > at) {
        --data.selection;
    }
    if (data.highlight >= at) data.highlight = std::max(data.highlight - 1, 0);
    const auto count = static_cast<LRESULT>(data.items.size());
    Redraw(hwnd);
    if (count == 0) {
        data.highlight = CB_ERR;
        CloseList(hwnd, false);  // last: its notification may destroy the box
    }
    return count;
}

// The window keeps the selection field's height; a larger height sets how far the list opens.
void KeepFieldHeight(HWND hwnd, int height) {
    ComboData& data = DataOf(hwnd);
    if (data.resizing || height == kFieldHeight) return;
    data.droppedHeight = std::max(height, kFieldHeight);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    data.resizing = true;
    SetWindowPos(hwnd, nullptr, 0, 0, rect.right - rect.left, kFieldHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    data.resizing = false;
}

LRESULT CopyText(const std::u16string& text, LPARAM buffer) {
    if (buffer == 0) return CB_ERR;
    auto* out = reinterpret_cast<LPWSTR>(buffer);
    std::copy(text.begin(), text.end(), out);
    out[text.size()] = 0;
    return static_cast<LRESULT>(text.size());
}

// Opens the list, or closes it keeping the highlighted item.
void ToggleList(HWND hwnd) {
    if (DataOf(hwnd).open) {
        CloseList(hwnd, true);
    } else {
        OpenList(hwnd);
    }
}

// ---- Message handlers --------------------------------------------------------------------------

LRESULT OnCreate(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
    DataOf(hwnd);
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    if (create != nullptr) KeepFieldHeight(hwnd, create->cy);
    return 0;
}

LRESULT OnSize(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    KeepFieldHeight(hwnd, HIWORD(lParam));
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT OnAddString(HWND hwnd, UINT, WPARAM, LPARAM lParam) { return Insert(hwnd, -1, lParam); }

LRESULT OnInsertString(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam) {
    // -1 inserts at the end, also in a sorted list.
    const int index = static_cast<int>(wParam);
    return Insert(hwnd, index < 0 ? static_cast<int>(DataOf(hwnd).items.size()) : index, lParam);
}

LRESULT OnDeleteString(HWND hwnd, UINT, WPARAM wParam, LPARAM) { return Delete(hwnd, wParam); }

LRESULT OnResetContent(HWND hwnd, UINT, WPARAM, LPARAM) {
    CloseList(hwnd, false);
    ComboData& data = DataOf(hwnd);
    data.items.clear();
    data.selection = CB_ERR;
    data.highlight = CB_ERR;
    data.firstShown = 0;
    Redraw(hwnd);
    return CB_OKAY;
}

LRESULT OnGetCount(HWND hwnd, UINT, WPARAM, LPARAM) {
    return static_cast<LRESULT>(DataOf(hwnd).items.size());
}

LRESULT OnGetCurSel(HWND hwnd, UINT, WPARAM, LPARAM) { return DataOf(hwnd).selection; }

LRESULT OnSetCurSel(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    ComboData& data = DataOf(hwnd);
    data.selection = ValidIndex(data, wParam) ? static_cast<int>(wParam) : CB_ERR;
    if (data.open) {
        data.highlight = data.selection;
        if (data.highlight >= 0) ScrollToHighlight(data);
    }
    Redraw(hwnd);
    return data.selection;
}

LRESULT OnGetItemData(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    const ComboData& data = DataOf(hwnd);
    return ValidIndex(data, wParam) ? data.items[wParam].data : CB_ERR;
}

LRESULT OnSetItemData(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam) {
    ComboData& data = DataOf(hwnd);
    if (!ValidIndex(data, wParam)) return CB_ERR;
    data.items[wParam].data = lParam;
    return CB_OKAY;
}

LRESULT OnGetItemTextLength(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    const ComboData& data = DataOf(hwnd);
    return ValidIndex(data, wParam) ? static_cast<LRESULT>(data.items[wParam].text.size()) : CB_ERR;
}

LRESULT OnGetItemText(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam) {
    const ComboData& data = DataOf(hwnd);
    return ValidIndex(data, wParam) ? CopyText(data.items[wParam].text, lParam) : CB_ERR;
}

LRESULT OnFindString(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam) {
    return Find(DataOf(hwnd), wParam, lParam, false);
}

LRESULT OnFindStringExact(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam) {
    return Find(DataOf(hwnd), wParam, lParam, true);
}

LRESULT OnSelectString(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam) {
    const int index = Find(DataOf(hwnd), wParam, lParam, false);
    if (index != CB_ERR) SendMessageW(hwnd, CB_SETCURSEL, index, 0);
    return index;
}

LRESULT OnGetItemHeight(HWND, UINT, WPARAM wParam, LPARAM) {
    return static_cast<int>(wParam) == -1 ? kFieldHeight : kItemHeight;
}

LRESULT OnShowDropDown(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    if (wParam) {
        OpenList(hwnd);
    } else {
        CloseList(hwnd, false);
    }
    return TRUE;
}

LRESULT OnGetDroppedState(HWND hwnd, UINT, WPARAM, LPARAM) {
    return DataOf(hwnd).open ? TRUE : FALSE;
}

LRESULT OnGetDroppedControlRect(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
    if (lParam == 0) return CB_ERR;
    auto* rect = reinterpret_cast<RECT*>(lParam);
    GetWindowRect(hwnd, rect);
    rect->bottom = rect->top + DataOf(hwnd).droppedHeight;
    return CB_OKAY;
}

LRESULT OnGetTextLength(HWND hwnd, UINT, WPARAM, LPARAM) {
    const ComboData& data = DataOf(hwnd);
    return data.selection >= 0 ? static_cast<LRESULT>(data.items[data.selection].text.size()) : 0;
}

// The text of a drop-down list is its selected item.
LRESULT OnGetText(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam) {
    const ComboData& data = DataOf(hwnd);
    auto* out = reinterpret_cast<LPWSTR>(lParam);
    if (out == nullptr || wParam == 0) return 0;
    const std::u16string text = data.selection >= 0 ? data.items[data.selection].text : u"";
    const size_t n = std::min(text.size(), static_cast<size_t>(wParam) - 1);
    std::copy_n(text.begin(), n, out);
    out[n] = 0;
    return static_cast<LRESULT>(n);
}

LRESULT OnGetDlgCode(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
    LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    // Enter opens and closes the list; Escape closes an open list.
    const MSG* key = reinterpret_cast<const MSG*>(lParam);
    if (key != nullptr && key->message == WM_KEYDOWN &&
        (key->wParam == VK_RETURN || (key->wParam == VK_ESCAPE && DataOf(hwnd).open))) {
        code |= DLGC_WANTMESSAGE;
    }
    return code;
}

LRESULT OnKeyDown(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    if (!IsWindowEnabled(hwnd)) return 0;
    if (wParam == VK_RETURN || wParam == VK_F4) {
        ToggleList(hwnd);
    } else if (wParam == VK_ESCAPE) {
        CloseList(hwnd, false);
    } else {
        MoveByKey(hwnd, wParam);
    }
    return 0;
}

// Alt+Down and Alt+Up open the list, or close it keeping the highlighted item.
LRESULT OnSysKeyDown(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!IsWindowEnabled(hwnd) || (wParam != VK_DOWN && wParam != VK_UP)) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    ToggleList(hwnd);
    return 0;
}

LRESULT OnChar(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    if (IsWindowEnabled(hwnd) && wParam > u' ') {
        SelectByCharacter(hwnd, static_cast<char16_t>(wParam));
    }
    return 0;
}

LRESULT OnStylusDown(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
    Tap(hwnd, StylusCell(hwnd, lParam));
    return 0;
}

// The wheel scrolls the open list.
LRESULT OnWheel(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    ComboData& data = DataOf(hwnd);
    if (!data.open) return DefWindowProcW(hwnd, msg, wParam, lParam);
    ScrollTo(data, data.firstShown - WheelNotches(wParam));
    Redraw(hwnd);
    return 0;
}

// Losing the focus, or the stylus, closes the list unchanged.
LRESULT OnCancel(HWND hwnd, UINT, WPARAM, LPARAM) {
    CloseList(hwnd, false);
    Redraw(hwnd);
    return 0;
}

LRESULT OnEnable(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    if (!wParam) CloseList(hwnd, false);
    Redraw(hwnd);
    return 0;
}

LRESULT OnSetFocus(HWND hwnd, UINT, WPARAM, LPARAM) {
    Redraw(hwnd);
    return 0;
}

constexpr MessageHandler kComboMessages[] = {
    {WM_CREATE, OnCreate},
    {WM_SIZE, OnSize},
    {CB_ADDSTRING, OnAddString},
    {CB_INSERTSTRING, OnInsertString},
    {CB_DELETESTRING, OnDeleteString},
    {CB_RESETCONTENT, OnResetContent},
    {CB_GETCOUNT, OnGetCount},
    {CB_GETCURSEL, OnGetCurSel},
    {CB_SETCURSEL, OnSetCurSel},
    {CB_GETITEMDATA, OnGetItemData},
    {CB_SETITEMDATA, OnSetItemData},
    {CB_GETLBTEXTLEN, OnGetItemTextLength},
    {CB_GETLBTEXT, OnGetItemText},
    {CB_FINDSTRING, OnFindString},
    {CB_FINDSTRINGEXACT, OnFindStringExact},
    {CB_SELECTSTRING, OnSelectString},
    {CB_GETITEMHEIGHT, OnGetItemHeight},
    {CB_SHOWDROPDOWN, OnShowDropDown},
    {CB_GETDROPPEDSTATE, OnGetDroppedState},
    {CB_GETDROPPEDCONTROLRECT, OnGetDroppedControlRect},
    {WM_GETTEXTLENGTH, OnGetTextLength},
    {WM_GETTEXT, OnGetText},
    {WM_GETDLGCODE, OnGetDlgCode},
    {WM_KEYDOWN, OnKeyDown},
    {WM_SYSKEYDOWN, OnSysKeyDown},
    {WM_CHAR, OnChar},
    {WM_LBUTTONDOWN, OnStylusDown},
    {WM_MOUSEWHEEL, OnWheel},
    {WM_KILLFOCUS, OnCancel},
    {WM_CANCELMODE, OnCancel},
    {WM_ENABLE, OnEnable},
    {WM_SETFOCUS, OnSetFocus},
};

LRESULT CALLBACK ComboProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DispatchMessageTo(kComboMessages, hwnd, msg, wParam, lParam);
}

void PaintField(HWND hwnd, Canvas& canvas, const ComboData& data) {
    const int width = canvas.Width();
    const bool focused = HasFocus(hwnd);
    uint16_t attr = IsWindowEnabled(hwnd) ? 0 : kAttrDim;
    if (focused) attr |= kAttrFocus;
    canvas.Fill(0, 0, width, canvas.Height(), u' ', attr);
    // The field: the selected text underlined (reversed while focused), then the arrow.
    const uint16_t textAttr = attr | (focused ? kAttrReverse : kAttrUnderline);
    canvas.Fill(0, 0, std::max(0, width - 1), 1, u' ', textAttr);
    if (data.selection >= 0) {
        canvas.Text(0, 0, data.items[data.selection].text, textAttr, std::max(0, width - 1));
    }
    canvas.Put(width - 1, 0, kArrowDown, attr);
}

void PaintList(Canvas& canvas, const ComboData& data) {
    const int width = canvas.Width();
    const int rows = ListRows(data);
    const int count = static_cast<int>(data.items.size());
    // Below the field with its lower edge, or above it with its upper edge.
    const int top = ListTop(canvas.WindowCells().top, canvas.ScreenRows(), rows);
    const bool above = top < 0;
    const bool scrolls = count > rows;
    const int textWidth = std::max(1, width - 2);
    for (int row = 0; row < rows; ++row) {
        const int index = data.firstShown + row;
        const int y = top + row;
        const uint16_t attr = index == data.highlight ? kAttrReverse : 0;
        canvas.Put(0, y, kVertical);
        canvas.Fill(1, y, textWidth, 1, u' ', attr);
        if (index < count) canvas.Text(1, y, data.items[index].text, attr, textWidth);
        char16_t edge = kVertical;
        if (scrolls) {
            const int thumb = (data.firstShown * rows + count / 2) / count;
            const int thumbRows = std::max(1, rows * rows / count);
            edge = row >= thumb && row < thumb + thumbRows ? kThumb : kTrack;
        }
        canvas.Put(width - 1, y, edge);
    }
    const int edgeRow = above ? top - 1 : top + rows;
    canvas.Put(0, edgeRow, above ? u'\u250C' : u'\u2514');
    canvas.Fill(1, edgeRow, std::max(0, width - 2), 1, u'\u2500');
    canvas.Put(width - 1, edgeRow, above ? u'\u2510' : u'\u2518');
}

void PaintCombo(HWND hwnd, Canvas& canvas, PaintLayer layer) {
    const ComboData* data = GetControlDataAs<ComboData>(hwnd);
    if (data == nullptr) return;
    if (layer == PaintLayer::kWindow) {
        PaintField(hwnd, canvas, *data);
    } else if (data->open && IsWindowVisible(hwnd)) {
        PaintList(canvas, *data);
    }
}

const bool kRegistered = RegisterSystemClass(u"COMBOBOX", ComboProc, PaintCombo);

}  // namespace

}  // namespace ce::win
