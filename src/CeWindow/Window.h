// The window system's internal interface for the system control classes (static, button, combo
// box, edit, the soft-key bar): class registration with a painter, per-window state, overlays,
// key routing and resource look-ups. Controls otherwise use the public functions of <winuser.h>
// (SendMessageW to the parent, GetFocus, IsWindowEnabled, GetWindowTextW, InvalidateRect, ...).
#pragma once

#include <CeWindow/Resources.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Paint.h"

namespace ce::win {

// ---- Control classes ---------------------------------------------------------------------------

// Draws one window: called by the composer for each visible window of the class (see Paint.h).
using Painter = void (*)(HWND hwnd, Canvas& canvas, PaintLayer layer);

// Registers a system window class: its name (compared without regard to case), its window
// procedure and its painter (may be null: the window is filled with blanks). Callable from a
// static initialiser of a control's source file, before main:
//     static const bool kRegistered = ce::win::RegisterSystemClass(u"BUTTON", ButtonProc, Paint);
// Returns false when the name is taken.
bool RegisterSystemClass(std::u16string_view name, WNDPROC proc, Painter painter);

// ---- Per-window state --------------------------------------------------------------------------

// A control's own state, held by its window and destroyed after the window's WM_NCDESTROY.
class ControlData {
public:
    virtual ~ControlData() = default;
};

// The window's state, or null (also for a destroyed or bad handle).
ControlData* GetControlData(HWND hwnd);
// Gives the window its state, replacing (and destroying) any earlier one. False for a bad handle
// (the state is destroyed then).
bool SetControlData(HWND hwnd, std::unique_ptr<ControlData> data);
template <typename T>
T* GetControlDataAs(HWND hwnd) {
    return dynamic_cast<T*>(GetControlData(hwnd));
}

// ---- Window state ------------------------------------------------------------------------------

// The window's rectangle in screen cells (edges rounded to the nearest cell, at least one cell
// each way when it has a size; right and bottom exclusive); empty for a bad handle.
RECT WindowCells(HWND hwnd);
// The window's text, its style; empty or 0 for a bad handle.
std::u16string WindowText(HWND hwnd);
DWORD WindowStyle(HWND hwnd);
// Whether the window has the keyboard focus and its top-level window is the active one.
bool HasFocus(HWND hwnd);

// Asks the screen to be composed again (InvalidateRect does the same).
void Redraw(HWND hwnd);
// With `on`, the window's painter is also called in PaintLayer::kOverlay, above every window,
// until it is switched off or the window is destroyed.
void SetOverlay(HWND hwnd, bool on);

// ---- Keys --------------------------------------------------------------------------------------

// While set, every key from the keyboard goes to `hwnd` (an open menu); null releases. The
// capture ends when the window is destroyed.
void CaptureKeys(HWND hwnd);
HWND KeyCapture();
// Which soft key a key presses: 0 the left one (F1 or F3), 1 the right one (F2 or F4), -1 none.
int SoftKeyOf(UINT virtualKey);
// Which soft key a tap on `column` of the soft-key row presses: the left half the left one.
int SoftKeyAt(int column);
// The soft-key bar of a top-level window: while `owner` is the active window, enabled, and the
// bar shown, the bar fills the bottom row and the soft keys and the taps on that row go to it
// instead of the focus. A null bar removes it.
void SetSoftKeyBar(HWND owner, HWND bar);
HWND SoftKeyBar(HWND owner);
// Creates a soft-key bar (shown unless `hidden`) for the top-level window `owner` from `keys`:
// the first is the left soft key, the second the right one; a key with a popup opens it. A chosen
// command reaches `target` as WM_COMMAND(id, 0). Null when it cannot be created.
HWND CreateSoftKeyBar(HWND owner, HWND target, std::vector<res::MenuItem> keys, HINSTANCE instance,
                      bool hidden);
// Draws the soft-key row: blank, with each non-empty label as a reversed key at its end.
void PaintSoftKeys(Canvas& canvas, std::u16string_view left, std::u16string_view right);

// ---- The stylus --------------------------------------------------------------------------------
// A tap on a cell is the stylus put down on the cell's centre (WM_LBUTTONDOWN) and lifted there
// (WM_LBUTTONUP), with the point in the window's client pixels in lParam.

// While set, every stylus event goes to `hwnd` (a pressed button, an open list or menu), wherever
// it falls; null releases. The capture ends when the window is destroyed or another window is
// activated (the window gets WM_CANCELMODE then).
void CaptureStylus(HWND hwnd);
HWND StylusCapture();
// The cell of the point of a WM_LBUTTONDOWN or WM_LBUTTONUP to `hwnd`, counted from the window's
// top-left cell as its painter counts (negative, or beyond the window, outside it).
POINT StylusCell(HWND hwnd, LPARAM lParam);
// Whether the point of a WM_LBUTTONDOWN or WM_LBUTTONUP to `hwnd` lies on a cell that the window
// drew (its label drawn on beside it too) and that nothing covers.
bool StylusOn(HWND hwnd, LPARAM lParam);
// The notches of a WM_MOUSEWHEEL: positive away from the user (scrolls up).
int WheelNotches(WPARAM wParam);

// ---- Labels ------------------------------------------------------------------------------------
// A label (static text, check box) whose text does not fit its window draws on into the free
// cells beside it: cells of its parent, on its rows, that no visible sibling covers. It keeps one
// blank cell before a sibling when it can, so that it never touches the next control.

enum class Align { kLeft, kCentre, kRight };

// Where a label draws: columns [first, first + width) relative to its window.
struct LabelSpan {
    int first = 0;
    int width = 0;
};

// Places the label of `hwnd` and widens `canvas` to the span. `fits(width)` tells whether the
// label can be drawn whole in that many columns. The span is the window's own columns when the
// label fits there (less a last column that touches a sibling, when that is enough); otherwise it
// grows into the free cells, on the side the alignment points to first (both sides in turn for
// centred text). A label that fits nowhere gets the widest span that keeps the blank.
LabelSpan PlaceLabel(HWND hwnd, Canvas& canvas, Align align, const std::function<bool(int)>& fits);

// ---- Screen geometry ---------------------------------------------------------------------------

// Pixels per cell.
inline constexpr int kCellWidth = 4;
inline constexpr int kCellHeight = 8;
// The screen in cells, and the work area in pixels (the screen less the task bar when it is
// shown and less the soft-key row).
int ScreenColumns();
int ScreenRows();
RECT WorkArea();

// ---- Resources ---------------------------------------------------------------------------------
// A resource name is an id made with MAKEINTRESOURCEW; named resources do not exist. All of these
// give null for an unknown instance or id.

const res::Dialog* FindDialogResource(HINSTANCE instance, LPCWSTR name);
const res::Menu* FindMenuResource(HINSTANCE instance, UINT id);
const res::Image* FindBitmapResource(HINSTANCE instance, UINT id);
const res::Image* FindIconResource(HINSTANCE instance, UINT id);
// The image behind a handle of LoadBitmapW or LoadIconW (or of the kind asked for), or null.
const res::Image* ImageFromHandle(HANDLE image);
// A handle for an image resource, as LoadBitmapW / LoadIconW give (null when there is none).
HBITMAP BitmapHandle(HINSTANCE instance, UINT id);
HICON IconHandle(HINSTANCE instance, UINT id);

}  // namespace ce::win
