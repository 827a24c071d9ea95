// Windows and messages: creation, destruction, activation and focus in order, the queue, timers on
// the injected clock, and what processes leave in the device's runtime area.
#include <CePlatform/Device.h>
#include <gmock/gmock.h>

#include <filesystem>

#include "support/ForkedChild.h"
#include "support/WindowSupport.h"

namespace {

using test::g_messageLog;
using test::MessagesOf;
using test::RectOf;
using test::Sequence;
using Order = std::vector<std::pair<HWND, UINT>>;

class MessageTest : public test::WindowTest {};

TEST_F(MessageTest, CreationAndDestructionSendTheirMessagesInOrder) {
    const HWND frame = CreateFrame(u"Notebook");
    const HWND child = CreateChild(frame, 7);
    ASSERT_NE(nullptr, child);
    // FindWindowW finds top-level windows by class or title, without regard to case.
    EXPECT_EQ(frame, FindWindowW(u"logging", nullptr));
    EXPECT_EQ(frame, FindWindowW(nullptr, u"NOTEBOOK"));
    EXPECT_EQ(nullptr, FindWindowW(kClass, u"Other"));
    const std::vector<UINT> creation = {WM_NCCREATE,   WM_CREATE,   WM_SIZE,    WM_MOVE,
                                        WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS};
    EXPECT_EQ(creation, MessagesOf(frame, creation));
    EXPECT_EQ(frame, GetFocus());
    EXPECT_EQ(7, GetDlgCtrlID(child));
    EXPECT_EQ(child, GetDlgItem(frame, 7));

    g_messageLog.clear();
    ASSERT_TRUE(DestroyWindow(frame));
    // WM_DESTROY parent first, WM_NCDESTROY child first.
    EXPECT_EQ((Order{{frame, WM_DESTROY},
                     {child, WM_DESTROY},
                     {child, WM_NCDESTROY},
                     {frame, WM_NCDESTROY}}),
              Sequence({WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(nullptr, GetActiveWindow());
    EXPECT_EQ(nullptr, GetFocus());
    EXPECT_EQ(nullptr, FindWindowW(kClass, nullptr));

    // A new window never gets a destroyed window's handle.
    const HWND again = CreateFrame();
    EXPECT_NE(frame, again);
    EXPECT_NE(child, again);
}

TEST_F(MessageTest, DefaultPlacesAndMovesMapToTheScreen) {
    const HWND frame = CreateFrame();
    // CW_USEDEFAULT gives a top-level window the work area, a child (0, 0) and no size.
    EXPECT_EQ((std::array<LONG, 4>{0, 8, kColumns * 4, (kRows - 1) * 8}), RectOf(frame));
    const HWND child =
        CreateWindowExW(0, kClass, u"", WS_CHILD | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, frame, nullptr, Instance(), nullptr);
    EXPECT_EQ((std::array<LONG, 4>{0, 8, 0, 8}), RectOf(child));
    g_messageLog.clear();
    ASSERT_TRUE(MoveWindow(child, 12, 16, 20, 24, TRUE));
    EXPECT_EQ((std::vector<UINT>{WM_SIZE, WM_MOVE}), MessagesOf(child, {WM_SIZE, WM_MOVE}));
    EXPECT_EQ((std::array<LONG, 4>{12, 24, 32, 48}), RectOf(child));
    POINT point{12, 24};
    ASSERT_TRUE(ScreenToClient(frame, &point));
    EXPECT_EQ(12, point.x);
    EXPECT_EQ(16, point.y);
    RECT client{-7, -7, -7, -7};
    ASSERT_TRUE(GetClientRect(child, &client));
    EXPECT_EQ((std::array<LONG, 4>{0, 0, 20, 24}), test::Corners(client));
}

// Posted messages come in order before the keys, and the quit after them; a key goes to the focus
// and TranslateMessage (in the test's Press) adds its character.
TEST_F(MessageTest, PostedMessagesComeBeforeKeysAndKeysGoToTheFocus) {
    const HWND frame = CreateFrame();
    const HWND child = CreateChild(frame, 1);
    SetFocus(child);
    ce::screen::PressKey('Q');
    PostMessageW(frame, WM_USER + 1, 1, 0);
    PostMessageW(frame, WM_USER + 2, 2, 0);
    PostQuitMessage(42);
    PostMessageW(frame, WM_USER + 3, 3, 0);

    MSG msg{};
    std::vector<UINT> got;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        got.push_back(msg.message);
        DispatchMessageW(&msg);
    }
    EXPECT_EQ(static_cast<WPARAM>(42), msg.wParam);
    EXPECT_EQ((std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3}), got);
    // The key is still queued for the next loop, also after a peek that leaves it; untranslated,
    // it gives no WM_CHAR.
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    g_messageLog.clear();
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_EQ((std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}), MessagesOf(child));
    EXPECT_EQ(static_cast<WPARAM>('Q'), g_messageLog[0].wParam);

    g_messageLog.clear();
    Press('Q', ce::screen::kModShift);
    ASSERT_EQ((std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}), MessagesOf(child));
    EXPECT_EQ(static_cast<WPARAM>(u'Q'), g_messageLog[1].wParam);
}

