// Shared pieces of the application's tests: a tweak whose answers the test sets and whose calls
// it logs, message boxes recorded and answered, and the application's screens as WinMain runs
// them, on the headless screen with its manual clock.
#pragma once

#include <CeFramework/App.h>
#include <CePlatform/Unicode.h>
#include <CeWindow/Screen.h>
#include <Lorrimek/TweakBase.h>
#include <Lorrimek/TweakersFactory.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "Lorrimek/TweakByClass.h"
#include "MainFrame.h"
#include "Startup.h"
#include "TweakViewItem.h"
#include "support/PlatformHooks.h"
#include "support/RegistryProbe.h"
#include "support/TempDevice.h"
#include "support/WindowSupport.h"

namespace test {

// The operations called on every fake tweak, in order: "<name>.<operation>".
inline std::vector<std::string>& TweakCalls() {
    static std::vector<std::string> calls;
    return calls;
}

// A tweak with the answers a test gives it. Enable and Disable change its state when they
// succeed; Restore puts back `restoredState`; with `configurable` it has a configuration, which
// Configure accepts when `configureAnswer` says so.
class CFakeTweak final : public CTweakBase {
public:
    explicit CFakeTweak(const std::string& name, int category = kCategorySystem)
        : CTweakBase(CWideString(std::u16string_view(u"CFakeTweak_" + ce::FromUtf8(name))),
                     CWideString(std::u16string_view(ce::FromUtf8(name))), u"A tweak of the tests.",
                     category),
          name_(name) {}

    bool enabled = false;
    bool restoredState = false;
    int enableResult = kTweakOk;
    int disableResult = kTweakOk;
    int restoreResult = kTweakOk;
    bool needsRestart = false;
    bool configurable = false;
    bool configureAnswer = false;

    BOOL NeedsRestart() override { return Log("NeedsRestart", needsRestart); }
    BOOL HasConfiguration() override { return configurable ? TRUE : FALSE; }
    BOOL Configure() override { return Log("Configure", configureAnswer); }
    BOOL IsEnabled() override { return Log("IsEnabled", enabled); }
    int Enable() override { return Change("Enable", enableResult, true); }
    int Disable() override { return Change("Disable", disableResult, false); }
    int Backup() override { return kTweakOk; }
    int Restore() override {
        Log("Restore", true);
        if (restoreResult == kTweakOk) enabled = restoredState;
        return restoreResult;
    }

private:
    BOOL Log(const char* operation, bool answer) {
        TweakCalls().push_back(name_ + "." + operation);
        return answer ? TRUE : FALSE;
    }
    int Change(const char* operation, int result, bool state) {
        Log(operation, true);
        if (result == kTweakOk) enabled = state;
        return result;
    }
    std::string name_;
};

// One message box as the application showed it, and how many journal events the device had
// then (to tell what came before and after it).
struct ShownBox {
    HWND owner;
    std::string caption;
    std::string text;
    UINT type;
    size_t eventsBefore;
};

// Records the message boxes of the headless screen and answers them from a queue (IDOK for an
// MB_OK box, else the queue's front, IDNO when it is empty).
class MessageBoxes {
public:
    explicit MessageBoxes(const TempDevice& device) {
        ce::screen::SetMessageBoxHook([this, &device](HWND owner, std::u16string_view caption,
                                                      std::u16string_view text, UINT type) {
            shown.push_back(
                {owner, ce::ToUtf8(caption), ce::ToUtf8(text), type, device.Events().size()});
            if ((type & MB_TYPEMASK) == MB_OK) return IDOK;
            if (answers.empty()) return IDNO;
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
        // The boxes' headless lines are what `shown` holds.
        ce::screen::SetOutputSink([](const std::string&) {});
    }
    ~MessageBoxes() {
        ce::screen::SetMessageBoxHook(nullptr);
        ce::screen::SetOutputSink(nullptr);
    }
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;

    std::vector<ShownBox> shown;
    std::deque<int> answers;
};

// A headless screen on a fresh device, with the fake tweaks' call log emptied.
class AppTest : public testing::Test {
protected:
    explicit AppTest(const ce::Profile& profile = {}) : device_(profile) {
        ce::screen::UseHeadlessScreen(44, 27);
        TweakCalls().clear();
    }

    TempDevice device_;
};

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
