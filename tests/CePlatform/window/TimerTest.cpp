// Timers: WM_TIMER through the loop after the period on the injected clock, replacement by id,
// KillTimer, timer procedures, and a loop with nothing to wait for.
#include "CePlatform/window/CoreSupport.h"

namespace {

using test::MessageLog;
using Fired = std::vector<std::pair<UINT_PTR, uint64_t>>;

class TimerTest : public test::WindowTest {
protected:
    // Runs the loop until WM_QUIT, quitting on the `count`-th WM_TIMER; returns the timer ids in
    // the order they came, with the clock at each.
    Fired RunTimers(size_t count) {
        Fired fired;
        MSG msg{};
        while (GetMessageW(&msg, nullptr, 0, 0)) {
            if (msg.message == WM_TIMER) {
                fired.emplace_back(msg.wParam, clock_->NowMs());
                if (fired.size() == count) PostQuitMessage(0);
            }
            DispatchMessageW(&msg);
        }
        return fired;
    }
};

TEST_F(TimerTest, TimersRepeatAfterTheirPeriodsSettingAgainRestartsOneAndKillStopsIt) {
    const HWND frame = CreateFrame();
    EXPECT_EQ(1u, SetTimer(frame, 1, 1000, nullptr));
    EXPECT_EQ(2u, SetTimer(frame, 2, 300, nullptr));
    EXPECT_EQ((Fired{{2, 300}, {2, 600}, {2, 900}, {1, 1000}, {2, 1200}}), RunTimers(5));

    clock_->Advance(90);                              // 1290: timer 2 is due at 1500
    EXPECT_EQ(2u, SetTimer(frame, 2, 100, nullptr));  // replaced: due at 1390, before timer 1
    EXPECT_EQ((Fired{{2, 1390}}), RunTimers(1));

    EXPECT_TRUE(KillTimer(frame, 1));
    EXPECT_TRUE(KillTimer(frame, 2));
    EXPECT_FALSE(KillTimer(frame, 2));
    EXPECT_FALSE(KillTimer(nullptr, 1));
    clock_->Advance(5000);
    MSG msg{};
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(TimerTest, ATimerWaitsForPostedMessagesAndFiresOnceHoweverLate) {
    const HWND frame = CreateFrame();
    SetTimer(frame, 7, 50, nullptr);
    clock_->Advance(500);  // ten periods late
    PostMessageW(frame, WM_USER, 0, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_USER), msg.message);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_TIMER), msg.message);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));  // next one due at 550
}

TEST_F(TimerTest, TimerProceduresAndThreadTimersAreCalledByDispatch) {
    static std::vector<UINT_PTR> called;
    called.clear();
    auto proc = [](HWND, UINT msg, UINT_PTR id, DWORD) {
        if (msg == WM_TIMER) called.push_back(id);
    };
    const UINT_PTR first = SetTimer(nullptr, 0, 10, +proc);
    const UINT_PTR second = SetTimer(nullptr, 0, 20, +proc);
    EXPECT_NE(0u, first);
    EXPECT_NE(first, second);
    RunTimers(2);
    EXPECT_EQ((std::vector<UINT_PTR>{first, first}), called);
    KillTimer(nullptr, first);
    KillTimer(nullptr, second);

    // A WM_TIMER posted with an lParam that no timer was set with calls nothing.
    const HWND frame = CreateFrame();
    PostMessageW(frame, WM_TIMER, 5, 0x1234);
    MessageLog().clear();
    EXPECT_EQ(1, ce::screen::PumpMessages());
    EXPECT_TRUE(test::MessagesOf(frame, {WM_TIMER}).empty());
}

TEST_F(TimerTest, DestroyedWindowsLoseTheirTimersAndBadWindowsGetNone) {
    const HWND frame = CreateFrame();
    SetTimer(frame, 1, 10, nullptr);
    DestroyWindow(frame);
    EXPECT_EQ(0u, SetTimer(frame, 1, 10, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
    EXPECT_FALSE(KillTimer(frame, 1));

    // Nothing can ever come: the loop does not hang, it quits with the starved code.
    MSG msg{};
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(static_cast<WPARAM>(ce::screen::kStarvedExitCode), msg.wParam);
    EXPECT_EQ(1, ce::screen::StarvedCount());
    // (A starved hook that makes progress keeps the loop going: the shown message boxes.)
}

}  // namespace
