// The screen of the window system and its control interface for tests and tools.
//
// The screen is the terminal when standard input and output are terminals of a known type that
// can place its cursor: the window system draws with ncurses, takes the terminal's mouse as the
// stylus (its clicks as taps, its wheel; see The stylus in <winuser.h>), lays the screen out
// again when the terminal is resized (see Resizing in <winuser.h>), and leaves the terminal as it
// found it, its mouse reporting off, when the program ends (also on an error, SIGINT or SIGTERM). Under a locale without UTF-8 (LC_ALL=C)
// the terminal shows lines, arrows, blocks and scroll bars in ASCII (+ - | v ^ > : #); the
// composed screen that tests read keeps the characters themselves.
//
// Otherwise it is headless: nothing is drawn (the screen is still composed, 80 x 25 cells, for
// anyone who reads it), timers and messages work as usual, and every message box and every modal
// dialog that shows text writes one line to standard output when it opens:
//     <caption>: <text>
// where <text> is the message box's text, or the texts of the dialog's visible static controls
// joined by one blank; line breaks become blanks. A message box then answers its default button.
//
// Tests use the same headless window system in-process (UseHeadlessScreen): a fixed size, a
// manual clock, injected keys and taps, and the screen read back as cells.
#pragma once

#include <CeWindow/Api.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ce::screen {

// ---- Cells
// ---------------------------------------------------------------------------------------

// Attributes of a cell.
enum : uint16_t {
    kAttrReverse = 0x01,    // reverse video (a selected item, a soft key)
    kAttrDim = 0x02,        // dimmed: a disabled control
    kAttrBold = 0x04,       // bold
    kAttrFocus = 0x08,      // the control that has the keyboard focus
    kAttrUnderline = 0x10,  // underlined
    kAttrOverlay = 0x20,    // drawn above every window (the open list of a combo box)
};

// A colour as 0xRRGGBB, or kDefaultColor for the terminal's own.
inline constexpr uint32_t kDefaultColor = 0xFF000000u;

struct Cell {
    char16_t ch = u' ';
    uint16_t attr = 0;
    uint32_t fg = kDefaultColor;
    uint32_t bg = kDefaultColor;
    bool operator==(const Cell&) const = default;
};

// ---- Clock
// ---------------------------------------------------------------------------------------

// Where timers take the time from. (The destructors are the library's, so that it holds the
// classes' type information once, whatever the compiler inlines.)
class CEWINDOW_API Clock {
public:
    virtual ~Clock();
    virtual uint64_t NowMs() = 0;  // milliseconds, from any fixed start
};

// A clock that moves only when told. When the message loop has nothing queued and the clock is
// manual, it moves the clock on to the next due timer instead of waiting.
class CEWINDOW_API ManualClock : public Clock {
public:
    explicit ManualClock(uint64_t startMs = 0) : now_(startMs) {}
    ~ManualClock() override;
    uint64_t NowMs() override { return now_; }
    void Advance(uint64_t ms) { now_ += ms; }
    void Set(uint64_t ms) { now_ = ms; }

private:
    uint64_t now_;
};

// ---- Set-up
// --------------------------------------------------------------------------------------

// Makes this process's window system headless with a screen of `columns` x `rows` cells and a
// manual clock starting at 0 (returned; valid until the next call). Every window, timer, queued
// message, key and tap of the window system is dropped first, without messages; the shell state
// (task bar, input-panel button, Start icon) is shown again; registered resources stay.
CEWINDOW_API ManualClock& UseHeadlessScreen(int columns = 80, int rows = 25);

// Replaces the clock (the real clock is a monotonic one).
CEWINDOW_API void UseClock(std::shared_ptr<Clock> clock);

// True when the window system draws to a terminal.
CEWINDOW_API bool HasTerminal();

// True when keys can reach the program: the window system draws to a usable terminal, or a test
// drives the headless screen (UseHeadlessScreen). False without a usable terminal; *reason (when
// given) then says why, in a few words: "standard input is not a terminal", "standard output is
// not a terminal", "TERM is not set", "the terminal type "xterm-foo" is unknown", "the terminal
// "dumb" cannot place its cursor". A program that needs a person at the keys asks this before it
// shows anything and ends with that reason instead of running where nobody sees it. It does not
// take the terminal: the window system takes it when the program first shows a window or waits
// for a message, so that a program that ends before (a failed start) leaves the terminal as it
// was, with its messages on it.
//
// While the window system holds the terminal, what the program writes to standard error (when
// that is the terminal) is held and written out after the terminal is restored, also when a
// fatal signal ends the program: a message that ends it stays readable.
CEWINDOW_API bool IsInteractive(std::string* reason = nullptr);