TEST_F(MessageTest, FocusAndActivationMovesSendTheirMessagesInOrder) {
    const HWND first = CreateFrame(u"First");
    const HWND a = CreateChild(first, 1);
    const HWND b = CreateChild(first, 2);
    SetFocus(a);
    g_messageLog.clear();
    EXPECT_EQ(a, SetFocus(b));
    EXPECT_EQ((Order{{a, WM_KILLFOCUS}, {b, WM_SETFOCUS}}), Sequence({WM_KILLFOCUS, WM_SETFOCUS}));
    EXPECT_EQ(a, reinterpret_cast<HWND>(g_messageLog.back().wParam));

    // Another top-level window: the first is deactivated before the second is activated, and
    // the focus follows.
    g_messageLog.clear();
    const HWND second = CreateFrame(u"Second");
    EXPECT_EQ(
        (Order{
            {first, WM_ACTIVATE}, {second, WM_ACTIVATE}, {b, WM_KILLFOCUS}, {second, WM_SETFOCUS}}),
        Sequence({WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS}));
    EXPECT_EQ(second, GetActiveWindow());

    // Focusing a control of the first window activates it again; a disabled one refuses.
    EXPECT_NE(nullptr, SetFocus(a));
    EXPECT_EQ(first, GetActiveWindow());
    EXPECT_FALSE(EnableWindow(b, FALSE));  // it was enabled
    EXPECT_EQ(nullptr, SetFocus(b));
    EXPECT_EQ(a, GetFocus());
}

TEST_F(MessageTest, SetForegroundWindowBringsAWindowAndItsOwnedWindowsForward) {
    const HWND first = CreateFrame(u"First");
    const HWND owned = CreateWindowExW(0, kClass, u"Owned", WS_POPUP | WS_VISIBLE, 0, 8, 40, 16,
                                       first, nullptr, Instance(), nullptr);
    const HWND second = CreateFrame(u"Second");
    ASSERT_EQ(second, GetWindow(first, GW_HWNDFIRST));

    const auto withOwned = reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(first) | 1);
    EXPECT_TRUE(SetForegroundWindow(withOwned));
    EXPECT_EQ(first, GetActiveWindow());
    EXPECT_EQ(owned, GetWindow(first, GW_HWNDFIRST));
    EXPECT_EQ(first, GetWindow(owned, GW_HWNDNEXT));
    EXPECT_EQ(second, GetWindow(first, GW_HWNDNEXT));
    EXPECT_EQ(first, GetParent(owned));

    DestroyWindow(second);
    EXPECT_FALSE(SetForegroundWindow(second));
}

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

TEST_F(TimerTest, TimersRepeatAfterTheirPeriodsAreReplacedByIdAndKilled) {
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

// A late timer waits for posted messages and fires once however late. A destroyed window loses
// its timers, and a loop with nothing left to wait for quits with the starved code, never hangs.
TEST_F(TimerTest, LateTimersFireOnceAndDestroyedWindowsLoseTheirs) {
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

    DestroyWindow(frame);
    EXPECT_EQ(0u, SetTimer(frame, 1, 10, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
    EXPECT_FALSE(KillTimer(frame, 7));
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(static_cast<WPARAM>(ce::screen::kStarvedExitCode), msg.wParam);
    EXPECT_EQ(1, ce::screen::StarvedCount());
}

// A process removes its files from the runtime area when it ends (its windows' list and lock, its
// mutexes' lock files), and what killed processes leave is removed by the next process that looks:
// after 100 runs and 20 kills only what live processes hold is there.
TEST(RuntimeArea, HoldsOnlyWhatLiveProcessesHold) {
    test::TempDevice device;
    ce::screen::UseHeadlessScreen(40, 12);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"Run";
    RegisterClassW(&wc);
    static const auto create = [] {
        return CreateWindowExW(0, u"Run", u"Run", WS_VISIBLE, 0, 0, 40, 8, nullptr, nullptr,
                               nullptr, nullptr);
    };
    const std::filesystem::path run = device.Folder() / "run";
    const auto files = [&run] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(run)) {
            if (!entry.is_directory()) names.push_back(entry.path().lexically_relative(run));
        }
        return names;
    };
    for (int i = 0; i < 121; ++i) {
        const bool killed = i % 6 == 5;  // the last one ends normally
        test::ForkedChild child(device.Folder(), [killed](test::ForkedChild& self) -> int64_t {
            const HWND window = create();
            CreateMutexW(nullptr, FALSE, u"Running");
            self.Report(window != nullptr);
            if (!killed) std::exit(0);  // as a program ends: its handles and windows go
            self.AwaitSignal();
            return 0;
        });
        ASSERT_EQ(1, child.Next());
        if (killed) child.Kill();
    }
    // The device lock is this process's: it has the device open.
    EXPECT_THAT(files(), testing::ElementsAre("device.lock"));
    const HWND own = create();  // this process looks
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Held");
    EXPECT_THAT(files(), testing::UnorderedElementsAre(
                             "device.lock", "windows/" + std::to_string(getpid()) + ".lock",
                             "windows/" + std::to_string(getpid()) + ".list", "mutexes/m-HELD"));
    CloseHandle(mutex);
    DestroyWindow(own);
    EXPECT_THAT(files(), testing::ElementsAre("device.lock"));
}

}  // namespace
