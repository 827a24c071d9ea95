// Shared pieces of the window system's core tests: a headless screen on a temporary device and a
// window class that logs every message it gets.
#pragma once

#include <CePlatform/Resources.h>
#include <CePlatform/Screen.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "support/TempDevice.h"

namespace test {

struct Logged {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

inline std::vector<Logged>& MessageLog() {
    static std::vector<Logged> log;
    return log;
}

// What a logging window answers to WM_CREATE (-1 refuses the creation).
inline LRESULT& CreateAnswer() {
    static LRESULT answer = 0;
    return answer;
}

inline LRESULT CALLBACK LoggingWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    MessageLog().push_back({hwnd, msg, wParam, lParam});
    if (msg == WM_CREATE) return CreateAnswer();
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The messages of `hwnd` in the log, in order, limited to `only` when it is not empty.
inline std::vector<UINT> MessagesOf(HWND hwnd, const std::vector<UINT>& only = {}) {
    std::vector<UINT> out;
    for (const Logged& entry : MessageLog()) {
        if (entry.hwnd != hwnd) continue;
        if (!only.empty() && std::find(only.begin(), only.end(), entry.msg) == only.end()) continue;
        out.push_back(entry.msg);
    }
    return out;
}

class WindowTest : public testing::Test {
protected:
    static constexpr int kColumns = 40;
    static constexpr int kRows = 12;
    static constexpr const char16_t* kClass = u"Logging";

    void SetUp() override {
        clock_ = &ce::screen::UseHeadlessScreen(kColumns, kRows);
        lines_.clear();
        ce::screen::SetOutputSink([this](const std::string& line) { lines_.push_back(line); });
        MessageLog().clear();
        CreateAnswer() = 0;
        WNDCLASSW wc{};
        wc.lpfnWndProc = LoggingWindowProc;
        wc.hInstance = Instance();
        wc.lpszClassName = kClass;
        ASSERT_NE(0, RegisterClassW(&wc));
    }

    static HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

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

    TempDevice device_;
    ce::screen::ManualClock* clock_ = nullptr;
    std::vector<std::string> lines_;
};

}  // namespace test
