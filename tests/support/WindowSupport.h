// Shared pieces of the window system's tests: a headless screen on a temporary device, a window
// class that logs what it gets, template controls, keys and screen reads.
#pragma once

#include <CePlatform/Unicode.h>
#include <CeWindow/Resources.h>
#include <CeWindow/Screen.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "support/TempDevice.h"

namespace test {

struct Logged {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

inline std::vector<Logged> g_messageLog;
inline LRESULT g_dlgCodeAnswer = 0;  // what a logging window answers to WM_GETDLGCODE

inline LRESULT CALLBACK LoggingWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_messageLog.push_back({hwnd, msg, wParam, lParam});
    if (msg == WM_GETDLGCODE) return g_dlgCodeAnswer;
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The logged messages among `only`, of every window, in order.
inline std::vector<std::pair<HWND, UINT>> Sequence(const std::vector<UINT>& only) {
    std::vector<std::pair<HWND, UINT>> out;
    for (const Logged& entry : g_messageLog) {
        if (std::find(only.begin(), only.end(), entry.msg) != only.end()) {
            out.emplace_back(entry.hwnd, entry.msg);
        }
    }
    return out;
}

// The messages of `hwnd` in the log, in order, limited to `only` when it is not empty.
inline std::vector<UINT> MessagesOf(HWND hwnd, const std::vector<UINT>& only = {}) {
    std::vector<UINT> out;
    for (const Logged& entry : g_messageLog) {
        if (entry.hwnd != hwnd) continue;
        if (only.empty() || std::find(only.begin(), only.end(), entry.msg) != only.end()) {
            out.push_back(entry.msg);
        }
    }
    return out;
}

// A rectangle as {left, top, right, bottom}, which compares and prints.
inline std::array<LONG, 4> Corners(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}
// A window's rectangle on the screen; all -7 when it has none.
inline std::array<LONG, 4> RectOf(HWND hwnd) {
    RECT rect{-7, -7, -7, -7};
    GetWindowRect(hwnd, &rect);
    return Corners(rect);
}

// Message boxes are shown and answered by the keys, not by their default button at once.
inline void ShowMessageBoxes() {
    ce::screen::SetMessageBoxHook(
        [](HWND, std::u16string_view, std::u16string_view, UINT) { return 0; });
}

// Runs `steps` one after the other, each when the message loop has run dry: inside a modal loop
// a step sees the screen as it is then and presses keys. With no step left the loop starves (and
// ends with kStarvedExitCode), so that a test never hangs.
inline void WhenIdle(std::vector<std::function<void()>> steps) {
    auto queue = std::make_shared<std::deque<std::function<void()>>>(steps.begin(), steps.end());
    ce::screen::SetStarvedHook([queue] {
        if (queue->empty()) return false;
        const std::function<void()> step = std::move(queue->front());
        queue->pop_front();
        step();
        return true;
    });
}

// The screen's rows as UTF-8, trailing blanks removed.
inline std::vector<std::string> ScreenRows() {
    std::vector<std::string> rows;
    for (int row = 0; row < ce::screen::Rows(); ++row) rows.push_back(ce::screen::RowUtf8(row));
    return rows;
}

// The first row that holds `text`, or -1.
inline int RowWith(const std::vector<std::string>& rows, const std::string& text) {
    for (size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].find(text) != std::string::npos) return static_cast<int>(row);
    }
    return -1;
}

// The cell where `text` first shows on the screen, searched row by row, or {-1, -1}.
inline POINT CellOf(const std::string& text) {
    const std::vector<std::u16string> rows = ce::screen::Text();
    for (size_t row = 0; row < rows.size(); ++row) {
        const size_t column = rows[row].find(ce::FromUtf8(text));
        if (column != std::u16string::npos) return {static_cast<LONG>(column), LONG(row)};
    }
    return {-1, -1};
}

// Queues a tap on the first character of `text` where the screen shows it; false (and nothing
// queued) when it does not.
inline bool TapOn(const std::string& text) {
    const POINT cell = CellOf(text);
    if (cell.x >= 0) ce::screen::Tap(cell.x, cell.y);
    return cell.x >= 0;
}

