// The screen composer: draws the windows, bottom of the z-order first, then the task bar and the
// overlays, into a grid of cells that the terminal shows (or that tests read).
#include <CePlatform/Unicode.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "Terminal.h"
#include "WindowSystem.h"

namespace ce::win {

namespace {

RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

struct Composition {
    Grid grid;
    int caretX = -1;
    int caretY = -1;
};

// The caret a painter asked for, kept for the focused window only.
thread_local struct {
    bool set = false;
    int x = 0;
    int y = 0;
} t_caret;

// A frame around a captioned popup window, one cell outside it, with the caption in its top edge.
void PaintPopupFrame(const Window& window, const RECT& cells, Composition& screen) {
    const RECT outer{cells.left - 1, cells.top - 1, cells.right + 1, cells.bottom + 1};
    const RECT clip{0, 0, screen.grid.columns, screen.grid.rows};
    Canvas canvas(&screen.grid, window.handle, outer, clip, false);
    const int width = canvas.Width();
    const int height = canvas.Height();
    canvas.Frame(0, 0, width, height);
    if ((window.style & WS_CAPTION) == WS_CAPTION && !window.text.empty()) {
        canvas.Put(1, 0, u' ');
        const int used = canvas.Text(2, 0, window.text, kAttrBold, width - 4);
        canvas.Put(2 + used, 0, u' ');
    }
}

void PaintTree(HWND hwnd, const RECT& clip, Composition& screen) {
    std::shared_ptr<Window> window = RefWindow(hwnd);
    // Soft-key bars are drawn in the soft-key row, the active window's only.
    if (!window || !(window->style & WS_VISIBLE) || window->softKeyBar) return;
    const RECT cells = PixelsToCells(ScreenRect(*window));
    const RECT visible = Intersect(cells, clip);
    if (HasPopupFrame(*window)) PaintPopupFrame(*window, cells, screen);
    if (IsEmpty(visible)) return;
    Canvas canvas(&screen.grid, hwnd, cells, visible, false, &clip);
    t_caret.set = false;
    if (window->cls->painter) {
        window->cls->painter(hwnd, canvas, PaintLayer::kWindow);
    } else {
        canvas.Fill(0, 0, canvas.Width(), canvas.Height());
    }
    if (t_caret.set && HasFocus(hwnd)) {
        const int x = cells.left + t_caret.x;
        const int y = cells.top + t_caret.y;
        if (x >= visible.left && x < visible.right && y >= visible.top && y < visible.bottom) {
            screen.caretX = x;
            screen.caretY = y;
        }
    }
    const std::vector<HWND> children = window->children;
    for (auto it = children.rbegin(); it != children.rend(); ++it) PaintTree(*it, visible, screen);
}

void PaintOverlays(HWND hwnd, Composition& screen) {
    std::shared_ptr<Window> window = RefWindow(hwnd);
    if (!window || !(window->style & WS_VISIBLE)) return;
    if (window->overlay && window->cls->painter && IsWindowVisible(hwnd)) {
        const RECT cells = PixelsToCells(ScreenRect(*window));
        Canvas canvas(&screen.grid, hwnd, cells, RECT{0, 0, screen.grid.columns, screen.grid.rows},
                      true);
        window->cls->painter(hwnd, canvas, PaintLayer::kOverlay);
    }
    const std::vector<HWND> children = window->children;
    for (auto it = children.rbegin(); it != children.rend(); ++it) PaintOverlays(*it, screen);
}

// The soft-key row, the bottom row of the screen: the active window's soft-key bar; for a window
// without one but with the caption's OK button, "OK" on the left key. Otherwise the row is left
// to the windows (blank, or a window that covers it): no bar of a window behind shows there.
void PaintSoftKeyRow(Composition& screen) {
    const RECT row{0, screen.grid.rows - 1, screen.grid.columns, screen.grid.rows};
    if (const HWND bar = ActiveSoftKeyBar()) {
        Canvas canvas(&screen.grid, bar, row, row, false);
        if (const std::shared_ptr<Window> window = RefWindow(bar); window->cls->painter) {
            window->cls->painter(bar, canvas, PaintLayer::kWindow);
        }
        return;
    }
    Canvas canvas(&screen.grid, nullptr, row, row, false);
    if (CaptionOkOwner()) PaintSoftKeys(canvas, u"OK", u"");
}

constexpr std::u16string_view kCaptionOk = u"[ok]";

// The right-hand part of the task bar: the caption's OK button, the input-panel button and the
// time.
std::u16string TaskBarRight() {
    std::u16string right;
    if (CaptionOkOwner()) {
        right += kCaptionOk;
        right += u' ';
    }
    if (Sys().shell.sipButton) right += u"kb ";
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    char clock[8];
    snprintf(clock, sizeof(clock), "%02d:%02d", local.tm_hour, local.tm_min);
    return right + FromUtf8(clock);
}

// The task bar: the Start icon, the active window's title, the caption's OK button, the
// input-panel button and the time.
void PaintTaskBar(Composition& screen) {
    const System& sys = Sys();
    const int columns = screen.grid.columns;
    Canvas bar(&screen.grid, nullptr, RECT{0, 0, columns, 1}, RECT{0, 0, columns, 1}, false);
    bar.Fill(0, 0, columns, 1, u' ', kAttrReverse);
    int x = 0;
    if (sys.shell.startIcon) {
        bar.Put(0, 0, u'⊞', kAttrReverse | kAttrBold);
        x = 2;
    }
    std::u16string title;
    if (const Window* active = FindWindowObject(sys.active, false)) title = active->text;
    const std::u16string right = TaskBarRight();
    const int rightWidth = static_cast<int>(right.size());
    bar.Text(x, 0, title, kAttrReverse | kAttrBold, columns - x - rightWidth - 1);
    bar.Text(columns - rightWidth, 0, right, kAttrReverse);
}

}  // namespace

// ---- Canvas ------------------------------------------------------------------------------------

Canvas::Canvas(Grid* grid, HWND owner, RECT window, RECT clip, bool overlay, const RECT* reach)
    : grid_(grid),
      owner_(owner),
      window_(window),
      clip_(Intersect(clip, RECT{0, 0, grid->columns, grid->rows})),
      reach_(reach ? Intersect(*reach, RECT{0, 0, grid->columns, grid->rows}) : clip_),
      overlay_(overlay) {}

bool Canvas::HasColors() const { return ColorsAvailable(); }

void Canvas::Put(int x, int y, char16_t ch, uint16_t attr, uint32_t fg, uint32_t bg) {
    const int sx = window_.left + x;
    const int sy = window_.top + y;
    if (sx < clip_.left || sx >= clip_.right || sy < clip_.top || sy >= clip_.bottom) return;
    if (ch < 0x20 || (ch >= 0xD800 && ch <= 0xDFFF)) ch = ch < 0x20 ? u' ' : u'?';
    const size_t at = static_cast<size_t>(sy) * grid_->columns + sx;
    grid_->cells[at] =
        Cell{ch, static_cast<uint16_t>(attr | (overlay_ ? kAttrOverlay : 0)), fg, bg};
    grid_->owners[at] = owner_;
}

int Canvas::Text(int x, int y, std::u16string_view text, uint16_t attr, int maxWidth) {
    int count = static_cast<int>(text.size());
    if (maxWidth >= 0) count = std::min(count, maxWidth);
    for (int i = 0; i < count; ++i) Put(x + i, y, text[static_cast<size_t>(i)], attr);
    return std::max(count, 0);
}

void Canvas::Fill(int x, int y, int width, int height, char16_t ch, uint16_t attr) {
    for (int row = y; row < y + height; ++row) {
        for (int column = x; column < x + width; ++column) Put(column, row, ch, attr);
    }
}

void Canvas::Frame(int x, int y, int width, int height, uint16_t attr) {
    const int right = x + width - 1;
    const int bottom = y + height - 1;
    Fill(x + 1, y, width - 2, 1, u'─', attr);
    Fill(x + 1, bottom, width - 2, 1, u'─', attr);
    Fill(x, y + 1, 1, height - 2, u'│', attr);
    Fill(right, y + 1, 1, height - 2, u'│', attr);
    Put(x, y, u'┌', attr);
    Put(right, y, u'┐', attr);
    Put(x, bottom, u'└', attr);
    Put(right, bottom, u'┘', attr);
}

void Canvas::SetCaret(int x, int y) {
    t_caret.set = true;
    t_caret.x = x;
    t_caret.y = y;
}

void Canvas::Widen(int left, int right) {
    const RECT wider{window_.left - std::max(left, 0), window_.top,
                     window_.right + std::max(right, 0), window_.bottom};
    clip_ = Intersect(wider, reach_);
}

void PaintSoftKeys(Canvas& canvas, std::u16string_view left, std::u16string_view right) {
    const int width = canvas.Width();
    canvas.Fill(0, 0, width, canvas.Height());
    auto key = [](std::u16string_view label) { return u" " + std::u16string(label) + u" "; };
    if (!left.empty()) canvas.Text(0, 0, key(left), kAttrReverse, width / 2);
    if (!right.empty()) {
        const std::u16string label = key(right);
        const int shown = std::min(static_cast<int>(label.size()), width - width / 2);
        canvas.Text(width - shown, 0, label, kAttrReverse, shown);
    }
}

// ---- Composition -------------------------------------------------------------------------------

namespace {

Composition ComposeScreen() {
    EnsureStarted();
    const System& sys = Sys();
    Composition screen{Grid(sys.columns, sys.rows)};
    const RECT all{0, 0, sys.columns, sys.rows};
    const std::vector<HWND> tops = sys.topLevels;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) PaintTree(*it, all, screen);
    PaintSoftKeyRow(screen);
    if (sys.shell.taskBar && sys.rows > 0) PaintTaskBar(screen);
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) PaintOverlays(*it, screen);
    return screen;
}

}  // namespace

