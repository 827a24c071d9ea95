// Shared pieces of the application's tests: a tweak whose answers the test sets and whose calls
// it logs, message boxes recorded and answered, and the device's state read back.
#pragma once

#include <CePlatform/Unicode.h>
#include <CeWindow/Screen.h>
#include <Lorrimek/TweakBase.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "TweakViewItem.h"
#include "support/TempDevice.h"

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

}  // namespace test
