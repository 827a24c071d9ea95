// The state of the process's window system and the operations its parts share: window objects,
// the message queue, timers, activation and focus, the screen. One thread uses it (the UI
// thread); nothing here is locked.
#pragma once

#include <CeWindow/Screen.h>
#include <windows.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Window.h"

namespace ce::win {

struct ClassInfo {
    std::u16string name;
    std::string key;  // the folded name
    WNDPROC proc = nullptr;
    Painter painter = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    int wndExtra = 0;
    ATOM atom = 0;
    bool system = false;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<ClassInfo> cls;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HWND parent = nullptr;  // children only
    HWND owner = nullptr;   // top-level windows only
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    LONG_PTR userData = 0;
    RECT rect{};  // pixels, in the parent's client coordinates (the screen's for a top level)
    std::u16string text;
    std::vector<HWND> children;  // z-order, top first (creation order: the tab order)
    std::vector<uint8_t> extra;  // cbWndExtra bytes (a dialog's DWLP_* data)
    std::unique_ptr<ControlData> data;
    bool destroying = false;
    bool destroyed = false;
    bool overlay = false;
    bool softKeyBar = false;  // drawn in the soft-key row while its window is active
    // Dialogs.
    bool dialog = false;
    HWND savedFocus = nullptr;
    WORD defId = 0;
    bool ended = false;
    INT_PTR result = 0;
    bool ownerDisabled = false;  // a modal dialog disabled its owner
    HWND modalOwner = nullptr;