std::vector<screen::Cell> Compose(int* caretX, int* caretY) {
    Composition screen = ComposeScreen();
    if (caretX) *caretX = screen.caretX;
    if (caretY) *caretY = screen.caretY;
    return std::move(screen.grid.cells);
}

HWND WindowAtCell(int column, int row) {
    const Composition screen = ComposeScreen();
    const Grid& grid = screen.grid;
    if (column < 0 || row < 0 || column >= grid.columns || row >= grid.rows) return nullptr;
    const HWND hwnd = grid.owners[static_cast<size_t>(row) * grid.columns + column];
    return FindWindowObject(hwnd, false) ? hwnd : nullptr;
}

RECT CaptionOkCells() {
    const System& sys = Sys();
    if (!sys.shell.taskBar || !CaptionOkOwner()) return RECT{};
    const LONG left = sys.columns - static_cast<LONG>(TaskBarRight().size());
    return RECT{left, 0, left + static_cast<LONG>(kCaptionOk.size()), 1};
}

void RenderIfDirty() {
    System& sys = Sys();
    if (!sys.terminal || !sys.dirty) return;
    sys.dirty = false;
    int caretX = -1;
    int caretY = -1;
    const std::vector<screen::Cell> cells = Compose(&caretX, &caretY);
    sys.terminal->Render(cells, sys.columns, sys.rows, caretX, caretY);
}

