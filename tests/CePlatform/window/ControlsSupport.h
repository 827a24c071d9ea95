// Shared pieces of the control tests: a headless screen, a dialog whose procedure logs the
// notifications it gets, key presses and screen reads.
#pragma once

#include <CePlatform/Resources.h>
#include <CePlatform/Screen.h>
#include <CePlatform/Unicode.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace test {

// A WM_COMMAND as the dialog got it, with the sending check box's tick at that moment.
struct Notification {
    int id = 0;
    int code = 0;
    HWND from = nullptr;
    LRESULT checkAtNotification = -1;
    bool operator==(const Notification&) const = default;
};

inline std::vector<Notification>& Notifications() {
    static std::vector<Notification> log;
    return log;
}

inline INT_PTR CALLBACK LoggingDialogProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg != WM_COMMAND) return FALSE;
    const HWND from = reinterpret_cast<HWND>(lParam);
    const LRESULT check = from != nullptr ? SendMessageW(from, BM_GETCHECK, 0, 0) : -1;
    Notifications().push_back({LOWORD(wParam), HIWORD(wParam), from, check});
    return TRUE;
}

class ControlsTest : public testing::Test {
protected:
    static constexpr int kColumns = 40;
    static constexpr int kRows = 20;

    void SetUp() override {
        ce::screen::UseHeadlessScreen(kColumns, kRows);
        Notifications().clear();
    }

    static HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

    // Registers `dialog` (with any extra resources) and creates it, modeless and shown.
    HWND CreateDialogFrom(ce::res::Dialog dialog, ce::res::Table extra = {}) {
        const UINT id = dialog.id;
        extra.dialogs.push_back(std::move(dialog));
        ce::res::RegisterResources(Instance(), std::move(extra));
        const HWND hwnd =
            CreateDialogParamW(Instance(), MAKEINTRESOURCEW(id), nullptr, LoggingDialogProc, 0);
        EXPECT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOW);
        ce::screen::PumpMessages();
        return hwnd;
    }

    static void Press(UINT key, unsigned modifiers = 0) {
        ce::screen::PressKey(key, modifiers);
        ce::screen::PumpMessages();
    }

    static std::string Row(int row) { return ce::screen::RowUtf8(row); }

    // The characters of cells [column, column + count) of a row, as UTF-8.
    static std::string Cells(int column, int row, int count) {
        std::u16string text;
        for (int i = 0; i < count; ++i) text += ce::screen::CellAt(column + i, row).ch;
        return ce::ToUtf8(text);
    }
};

}  // namespace test
