// The edit control as the system uses it: multi-line and read-only, its text wrapped at blanks to
// the control's width (less one column for the vertical scroll bar of WS_VSCROLL), a caret that
// the arrow keys move (Shift extends the selection) and a tap places (the box takes the focus),
// and vertical scrolling that follows the caret; the wheel, and a tap on the scroll bar's arrows,
// scroll it a line at a time. Lines are the wrapped lines: EM_LINELENGTH, EM_LINEINDEX and
// EM_GETLINECOUNT count them. Typing does not change the text.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ControlText.h"
#include "MessageTable.h"
#include "Window.h"

namespace ce::win {

namespace {

constexpr char16_t kArrowUp = u'\u25B2';
constexpr char16_t kArrowDown = u'\u25BC';
constexpr char16_t kTrack = u'\u2591';
constexpr char16_t kThumb = u'\u2588';
// A scroll bar shows its arrows from this many rows on; a shorter one is all track.
constexpr int kRowsForArrows = 3;

struct EditData : ControlData {
    std::u16string text;
    std::vector<TextLine> lines;
    int wrapWidth = -1;  // the width `lines` were made for
    size_t anchor = 0;   // the selection runs from the anchor to the caret
    size_t caret = 0;
    int firstLine = 0;  // the first line shown
};

EditData& DataOf(HWND hwnd) { return ControlState<EditData>(hwnd); }

bool HasScrollBar(HWND hwnd) { return (WindowStyle(hwnd) & WS_VSCROLL) != 0; }

int TextColumns(HWND hwnd) {
    const RECT cells = WindowCells(hwnd);
    return std::max(1, static_cast<int>(cells.right - cells.left) - (HasScrollBar(hwnd) ? 1 : 0));
}

int VisibleRows(HWND hwnd) {
    const RECT cells = WindowCells(hwnd);
    return std::max(1, static_cast<int>(cells.bottom - cells.top));
}

// The data with its lines wrapped to the control's present width.
EditData& Layout(HWND hwnd) {
    EditData& data = DataOf(hwnd);
    const int width = TextColumns(hwnd);
    if (data.wrapWidth != width) {
        data.lines = WrapText(data.text, width);
        data.wrapWidth = width;
    }
    return data;
}

int LineCount(const EditData& data) { return static_cast<int>(data.lines.size()); }

// The line that holds character `index` (a position between the lines belongs to the next one).
int LineOf(const EditData& data, size_t index) {
    const auto after =
        std::upper_bound(data.lines.begin(), data.lines.end(), index,
                         [](size_t i, const TextLine& line) { return i < line.start; });
    return std::max(0, static_cast<int>(after - data.lines.begin()) - 1);
}

size_t ClampIndex(const EditData& data, LPARAM index) {
    if (index < 0 || static_cast<size_t>(index) > data.text.size()) return data.text.size();
    size_t at = static_cast<size_t>(index);
    // Never between the two characters of a "\r\n".
    if (at > 0 && at < data.text.size() && data.text[at - 1] == u'\r' && data.text[at] == u'\n') {
        --at;
    }
    return at;
}

int MaxFirstLine(HWND hwnd, const EditData& data) {
    return std::max(0, LineCount(data) - VisibleRows(hwnd));
}

void ScrollTo(HWND hwnd, EditData& data, int firstLine) {
    firstLine = std::clamp(firstLine, 0, MaxFirstLine(hwnd, data));
    if (firstLine == data.firstLine) return;
    data.firstLine = firstLine;
    Redraw(hwnd);
}

void ScrollToCaret(HWND hwnd, EditData& data) {
    const int line = LineOf(data, data.caret);
    const int rows = VisibleRows(hwnd);
    if (line < data.firstLine) {
        ScrollTo(hwnd, data, line);
    } else if (line >= data.firstLine + rows) {
        ScrollTo(hwnd, data, line - rows + 1);
    }
}

// Puts the caret at `index`; the selection collapses there unless it is being extended.
void MoveCaret(HWND hwnd, EditData& data, size_t index, bool extend) {
    data.caret = index;
    if (!extend) data.anchor = index;
    ScrollToCaret(hwnd, data);
    Redraw(hwnd);
}

// The caret's index on `line` at the column it has on its own line.
size_t SameColumnOn(const EditData& data, int line) {
    const TextLine& from = data.lines[LineOf(data, data.caret)];
    const TextLine& to = data.lines[line];
    const size_t column = data.caret - from.start;
    return to.start + std::min(column, to.length);
}

// The caret's index one character back, a "\r\n" counting as one.
size_t CharacterBefore(const EditData& data) {
    const std::u16string& text = data.text;
    size_t at = data.caret - 1;
    if (at > 0 && text[at - 1] == u'\r' && text[at] == u'\n') --at;
    return at;
}

// The caret's index one character on, a "\r\n" counting as one.
size_t CharacterAfter(const EditData& data) {
    const std::u16string& text = data.text;
    size_t at = data.caret + 1;
    if (text[data.caret] == u'\r' && at < text.size() && text[at] == u'\n') ++at;
    return at;
}

void HandleKey(HWND hwnd, WPARAM key) {
    EditData& data = Layout(hwnd);
    const bool extend = GetKeyState(VK_SHIFT) < 0;
    const int line = LineOf(data, data.caret);
    const int page = std::max(1, VisibleRows(hwnd) - 1);
    const int last = LineCount(data) - 1;
    switch (key) {
        case VK_LEFT:
            if (data.caret > 0) MoveCaret(hwnd, data, CharacterBefore(data), extend);
            break;
        case VK_RIGHT:
            if (data.caret < data.text.size()) MoveCaret(hwnd, data, CharacterAfter(data), extend);
            break;
        case VK_UP:
            if (line > 0) {
                MoveCaret(hwnd, data, SameColumnOn(data, line - 1), extend);
            } else {
                ScrollToCaret(hwnd, data);
            }
            break;
        case VK_DOWN:
            if (line < last) {
                MoveCaret(hwnd, data, SameColumnOn(data, line + 1), extend);
            } else {
                ScrollToCaret(hwnd, data);
            }
            break;
        case VK_PRIOR:
            MoveCaret(hwnd, data, SameColumnOn(data, std::max(0, line - page)), extend);
            break;
        case VK_NEXT:
            MoveCaret(hwnd, data, SameColumnOn(data, std::min(last, line + page)), extend);
            break;
        case VK_HOME:
            MoveCaret(hwnd, data, data.lines[line].start, extend);
            break;
        case VK_END:
            MoveCaret(hwnd, data, data.lines[line].start + data.lines[line].length, extend);
            break;
        default:
            break;  // key code 0 and every other key: nothing
    }
}

void SetText(HWND hwnd, LPCWSTR text) {
    EditData& data = DataOf(hwnd);
    data.text = text != nullptr ? text : u"";
    data.wrapWidth = -1;
    data.anchor = data.caret = 0;
    data.firstLine = 0;
    Redraw(hwnd);
}

LRESULT LineLength(HWND hwnd, WPARAM index) {
    EditData& data = Layout(hwnd);
    if (static_cast<int>(index) == -1) {
        // The characters of the selection's lines that are not selected.
        const size_t start = std::min(data.anchor, data.caret);
        const size_t end = std::max(data.anchor, data.caret);
        const TextLine& first = data.lines[LineOf(data, start)];
        const TextLine& last = data.lines[LineOf(data, end)];
        return static_cast<LRESULT>(
            (start - first.start) +
            (last.start + last.length - std::min(end, last.start + last.length)));
    }
    if (index > data.text.size()) return 0;
    return static_cast<LRESULT>(data.lines[LineOf(data, index)].length);
}

void VScroll(HWND hwnd, WPARAM action) {
    EditData& data = Layout(hwnd);
    const int page = std::max(1, VisibleRows(hwnd) - 1);
    switch (LOWORD(action)) {
        case SB_LINEUP:
            ScrollTo(hwnd, data, data.firstLine - 1);
            break;
        case SB_LINEDOWN:
            ScrollTo(hwnd, data, data.firstLine + 1);
            break;
        case SB_PAGEUP:
            ScrollTo(hwnd, data, data.firstLine - page);
            break;
        case SB_PAGEDOWN:
            ScrollTo(hwnd, data, data.firstLine + page);
            break;
        case SB_TOP:
            ScrollTo(hwnd, data, 0);
            break;
        case SB_BOTTOM:
            ScrollTo(hwnd, data, MaxFirstLine(hwnd, data));
            break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            ScrollTo(hwnd, data, HIWORD(action));
            break;
        default:
            break;
    }
}

// The index of the character shown at `column` of `line`; past the line's end, its end. The end
// of a line wrapped at a blank is the start of the next one: there the caret goes back onto the
// blank, so that it stays on the line tapped.
size_t IndexAt(const EditData& data, int line, LONG column) {
    const TextLine& at = data.lines[line];
    const size_t index =
        at.start + std::min(static_cast<size_t>(std::max<LONG>(0, column)), at.length);
    const bool wrapped = line + 1 < LineCount(data) && at.next == at.start + at.length;
    return wrapped && index == at.next && index > at.start ? index - 1 : index;
}

// A tap on the scroll bar's arrows scrolls a line (the focus stays where it is); on the text it
// takes the focus and puts the caret on the character tapped.
void Tap(HWND hwnd, POINT cell) {
    EditData& data = Layout(hwnd);
    const int rows = VisibleRows(hwnd);
    if (HasScrollBar(hwnd) && cell.x >= TextColumns(hwnd)) {
        if (rows >= kRowsForArrows && cell.y == 0) VScroll(hwnd, SB_LINEUP);
        if (rows >= kRowsForArrows && cell.y == rows - 1) VScroll(hwnd, SB_LINEDOWN);
        return;
    }
    SetFocus(hwnd);
    if (!IsWindow(hwnd)) return;
    const int line = std::clamp(data.firstLine + static_cast<int>(cell.y), 0, LineCount(data) - 1);
    MoveCaret(hwnd, data, IndexAt(data, line, cell.x), false);
}

// ---- Message handlers --------------------------------------------------------------------------

LRESULT OnCreate(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    const bool named =
        create != nullptr && create->lpszName != nullptr && !IS_INTRESOURCE(create->lpszName);
    SetText(hwnd, named ? create->lpszName : nullptr);
    return 0;
}

LRESULT OnSetText(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefWindowProcW(hwnd, msg, wParam, lParam);
    SetText(hwnd, reinterpret_cast<LPCWSTR>(lParam));
    return result;
}

LRESULT OnSize(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Layout(hwnd);
    ScrollTo(hwnd, DataOf(hwnd), DataOf(hwnd).firstLine);
    Redraw(hwnd);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT OnGetSel(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam) {
    const EditData& data = DataOf(hwnd);
    const auto start = static_cast<DWORD>(std::min(data.anchor, data.caret));
    const auto end = static_cast<DWORD>(std::max(data.anchor, data.caret));
    if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = start;
    if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = end;
    return (start > 0xFFFF || end > 0xFFFF) ? -1 : MAKELRESULT(start, end);
}

LRESULT OnSetSel(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam) {
    EditData& data = Layout(hwnd);
    const auto start = static_cast<LPARAM>(static_cast<int>(wParam));
    if (start == -1) {
        data.anchor = data.caret;  // only removes the selection
    } else {
        data.anchor = ClampIndex(data, start);
        data.caret = ClampIndex(data, static_cast<int>(lParam));
    }
    Redraw(hwnd);
    return 0;
}

LRESULT OnScrollCaret(HWND hwnd, UINT, WPARAM, LPARAM) {
    ScrollToCaret(hwnd, Layout(hwnd));
    return TRUE;
}

LRESULT OnGetLineCount(HWND hwnd, UINT, WPARAM, LPARAM) { return LineCount(Layout(hwnd)); }

LRESULT OnGetFirstVisibleLine(HWND hwnd, UINT, WPARAM, LPARAM) { return Layout(hwnd).firstLine; }

LRESULT OnLineFromChar(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    EditData& data = Layout(hwnd);
    const int index = static_cast<int>(wParam);
    return LineOf(data, index < 0 ? std::min(data.anchor, data.caret)
                                  : std::min<size_t>(index, data.text.size()));
}

LRESULT OnLineIndex(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    EditData& data = Layout(hwnd);
    const int line =
        static_cast<int>(wParam) == -1 ? LineOf(data, data.caret) : static_cast<int>(wParam);
    return line >= 0 && line < LineCount(data) ? static_cast<LRESULT>(data.lines[line].start) : -1;
}

LRESULT OnLineLength(HWND hwnd, UINT, WPARAM wParam, LPARAM) { return LineLength(hwnd, wParam); }

LRESULT OnGetLine(HWND hwnd, UINT, WPARAM wParam, LPARAM lParam) {
    EditData& data = Layout(hwnd);
    const int line = static_cast<int>(wParam);
    auto* buffer = reinterpret_cast<LPWSTR>(lParam);
    if (buffer == nullptr || line < 0 || line >= LineCount(data)) return 0;
    // The first word of the buffer holds its size in characters; no terminator.
    const size_t room = static_cast<WORD>(buffer[0]);
    const TextLine& at = data.lines[line];
    const size_t n = std::min(room, at.length);
    std::copy_n(data.text.begin() + static_cast<std::ptrdiff_t>(at.start), n, buffer);
    return static_cast<LRESULT>(n);
}

LRESULT OnLineScroll(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
    EditData& data = Layout(hwnd);
    ScrollTo(hwnd, data, data.firstLine + static_cast<int>(lParam));
    return TRUE;
}

LRESULT OnScroll(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    EditData& data = Layout(hwnd);
    const int before = data.firstLine;
    VScroll(hwnd, wParam);
    return MAKELRESULT(data.firstLine - before, TRUE);
}

LRESULT OnVScroll(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    VScroll(hwnd, wParam);
    return 0;
}

LRESULT OnStylusDown(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
    Tap(hwnd, StylusCell(hwnd, lParam));
    return 0;
}

LRESULT OnWheel(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    ScrollTo(hwnd, Layout(hwnd), Layout(hwnd).firstLine - WheelNotches(wParam));
    return 0;
}

// The control is always read-only.
LRESULT OnSetReadOnly(HWND, UINT, WPARAM, LPARAM) { return TRUE; }

LRESULT OnGetDlgCode(HWND, UINT, WPARAM, LPARAM) {
    return DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTCHARS;
}

LRESULT OnKeyDown(HWND hwnd, UINT, WPARAM wParam, LPARAM) {
    HandleKey(hwnd, wParam);
    return 0;
}

// Typing does not change the text.
LRESULT OnChar(HWND, UINT, WPARAM, LPARAM) { return 0; }

// The focus and the enabled state show.
LRESULT RedrawThenDefault(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Redraw(hwnd);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

constexpr MessageHandler kEditMessages[] = {
    {WM_CREATE, OnCreate},
    {WM_SETTEXT, OnSetText},
    {WM_SIZE, OnSize},
    {EM_GETSEL, OnGetSel},
    {EM_SETSEL, OnSetSel},
    {EM_SCROLLCARET, OnScrollCaret},
    {EM_GETLINECOUNT, OnGetLineCount},
    {EM_GETFIRSTVISIBLELINE, OnGetFirstVisibleLine},
    {EM_LINEFROMCHAR, OnLineFromChar},
    {EM_LINEINDEX, OnLineIndex},
    {EM_LINELENGTH, OnLineLength},
    {EM_GETLINE, OnGetLine},
    {EM_LINESCROLL, OnLineScroll},
    {EM_SCROLL, OnScroll},
    {WM_VSCROLL, OnVScroll},
    {WM_LBUTTONDOWN, OnStylusDown},
    {WM_MOUSEWHEEL, OnWheel},
    {EM_SETREADONLY, OnSetReadOnly},
    {WM_GETDLGCODE, OnGetDlgCode},
    {WM_KEYDOWN, OnKeyDown},
    {WM_CHAR, OnChar},
    {WM_SETFOCUS, RedrawThenDefault},
    {WM_KILLFOCUS, RedrawThenDefault},
    {WM_ENABLE, RedrawThenDefault},
};

LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DispatchMessageTo(kEditMessages, hwnd, msg, wParam, lParam);
}

// The scroll bar in column x; with the focus its arrows are marked (reversed on the terminal),
// while the track and the thumb stay as they are, so that the thumb still shows.
void PaintScrollBar(Canvas& canvas, int x, const EditData& data, int rows, bool enabled,
                    bool focused) {
    const int lines = LineCount(data);
    const uint16_t attr = enabled && lines > rows ? 0 : kAttrDim;
    if (rows < kRowsForArrows) {
        for (int y = 0; y < rows; ++y) canvas.Put(x, y, kTrack, attr);
        return;
    }
    const uint16_t arrowAttr = attr | (focused ? kAttrFocus : 0);
    canvas.Put(x, 0, kArrowUp, arrowAttr);
    canvas.Put(x, rows - 1, kArrowDown, arrowAttr);
    const int track = rows - 2;
    for (int y = 0; y < track; ++y) canvas.Put(x, 1 + y, kTrack, attr);
    if (lines <= rows) return;
    const int thumbRows = std::max(1, track * rows / lines);
    const int maxFirst = lines - rows;
    const int thumb = (track - thumbRows) * data.firstLine / maxFirst;
    for (int y = 0; y < thumbRows; ++y) canvas.Put(x, 1 + thumb + y, kThumb, attr);
}

void PaintEdit(HWND hwnd, Canvas& canvas, PaintLayer layer) {
    if (layer != PaintLayer::kWindow || GetControlDataAs<EditData>(hwnd) == nullptr) return;
    EditData& data = Layout(hwnd);
    const bool enabled = IsWindowEnabled(hwnd);
    const bool focused = HasFocus(hwnd);
    // Focused: bold text with the caret, the selection underlined (a whole text selected stays
    // readable), the scroll bar's arrows marked as the focus.
    uint16_t attr = enabled ? 0 : kAttrDim;
    if (focused) attr |= kAttrBold;
    const int columns = TextColumns(hwnd);
    const int rows = canvas.Height();
    canvas.Fill(0, 0, canvas.Width(), rows, u' ', attr);
    const size_t selStart = std::min(data.anchor, data.caret);
    const size_t selEnd = std::max(data.anchor, data.caret);
    const bool showSelection = focused || (WindowStyle(hwnd) & ES_NOHIDESEL);
    for (int y = 0; y < rows; ++y) {
        const int line = data.firstLine + y;
        if (line >= LineCount(data)) break;
        const TextLine& at = data.lines[line];
        const size_t shown = std::min(at.length, static_cast<size_t>(columns));
        for (size_t i = 0; i < shown; ++i) {
            const size_t index = at.start + i;
            const bool selected = showSelection && index >= selStart && index < selEnd;
            canvas.Put(static_cast<int>(i), y, data.text[index],
                       attr | (selected ? kAttrUnderline : 0));
        }
    }
    if (HasScrollBar(hwnd)) {
        PaintScrollBar(canvas, canvas.Width() - 1, data, rows, enabled, focused);
    }
    if (focused) {
        const int line = LineOf(data, data.caret);
        if (line >= data.firstLine && line < data.firstLine + rows) {
            const int column =
                std::min(static_cast<int>(data.caret - data.lines[line].start), columns - 1);
            canvas.SetCaret(column, line - data.firstLine);
        }
    }
}

const bool kRegistered = RegisterSystemClass(u"EDIT", EditProc, PaintEdit);

}  // namespace

}  // namespace ce::win