bool ColorsAvailable() {
    const System& sys = Sys();
    return !sys.terminal || sys.terminal->HasColors();
}

namespace {

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Whether a rectangle is centred on an area, give or take a cell (a message box is placed on
// whole cells).
bool CentredOn(const RECT& rect, const RECT& area) {
    return std::abs((rect.left + rect.right) - (area.left + area.right)) <= 2 * kCellWidth &&
           std::abs((rect.top + rect.bottom) - (area.top + area.bottom)) <= 2 * kCellHeight;
}

// The offset that brings [low - margin, high + margin) into [areaLow, areaHigh), the low edge
// first when it is wider than the area.
LONG IntoRange(LONG low, LONG high, LONG margin, LONG areaLow, LONG areaHigh) {
    LONG offset = 0;
    if (high + margin > areaHigh) offset = areaHigh - (high + margin);
    if (low - margin + offset < areaLow) offset = areaLow - (low - margin);
    return offset;
}

// Where a top-level window goes when the screen changes its size, as it was placed: a window
// that filled the work area or the screen fills the new one; one centred on the work area is
// centred on the new one and kept inside it; any other is moved no more than needed to lie on
// the screen. A popup's frame, one cell around it, counts as part of it.
RECT Replace(const Window& window, const RECT& oldWork, const RECT& oldScreen, const RECT& newWork,
             const RECT& newScreen) {
    if (SameRect(window.rect, oldWork)) return newWork;
    if (SameRect(window.rect, oldScreen)) return newScreen;
    RECT rect = window.rect;
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    const RECT* area = &newScreen;
    if (CentredOn(rect, oldWork)) {
        area = &newWork;
        rect.left = newWork.left + ((newWork.right - newWork.left) - width) / 2;
        rect.top = newWork.top + ((newWork.bottom - newWork.top) - height) / 2;
    }
    const bool framed = HasPopupFrame(window);
    rect.left +=
        IntoRange(rect.left, rect.left + width, framed ? kCellWidth : 0, area->left, area->right);
    rect.top +=
        IntoRange(rect.top, rect.top + height, framed ? kCellHeight : 0, area->top, area->bottom);
    return RECT{rect.left, rect.top, rect.left + width, rect.top + height};
}

}  // namespace

void Relayout(int columns, int rows) {
    System& sys = Sys();
    columns = std::clamp(columns, 1, 1000);
    rows = std::clamp(rows, 2, 1000);
    if (columns == sys.columns && rows == sys.rows) return;
    const RECT oldWork = WorkArea();
    const RECT oldScreen{0, 0, sys.columns * kCellWidth, sys.rows * kCellHeight};
    sys.columns = columns;
    sys.rows = rows;
    const RECT newWork = WorkArea();
    const RECT newScreen{0, 0, columns * kCellWidth, rows * kCellHeight};
    const std::vector<HWND> tops = sys.topLevels;
    for (HWND top : tops) {
        Window* window = FindWindowObject(top, false);
        if (!window || window->softKeyBar) continue;  // a bar places itself on the bottom row
        const RECT target = Replace(*window, oldWork, oldScreen, newWork, newScreen);
        if (!SameRect(target, window->rect)) {
            MoveWindow(top, target.left, target.top, target.right - target.left,
                       target.bottom - target.top, TRUE);
        }
    }
    for (HWND top : tops) {
        if (IsWindow(top)) SendMessageW(top, WM_SETTINGCHANGE, SETTINGCHANGE_RESET, 0);
    }
    MarkDirty();
}

void WriteHeadlessLine(std::u16string_view caption, std::u16string_view text) {
    std::u16string line(caption);
    if (!line.empty()) line += u": ";
    line += text;
    for (size_t at = line.find(u"\r\n"); at != std::u16string::npos; at = line.find(u"\r\n", at)) {
        line.erase(at, 1);
    }
    for (char16_t& ch : line) {
        if (ch == u'\r' || ch == u'\n' || ch == u'\t') ch = u' ';
    }
    const std::string utf8 = ToUtf8(line);
    const System& sys = Sys();
    if (sys.outputSink) {
        sys.outputSink(utf8);
        return;
    }
    const std::string out = utf8 + "\n";
    fflush(stdout);
    size_t written = 0;
    while (written < out.size()) {
        const ssize_t n = write(STDOUT_FILENO, out.data() + written, out.size() - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
}

}  // namespace ce::win
