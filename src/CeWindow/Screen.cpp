// The control interface of the screen: the headless screen of tests, injected keys, taps and
// clock, reading the composed screen.
#include <CeWindow/Screen.h>
#include <CePlatform/Unicode.h>

#include <algorithm>
#include <string_view>

#include "Terminal.h"
#include "WindowSystem.h"

namespace ce::screen {

using win::Sys;
using win::System;

namespace {

// The character a key types, 0 for none.
char16_t KeyCharacter(UINT vk, unsigned modifiers) {
    const bool shift = (modifiers & kModShift) != 0;
    if (modifiers & kModControl) return 0;
    switch (vk) {
        case VK_RETURN:
            return u'\r';
        case VK_ESCAPE:
            return 0x1B;
        case VK_TAB:
            return u'\t';
        case VK_BACK:
            return 0x08;
        case VK_SPACE:
            return u' ';
        default:
            break;
    }
    if (vk >= 'A' && vk <= 'Z') return static_cast<char16_t>(shift ? vk : vk + ('a' - 'A'));
    if (vk >= '0' && vk <= '9' && !shift) return static_cast<char16_t>(vk);
    return 0;
}

}  // namespace

Clock::~Clock() = default;
ManualClock::~ManualClock() = default;

ManualClock& UseHeadlessScreen(int columns, int rows) {
    System& sys = Sys();
    win::ResetWindows();
    sys.terminal.reset();
    sys.headlessForced = true;
    sys.started = false;
    auto clock = std::make_shared<ManualClock>();
    sys.clock = clock;
    sys.manualClock = clock.get();
    sys.columns = std::clamp(columns, 1, 1000);
    sys.rows = std::clamp(rows, 2, 1000);
    sys.starvedHook = nullptr;
    sys.starvedCount = 0;
    sys.outputSink = nullptr;
    sys.messageBoxHook = nullptr;
    win::EnsureStarted();
    return *clock;
}

void UseClock(std::shared_ptr<Clock> clock) {
    System& sys = Sys();
    if (!clock) return;
    sys.manualClock = dynamic_cast<ManualClock*>(clock.get());
    sys.clock = std::move(clock);
}

bool HasTerminal() {
    win::EnsureStarted();
    return Sys().terminal != nullptr;
}

bool IsInteractive(std::string* reason) {
    const System& sys = Sys();
    if (sys.headlessForced || sys.terminal) return true;
    std::string why = sys.terminalProblem;
    if (!sys.started && win::Terminal::Usable(&why)) return true;
    if (reason) *reason = why;
    return false;
}

void Resize(int columns, int rows) {
    win::EnsureStarted();
    win::Relayout(columns, rows);
}

int Columns() { return win::ScreenColumns(); }

int Rows() { return win::ScreenRows(); }

std::vector<std::u16string> Text() {
    const std::vector<Cell> cells = win::Compose(nullptr, nullptr);
    const int columns = Sys().columns;
    std::vector<std::u16string> rows;
    for (size_t start = 0; start + columns <= cells.size(); start += columns) {
        std::u16string row;
        for (int i = 0; i < columns; ++i) row += cells[start + i].ch;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string RowUtf8(int row) {
    const std::vector<std::u16string> rows = Text();
    if (row < 0 || row >= static_cast<int>(rows.size())) return {};
    std::u16string text = rows[static_cast<size_t>(row)];
    while (!text.empty() && text.back() == u' ') text.pop_back();
    return ToUtf8(text);
}

Cell CellAt(int column, int row) {
    const std::vector<Cell> cells = win::Compose(nullptr, nullptr);
    const System& sys = Sys();
    if (column < 0 || row < 0 || column >= sys.columns || row >= sys.rows) return Cell{};
    return cells[static_cast<size_t>(row) * sys.columns + column];
}

std::pair<int, int> Caret() {
    int x = -1;
    int y = -1;
    win::Compose(&x, &y);
    return {x, y};
}

RECT WindowCells(HWND hwnd) { return win::WindowCells(hwnd); }

ShellState Shell() { return Sys().shell; }

void PressKey(UINT virtualKey, unsigned modifiers) {
    System& sys = Sys();
    const char16_t ch = KeyCharacter(virtualKey, modifiers);
    sys.input.push_back(win::KeyEvent{virtualKey, ch, modifiers, false});
    sys.input.push_back(win::KeyEvent{virtualKey, 0, modifiers, true});
}

void TypeText(std::u16string_view text) {
    System& sys = Sys();
    for (char16_t ch : text) {
        UINT vk = 0;
        unsigned modifiers = 0;
        if (ch >= u'a' && ch <= u'z') vk = ch - u'a' + 'A';
        if (ch >= u'A' && ch <= u'Z') vk = ch, modifiers = kModShift;
        if (ch >= u'0' && ch <= u'9') vk = ch;
        if (ch == u' ') vk = VK_SPACE;
        if (ch == u'\r' || ch == u'\n') vk = VK_RETURN, ch = u'\r';
        if (ch == u'\t') vk = VK_TAB;
        sys.input.push_back(win::KeyEvent{vk, ch, modifiers, false});
        sys.input.push_back(win::KeyEvent{vk, 0, modifiers, true});
    }
}

void Tap(int column, int row) {
    StylusDown(column, row);
    StylusUp(column, row);
}

void StylusDown(int column, int row) {
    Sys().input.push_back(win::StylusEvent{win::StylusEvent::Kind::kDown, column, row});
}

void StylusUp(int column, int row) {
    Sys().input.push_back(win::StylusEvent{win::StylusEvent::Kind::kUp, column, row});
}

void Wheel(int column, int row, int notches) {
    Sys().input.push_back(win::StylusEvent{win::StylusEvent::Kind::kWheel, column, row, notches});
}

int PumpMessages() {
    int count = 0;
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        ++count;
        // The nearest dialog holding the message's window (a view inside a frame, or a
        // top-level dialog) takes its keys.
        HWND dialog = nullptr;
        for (HWND hwnd = msg.hwnd; hwnd && !dialog; hwnd = GetParent(hwnd)) {
            win::Window* window = win::FindWindowObject(hwnd, false);
            if (!window) break;
            if (window->dialog) dialog = hwnd;
            if (!window->IsChild()) break;
        }
        if (dialog && IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return count;
}

void SetStarvedHook(std::function<bool()> hook) { Sys().starvedHook = std::move(hook); }

int StarvedCount() { return Sys().starvedCount; }

void SetOutputSink(std::function<void(const std::string&)> sink) {
    Sys().outputSink = std::move(sink);
}

void SetMessageBoxHook(
    std::function<int(HWND owner, std::u16string_view caption, std::u16string_view text, UINT type)>
        hook) {
    Sys().messageBoxHook = std::move(hook);
}

}  // namespace ce::screen