// A headless screen of 40 columns and kRows rows on a temporary device.
template <int kScreenRows>
class HeadlessTest : public testing::Test {
protected:
    static constexpr int kColumns = 40;
    static constexpr int kRows = kScreenRows;

    void SetUp() override {
        clock_ = &ce::screen::UseHeadlessScreen(kColumns, kRows);
        ce::screen::SetOutputSink([](const std::string&) {});
        g_messageLog.clear();
        g_dlgCodeAnswer = 0;
    }

    static HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

    // Presses the keys one after the other, each handled before the next.
    static void Press(UINT key, unsigned modifiers = 0) {
        ce::screen::PressKey(key, modifiers);
        ce::screen::PumpMessages();
    }
    static void Press(std::initializer_list<UINT> keys) {
        for (UINT key : keys) Press(key);
    }
    static std::string Row(int row) { return ce::screen::RowUtf8(row); }
    // The characters of cells [column, column + count) of a row, as UTF-8.
    static std::string Cells(int column, int row, int count) {
        std::u16string text;
        for (int i = 0; i < count; ++i) text += ce::screen::CellAt(column + i, row).ch;
        return ce::ToUtf8(text);
    }

    TempDevice device_;
    ce::screen::ManualClock* clock_ = nullptr;
};

// With a window class "Logging" of LoggingWindowProc.
class WindowTest : public HeadlessTest<12> {
protected:
    static constexpr const char16_t* kClass = u"Logging";

    void SetUp() override {
        HeadlessTest::SetUp();
        WNDCLASSW wc{};
        wc.lpfnWndProc = LoggingWindowProc;
        wc.hInstance = Instance();
        wc.lpszClassName = kClass;
        ASSERT_NE(0, RegisterClassW(&wc));
    }

    // A visible top-level window of the logging class filling the work area.
    static HWND CreateFrame(const char16_t* title = u"Frame", DWORD style = WS_VISIBLE) {
        return CreateWindowExW(0, kClass, title, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, Instance(), nullptr);
    }
    static HWND CreateChild(HWND parent, int id, DWORD style = WS_VISIBLE | WS_TABSTOP) {
        return CreateWindowExW(0, kClass, u"", WS_CHILD | style, 0, 0, 40, 8, parent,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), Instance(),
                               nullptr);
    }
};

// For the controls: a taller screen and modeless dialogs of a procedure that handles nothing.
class ControlsTest : public HeadlessTest<20> {
protected:
    // Registers `dialog` (with any extra resources) and creates it, modeless and shown; it is the
    // dialog that Item, Send, At and TextAt use from then on.
    HWND CreateDialogFrom(ce::res::Dialog dialog, ce::res::Table extra = {}) {
        const UINT id = dialog.id;
        extra.dialogs.push_back(std::move(dialog));
        ce::res::RegisterResources(Instance(), std::move(extra));
        const DLGPROC proc = [](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR {
            return msg == WM_INITDIALOG;
        };
        dialog_ = CreateDialogParamW(Instance(), MAKEINTRESOURCEW(id), nullptr, proc, 0);
        EXPECT_NE(dialog_, nullptr);
        ShowWindow(dialog_, SW_SHOW);
        ce::screen::PumpMessages();
        origin_ = ce::screen::WindowCells(dialog_);
        return dialog_;
    }

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    LRESULT Send(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageW(dialog_, id, msg, wParam, lParam);
    }
    // A cell, the text of `count` cells, and a tap, at a place given relative to the dialog.
    ce::screen::Cell At(int column, int row) const {
        return ce::screen::CellAt(origin_.left + column, origin_.top + row);
    }
    std::string TextAt(int column, int row, int count) const {
        return Cells(origin_.left + column, origin_.top + row, count);
    }
    void TapAt(int column, int row) const {
        ce::screen::Tap(origin_.left + column, origin_.top + row);
        ce::screen::PumpMessages();
    }

    HWND dialog_ = nullptr;
    RECT origin_{};
};

}  // namespace test
