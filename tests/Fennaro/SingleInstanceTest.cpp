// The single-instance check across processes: a later start brings the first one's window
// forward (also when that window comes late) and, when no window ever comes, runs as a further
// instance; and the check's failures.
#include <CeWindow/Screen.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "Startup.h"
#include "support/ForkedChild.h"
#include "support/PlatformHooks.h"
#include "support/TempDevice.h"

namespace {

using test::ForkedChild;

constexpr int64_t kReady = 7;

HWND CreateTopLevel(LPCWSTR className) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    return CreateWindowExW(0, className, className, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
}

// A running instance: it holds the mutex, reports, waits `windowDelayMs` before its frame exists
// (never when negative), puts another window in front of it, and then reports 1 once a request
// brought the frame forward (0 when none came within about five seconds).
ForkedChild::Body RunningInstance(int windowDelayMs) {
    return [windowDelayMs](ForkedChild& self) -> int64_t {
        ce::screen::UseHeadlessScreen(44, 27);
        if (!CreateMutexW(nullptr, FALSE, u"Quenvale")) return -1;
        self.Report(kReady);
        if (windowDelayMs < 0) return 0;
        Sleep(static_cast<DWORD>(windowDelayMs));
        const HWND frame = CreateTopLevel(u"Quenvale");
        CreateTopLevel(u"Other");
        for (int i = 0; i < 500 && GetForegroundWindow() != frame; ++i) {
            ce::screen::PumpMessages();
            Sleep(10);
        }
        return GetForegroundWindow() == frame ? 1 : 0;
    };
}

class SingleInstance : public testing::Test {
protected:
    SingleInstance() { ce::screen::UseHeadlessScreen(44, 27); }

    CWideString WindowName() { return LoadWindowName(GetModuleHandleW(nullptr)); }
    test::TempDevice device_;
};

// Its window comes after 15 of the 25 tries, 100 ms apart, and is brought forward.
TEST_F(SingleInstance, AFirstInstanceStillCreatingItsWindowIsWaitedFor) {
    ForkedChild first(device_.Folder(), RunningInstance(1500));
    ASSERT_EQ(first.Next(), kReady);
    EXPECT_EQ(CheckSingleInstance(WindowName()), 1);
    EXPECT_EQ(first.Next(), 1);
}

// Each try opens the mutex; the tries are 100 ms apart (the median gap, which a loaded machine
// stretches only now and then).
TEST_F(SingleInstance, WithoutAWindowAfterTwentyFiveTriesTheStartRunsAsAFurtherInstance) {
    ForkedChild first(device_.Folder(), RunningInstance(-1));
    ASSERT_EQ(first.Next(), kReady);
    std::vector<std::chrono::steady_clock::time_point> tries;
    hooks::beforeCreateMutex = [&tries](LPCWSTR) {
        tries.push_back(std::chrono::steady_clock::now());
        return DWORD(ERROR_SUCCESS);
    };
    EXPECT_EQ(CheckSingleInstance(WindowName()), S_OK);
    hooks::Clear();
    ASSERT_EQ(tries.size(), 25u);
    std::vector<int64_t> gaps;
    for (size_t i = 1; i < tries.size(); ++i) {
        gaps.push_back(
            std::chrono::duration_cast<std::chrono::milliseconds>(tries[i] - tries[i - 1]).count());
    }
    std::sort(gaps.begin(), gaps.end());
    EXPECT_GE(gaps.front(), 100);
    EXPECT_LT(gaps[gaps.size() / 2], 150);
}

// The mutex is named after the window, "Quenvale". Without the window name, or without a mutex:
// E_INVALIDARG when the name belongs to an object of another kind, E_FAIL for any other reason.
TEST_F(SingleInstance, TheCheckFailsWithoutTheWindowNameOrItsMutex) {
    EXPECT_EQ(WindowName().View(), u"Quenvale");
    const CWideString none = LoadWindowName(reinterpret_cast<HINSTANCE>(0x5150));
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_EQ(CheckSingleInstance(none), E_FAIL);
    for (const auto& [error, result] :
         {std::pair{ERROR_INVALID_HANDLE, E_INVALIDARG}, std::pair{ERROR_ACCESS_DENIED, E_FAIL},
          std::pair{ERROR_ALREADY_EXISTS, E_FAIL}}) {
        hooks::beforeCreateMutex = [error](LPCWSTR) { return DWORD(error); };
        EXPECT_EQ(CheckSingleInstance(WindowName()), result) << error;
    }
    hooks::Clear();
}

}  // namespace