// Changes the size of the headless screen, as a terminal resize does: the screen is laid out
// again (see Resizing in <winuser.h>: windows filling the work area or the screen refitted,
// centred ones centred again, the others kept on the screen) and every top-level window gets
// WM_SETTINGCHANGE with SETTINGCHANGE_RESET.
CEWINDOW_API void Resize(int columns, int rows);

// ---- Reading the screen
// --------------------------------------------------------------------------

CEWINDOW_API int Columns();
CEWINDOW_API int Rows();
// The composed screen now: one string per row, each `Columns()` characters long.
CEWINDOW_API std::vector<std::u16string> Text();
// One row as UTF-8 with trailing blanks removed (for messages of failed tests).
CEWINDOW_API std::string RowUtf8(int row);
// One cell; a blank cell outside the screen.
CEWINDOW_API Cell CellAt(int column, int row);
// Where the caret is shown (the focused control's), or {-1, -1}.
CEWINDOW_API std::pair<int, int> Caret();
// The cells that the window covers: its rectangle in screen cells (edges rounded to the nearest
// cell, at least one cell each way when it has a size; right and bottom exclusive); empty for a
// bad handle.
CEWINDOW_API RECT WindowCells(HWND hwnd);

// The shell's state (SHFullScreen).
struct ShellState {
    bool taskBar = true;
    bool sipButton = true;
    bool startIcon = true;
};
CEWINDOW_API ShellState Shell();

// ---- Input
// ---------------------------------------------------------------------------------------

// Modifiers of an injected key.
enum : unsigned { kModShift = 1, kModAlt = 2, kModControl = 4 };
// Queues a key press (WM_KEYDOWN, then WM_KEYUP; with kModAlt WM_SYSKEYDOWN and WM_SYSKEYUP; a
// key with a character also gives WM_CHAR through TranslateMessage). It goes to the focused
// window at the time the loop takes it (F1 to F4 to the active window's soft keys, see Soft
// keys in <winuser.h>).
CEWINDOW_API void PressKey(UINT virtualKey, unsigned modifiers = 0);
// Queues the key presses that type `text`.
CEWINDOW_API void TypeText(std::u16string_view text);
// Queues a tap on cell (column, row) of the screen, as a click of the terminal's mouse there: the
// stylus put down on the cell and lifted there (see The stylus in <winuser.h>). Taps and keys are
// taken in the order they were queued; a tap goes to the window drawn on the cell at the time the
// loop takes it.
CEWINDOW_API void Tap(int column, int row);
// The two halves of a tap, for a stylus lifted elsewhere than it was put down.
CEWINDOW_API void StylusDown(int column, int row);
CEWINDOW_API void StylusUp(int column, int row);
// Queues a turn of the wheel over cell (column, row) by `notches` (positive: away from the user).
CEWINDOW_API void Wheel(int column, int row, int notches);

// ---- Running the loop
// ----------------------------------------------------------------------------

// Dispatches everything pending now (queued messages, keys, due timers), offering each message
// to IsDialogMessageW of its top-level dialog first. Returns the number of messages dispatched.
// Does not move the clock. A WM_QUIT taken here is posted again and ends the pumping.
CEWINDOW_API int PumpMessages();

// Called when GetMessageW would wait for ever (manual clock, nothing queued, no timer). It
// returns true when it made something pending (pressed a key, posted a message, ...). Without a
// hook, or when it returns false, GetMessageW returns 0 with a WM_QUIT of wParam
// kStarvedExitCode, so that no loop hangs a test; StarvedCount() counts these.
inline constexpr int kStarvedExitCode = 0x5EED;
CEWINDOW_API void SetStarvedHook(std::function<bool()> hook);
CEWINDOW_API int StarvedCount();

// ---- Output
// --------------------------------------------------------------------------------------

// Receives the headless lines (UTF-8, without the line break) instead of standard output. An
// empty function restores standard output.
CEWINDOW_API void SetOutputSink(std::function<void(const std::string&)> sink);

// Answers message boxes instead of the default button (headless only): gets owner, caption,
// text and type, returns the button id, or 0 to show the box and let the keys answer.
CEWINDOW_API void SetMessageBoxHook(
    std::function<int(HWND owner, std::u16string_view caption, std::u16string_view text, UINT type)>
        hook);

}  // namespace ce::screen
