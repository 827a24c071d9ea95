// The application's screens as WinMain runs them, on the headless screen with its manual clock,
// and what the tests read of them.
#pragma once

#include <CeFramework/App.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "FennaroTestSupport.h"
#include "MainFrame.h"
#include "Startup.h"
#include "support/WindowSupport.h"

namespace test {

inline std::string Text(HWND hwnd) {
    WCHAR text[1024] = {};
    GetWindowTextW(hwnd, text, 1024);
    return ce::ToUtf8(text);
}

// The entries of a combo box, in the order it shows them.
inline std::vector<std::string> Entries(HWND picker) {
    std::vector<std::string> entries;
    const LRESULT count = SendMessageW(picker, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        WCHAR text[256] = {};
        SendMessageW(picker, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(ce::ToUtf8(text));
    }
    return entries;
}

inline std::string Selected(HWND picker) {
    const LRESULT index = SendMessageW(picker, CB_GETCURSEL, 0, 0);
    const std::vector<std::string> entries = Entries(picker);
    return index >= 0 && index < static_cast<LRESULT>(entries.size()) ? entries[index] : "";
}

inline bool Checked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

inline RECT WindowRect(HWND hwnd) {
    RECT rect{-7, -7, -7, -7};
    GetWindowRect(hwnd, &rect);
    return rect;
}

// The application as WinMain runs it, on a headless screen of `columns` x `rows` cells.
class Screens : public AppTest {
protected:
    explicit Screens(const ce::Profile& profile = {}, int columns = 44, int rows = 27)
        : AppTest(profile), clock_(ce::screen::UseHeadlessScreen(columns, rows)) {
        module_.Init(GetModuleHandleW(nullptr));
        module_.AddMessageLoop(&loop_);
        ce::screen::SetOutputSink([](const std::string&) {});
    }
    ~Screens() override {
        frame_.reset();
        module_.RemoveMessageLoop();
        module_.Term();
        ce::screen::SetOutputSink(nullptr);
    }

    // Creates and shows the frame: the splash screen runs its second meanwhile.
    CMainFrame& Start() {
        frame_ = std::make_unique<CMainFrame>();
        EXPECT_NE(frame_->CreateFrame(LoadWindowName(GetModuleHandleW(nullptr))), nullptr);
        frame_->ShowWindow(SW_SHOW);
        ce::screen::PumpMessages();
        return *frame_;
    }
    HWND View() { return frame_->View().m_hWnd; }
    HWND Control(int id) { return GetDlgItem(View(), id); }
    void Advance(uint64_t ms) {
        clock_.Advance(ms);
        ce::screen::PumpMessages();
    }
    // A picker's selection changed as the user changes it.
    void Pick(int pickerId, const std::string& entry) {
        const HWND picker = Control(pickerId);
        const std::vector<std::string> entries = Entries(picker);
        const auto found = std::find(entries.begin(), entries.end(), entry);
        ASSERT_NE(found, entries.end()) << entry;
        SendMessageW(picker, CB_SETCURSEL, static_cast<WPARAM>(found - entries.begin()), 0);
        SendMessageW(View(), WM_COMMAND, MAKEWPARAM(pickerId, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(picker));
    }
    void Click(int boxId) { SendMessageW(Control(boxId), BM_CLICK, 0, 0); }
    // The exit code of the quit message that ended the loop, or -1 while it runs.
    int QuitCode() {
        MSG msg{};
        if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
            return static_cast<int>(msg.wParam);
        return -1;
    }
    // The item of the tweak picker's selection.
    CTweakViewItem* SelectedItem() {
        const HWND picker = Control(IDC_TWEAK);
        const LRESULT index = SendMessageW(picker, CB_GETCURSEL, 0, 0);
        return reinterpret_cast<CTweakViewItem*>(
            SendMessageW(picker, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
    }

    ce::screen::ManualClock& clock_;
    CAppModule module_;
    CMessageLoop loop_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace test