    bool IsChild() const { return (style & WS_CHILD) != 0; }
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT period = 0;
    TIMERPROC proc = nullptr;
    uint64_t due = 0;
};

struct KeyEvent {
    UINT vk = 0;
    char16_t ch = 0;
    unsigned modifiers = 0;
    bool up = false;
};

// The stylus on a cell of the screen (the terminal's mouse): put down, lifted, or the wheel
// turned there by `notches` (positive: away from the user).
struct StylusEvent {
    enum class Kind { kDown, kUp, kWheel };
    Kind kind = Kind::kDown;
    int column = 0;
    int row = 0;
    int notches = 0;
};

// The keyboard's and the stylus's events share one queue, in the order they came.
using InputEvent = std::variant<KeyEvent, StylusEvent>;

class Terminal;

struct System {
    std::map<HWND, std::shared_ptr<Window>> windows;
    std::vector<HWND> topLevels;  // z-order, top first
    std::map<std::string, std::shared_ptr<ClassInfo>> classes;
    uint64_t nextSerial = 1;
    ATOM nextAtom = 0xC000;
    HWND active = nullptr;
    HWND focus = nullptr;
    HWND keyCapture = nullptr;
    HWND stylusCapture = nullptr;
    std::map<HWND, HWND> softKeyBars;
    std::deque<MSG> posted;
    std::deque<InputEvent> input;
    bool quitPending = false;
    int quitCode = 0;
    std::vector<Timer> timers;
    UINT_PTR nextThreadTimer = 0x7000;
    std::shared_ptr<screen::Clock> clock;
    screen::ManualClock* manualClock = nullptr;
    int columns = 80;
    int rows = 25;
    screen::ShellState shell;
    bool dirty = true;
    unsigned keyModifiers = 0;  // of the key message being handled
    struct {
        HWND hwnd = nullptr;
        UINT vk = 0;
        char16_t ch = 0;
    } lastKey;
    std::function<bool()> starvedHook;
    int starvedCount = 0;
    std::function<void(const std::string&)> outputSink;
    std::function<int(HWND, std::u16string_view, std::u16string_view, UINT)> messageBoxHook;
    std::unique_ptr<Terminal> terminal;
    std::string terminalProblem;  // why there is no terminal (when there is none)
    bool headlessForced = false;
    bool started = false;
};

// The window system's state.
System& Sys();
// Starts the window system on its first use: opens the terminal when there is one (unless a
// headless screen was asked for) and registers the dialog class.
void EnsureStarted();
// Drops every window, message, key and timer without messages.
void ResetWindows();

// ---- Windows (Windows.cpp)
// -----------------------------------------------------------------------

// The live window behind a handle, or null (the last error is set to
// ERROR_INVALID_WINDOW_HANDLE when `setError`).
Window* FindWindowObject(HWND hwnd, bool setError = true);
std::shared_ptr<Window> RefWindow(HWND hwnd);
// The top-level window of `hwnd` (itself when it is one), or null.
HWND TopLevelOf(HWND hwnd);
bool IsDescendant(HWND ancestor, HWND hwnd);  // hwnd is ancestor or below it
// The window's rectangle in screen pixels.
RECT ScreenRect(const Window& window);
// Pixels to cells, rounded to the nearest cell.
RECT PixelsToCells(const RECT& pixels);
// Calls the window's procedure, keeping the window alive meanwhile; 0 for a dead window.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Makes `hwnd` (a top-level window or null) the active window, with WM_ACTIVATE and the focus
// moves that go with it.
void Activate(HWND hwnd);
// Moves the focus without the checks of SetFocus.
HWND MoveFocus(HWND hwnd);
// Brings a top-level window and the windows it owns to the top of the z-order.
void BringToTop(HWND hwnd);
// Tells the peer channel which top-level windows this process has.
void PublishTopLevels();
// The class registry's look-up (also of the system classes); null when unknown.
std::shared_ptr<ClassInfo> FindClass(LPCWSTR name);
// Activates another window after `leaving` is hidden or destroyed: its owner when that can be
// activated, else the topmost visible enabled top-level window.
void ActivateOther(HWND leaving);
// The soft-key bar that has the soft keys now: the shown bar of the active window when that is
// enabled; null when there is none.
HWND ActiveSoftKeyBar();
// Whether a top-level window is drawn with a frame one cell outside it (a popup with a caption or
// a border).
bool HasPopupFrame(const Window& window);
// The active window when it has the caption's OK button (WS_EX_CAPTIONOKBTN), else null.
HWND CaptionOkOwner();

// ---- Messages (Messages.cpp)
// ---------------------------------------------------------------------

uint64_t NowMs();
void MarkDirty();
// Takes the next message; with `wait`, waits for one. False when there is none (not waiting).
bool TakeMessage(MSG* msg, bool remove, bool wait);
void RemoveTimersOf(HWND hwnd);
// Runs a modal loop until `done` answers true (or WM_QUIT arrives, which is posted again; the
// function then returns false). `dialog` (may be null) gets IsDialogMessageW.
bool RunModalLoop(HWND dialog, const std::function<bool()>& done);
// The WM_COMMAND(IDOK) that the caption's OK button sends to `owner`.
MSG CaptionOkCommand(HWND owner);

// ---- The stylus (Stylus.cpp)
// ---------------------------------------------------------------------

// The message of a stylus event, or false when no window takes it. With `remove` the event is
// being taken: a tap then activates the window's top-level window first.
bool StylusMessage(const StylusEvent& event, bool remove, MSG* msg);

// ---- Screen (Composer.cpp, Terminal.cpp)
// ---------------------------------------------------------

// The composed screen, and the caret's position (-1, -1 when hidden).
std::vector<screen::Cell> Compose(int* caretX, int* caretY);
// The window drawn on a cell of the screen now (the last that drew there: an open list over the
// windows, a label drawn on beside its control, the soft-key bar on the bottom row), or null
// where none did or the shell drew over it (the task bar, the caption's OK soft key).
HWND WindowAtCell(int column, int row);
// The cells of the caption's OK button ("[ok]") on the task bar; empty when it is not shown.
RECT CaptionOkCells();
// Draws the screen on the terminal when there is one and it changed.
void RenderIfDirty();
// Lays the screen out again for a new size.
void Relayout(int columns, int rows);
// Writes a headless line ("caption: text") to the output sink or standard output.
void WriteHeadlessLine(std::u16string_view caption, std::u16string_view text);
bool ColorsAvailable();

// ---- Dialogs (Dialogs.cpp)
// -----------------------------------------------------------------------

LRESULT CALLBACK DialogWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void RegisterDialogClass();

}  // namespace ce::win
