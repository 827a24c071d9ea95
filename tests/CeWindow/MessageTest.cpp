// Windows and messages: creation, destruction, activation and focus in order, the queue, Win32
// failures, timers on the injected clock, and windows of two processes on one device (the peers).
#include <CePlatform/Device.h>
#include <gmock/gmock.h>
#include <poll.h>

#include <climits>
#include <filesystem>

#include "Peers.h"
#include "support/ForkedChild.h"
#include "support/WindowSupport.h"

namespace {

using test::g_messageLog;
using test::MessagesOf;
using test::RectOf;
using test::Sequence;
using Order = std::vector<std::pair<HWND, UINT>>;

class MessageTest : public test::WindowTest {};

// Shrinks itself while it is created and destroys itself while it is destroyed.
LRESULT CALLBACK UnrulyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_messageLog.push_back({hwnd, msg, wParam, lParam});
    if (msg == WM_CREATE) SetWindowPos(hwnd, nullptr, 0, 0, 20, 16, SWP_NOMOVE | SWP_NOZORDER);
    if (msg == WM_DESTROY) DestroyWindow(hwnd);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(MessageTest, CreationAndDestructionSendTheirMessagesInOrderEvenToWindowsActingOnThemselves) {
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

    // A child resizing itself while it is created gets a WM_SIZE of its new size; destroying
    // itself on its way out with its parent changes nothing: each message once.
    WNDCLASSW wc{};
    wc.lpfnWndProc = UnrulyProc;
    wc.lpszClassName = u"Unruly";
    ASSERT_NE(0, RegisterClassW(&wc));
    const HWND unruly = CreateWindowExW(0, u"Unruly", u"", WS_CHILD | WS_VISIBLE, 0, 0, 80, 40,
                                        again, nullptr, Instance(), nullptr);
    ASSERT_NE(nullptr, unruly);
    LPARAM lastSize = 0;
    for (const auto& entry : g_messageLog) {
        if (entry.hwnd == unruly && entry.msg == WM_SIZE) lastSize = entry.lParam;
    }
    EXPECT_EQ(MAKELPARAM(20, 16), lastSize);
    g_messageLog.clear();
    ASSERT_TRUE(DestroyWindow(again));
    EXPECT_EQ((std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}),
              MessagesOf(unruly, {WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(MessageTest, PlacesAndSizesMoveMapAndStayInRangeWhenDefaultOrExtreme) {
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
    // Far beyond the screen: cut, never overflowing (the sanitizer checks the arithmetic).
    ASSERT_TRUE(MoveWindow(child, INT_MAX, INT_MIN, INT_MAX, INT_MAX, TRUE));
    const auto rect = RectOf(child);
    EXPECT_GT(rect[0], 0);
    EXPECT_LT(rect[1], 0);
    EXPECT_GT(rect[2], rect[0]);
    EXPECT_GT(rect[3], rect[1]);
    EXPECT_NE(nullptr,
              CreateWindowExW(0, kClass, u"Far", WS_POPUP | WS_VISIBLE, INT_MAX - 1, INT_MIN,
                              INT_MAX, INT_MAX, nullptr, nullptr, Instance(), nullptr));
    EXPECT_EQ(static_cast<size_t>(kRows), ce::screen::Text().size());

    // Among siblings: HWND_BOTTOM puts a window behind the others, a sibling's handle right
    // behind that sibling, HWND_TOP in front; behind itself it stays.
    const HWND b = CreateChild(frame, 2);
    const HWND c = CreateChild(frame, 3);
    const auto order = [frame] {
        std::vector<HWND> out;
        for (HWND at = GetWindow(frame, GW_CHILD); at; at = GetWindow(at, GW_HWNDNEXT)) {
            out.push_back(at);
        }
        return out;
    };
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    ASSERT_EQ(order(), (std::vector<HWND>{child, b, c}));
    SetWindowPos(child, HWND_BOTTOM, 0, 0, 0, 0, keep);
    EXPECT_EQ(order(), (std::vector<HWND>{b, c, child}));
    SetWindowPos(child, b, 0, 0, 0, 0, keep);
    EXPECT_EQ(order(), (std::vector<HWND>{b, child, c}));
    SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, keep);
    SetWindowPos(c, c, 0, 0, 0, 0, keep);
    EXPECT_EQ(order(), (std::vector<HWND>{c, b, child}));
}

TEST_F(MessageTest, RefusedCreationBadHandlesAndNullPointersFailTheWin32Way) {
    test::g_createAnswer = -1;
    EXPECT_EQ(nullptr, CreateFrame());
    test::g_createAnswer = 0;
    SetLastError(0);
    EXPECT_EQ(nullptr, CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 10, 10, nullptr, nullptr,
                                       Instance(), nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS), GetLastError());
    // The desktop as parent makes a top-level window; a child needs a parent of its own.
    const HWND top = CreateWindowExW(0, kClass, u"", WS_POPUP, 0, 0, 10, 10, GetDesktopWindow(),
                                     nullptr, Instance(), nullptr);
    ASSERT_NE(nullptr, top);
    EXPECT_EQ(nullptr, GetParent(top));
    EXPECT_EQ(nullptr, CreateWindowExW(0, kClass, u"", WS_CHILD, 0, 0, 10, 10, nullptr, nullptr,
                                       Instance(), nullptr));
    WNDCLASSW wc{};
    wc.lpfnWndProc = test::LoggingWindowProc;
    wc.lpszClassName = u"LOGGING";  // taken, whatever the case
    EXPECT_EQ(0, RegisterClassW(&wc));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS), GetLastError());

    const HWND frame = CreateFrame();
    const HWND dead = CreateFrame(u"Dead");
    ASSERT_TRUE(DestroyWindow(dead));
    RECT rect{-7, -7, -7, -7};
    SetLastError(0);
    EXPECT_FALSE(GetWindowRect(dead, &rect));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
    EXPECT_EQ(-7, rect.left);
    EXPECT_FALSE(DestroyWindow(dead));
    EXPECT_FALSE(SetWindowTextW(dead, u"x"));
    EXPECT_FALSE(PostMessageW(dead, WM_USER, 0, 0));
    EXPECT_EQ(nullptr, SetFocus(dead));
    EXPECT_EQ(0, GetWindowLongPtrW(frame, 4096));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_INDEX), GetLastError());

    WCHAR text[8] = {u'j', u'u', u'n', u'k', 0};
    EXPECT_EQ(0, GetWindowTextW(dead, text, 8));
    EXPECT_EQ(0, text[0]);
    EXPECT_EQ(0, GetClassNameW(dead, text, 8));
    EXPECT_EQ(3, GetWindowTextW(frame, text, 4));  // cut and terminated
    EXPECT_EQ(std::u16string(u"Fra"), text);
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

TEST_F(MessageTest, SettingChangeToTheDesktopIsJournaledAndABroadcastReachesTheWindows) {
    const int64_t before =
        device_.Device().Journal().empty() ? 0 : device_.Device().Journal().back().seq;
    SendMessageW(GetDesktopWindow(), WM_SETTINGCHANGE, 0, 0);
    const auto entries = device_.Device().Journal(before);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("settings change (WM_SETTINGCHANGE)", entries[0].event);

    const HWND frame = CreateFrame();
    g_messageLog.clear();
    SendMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0);
    EXPECT_EQ((std::vector<UINT>{WM_SETTINGCHANGE}), MessagesOf(frame));
    EXPECT_EQ(2u, device_.Device().Journal(before).size());
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

TEST_F(TimerTest, TimersRepeatAfterTheirPeriodsAreReplacedByIdAndKilledAndCallTheirProcedures) {
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

    // Timer procedures and thread timers are called by dispatch.
    static std::vector<UINT_PTR> called;
    called.clear();
    auto proc = [](HWND, UINT message, UINT_PTR id, DWORD) {
        if (message == WM_TIMER) called.push_back(id);
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
    PostMessageW(frame, WM_TIMER, 5, 0x1234);
    g_messageLog.clear();
    EXPECT_EQ(1, ce::screen::PumpMessages());
    EXPECT_TRUE(test::MessagesOf(frame, {WM_TIMER}).empty());
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

using test::ForkedChild;

int64_t AsNumber(HWND hwnd) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(hwnd)); }
HWND AsHandle(int64_t value) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(value)); }

// A window handle of this process, as the window system makes them.
HWND OwnHandle(uint64_t serial) {
    return AsHandle(static_cast<int64_t>((static_cast<uint64_t>(getpid()) << 32) | (serial << 4)));
}

// A child that publishes a frame of class `name` and a second window, reports the frame's handle
// and then, on each signal, waits for one foreground request and reports the handle asked for.
ForkedChild::Body Publisher(std::u16string name = u"Notebook") {
    return [name](ForkedChild& self) -> int64_t {
        const HWND frame = OwnHandle(1);
        ce::win::PublishTopLevelWindows({{frame, name}, {OwnHandle(2), u"Other Class"}});
        self.Report(AsNumber(frame));
        while (self.AwaitSignal()) {
            pollfd fd{ce::win::PeerFd(), POLLIN, 0};
            if (poll(&fd, 1, 10000) != 1) return -1;
            std::vector<HWND> asked;
            ce::win::TakePeerRequests([&asked](HWND hwnd) { asked.push_back(hwnd); });
            self.Report(asked.size() == 1 ? AsNumber(asked[0]) : -int64_t(asked.size()));
        }
        return 0;
    };
}

// A child with a window system of its own (nothing of the parent's) that reports what
// FindWindowW gives for `className`, then, on each signal, the result of SetForegroundWindow on
// that window with its lowest bit set.
int64_t Finder(ForkedChild& self, const char16_t* className) {
    ce::screen::UseHeadlessScreen(40, 12);
    SetLastError(0xDEADBEEF);
    const HWND found = FindWindowW(className, nullptr);
    self.Report(found ? AsNumber(found) : -static_cast<int64_t>(GetLastError()));
    while (self.AwaitSignal()) {
        const HWND target = FindWindowW(className, nullptr);
        self.Report(SetForegroundWindow(AsHandle(AsNumber(target) | 1)));
    }
    return 0;
}

class CrossProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ce::screen::UseHeadlessScreen(40, 12);
        for (const char16_t* name : {u"FirstClass", u"SecondClass"}) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = DefWindowProcW;
            wc.lpszClassName = name;
            RegisterClassW(&wc);  // already there after the first test: that is fine
        }
    }

    static HWND Create(const char16_t* className, const char16_t* title) {
        return CreateWindowExW(0, className, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    }

    test::TempDevice device_;
};

TEST_F(CrossProcessTest, AnotherProcessFindsTheWindowAndBringsItForwardWhileItLives) {
    const HWND first = Create(u"FirstClass", u"First");
    const HWND second = Create(u"SecondClass", u"Second");
    ASSERT_NE(nullptr, first);
    ASSERT_EQ(second, GetForegroundWindow());
    {
        ForkedChild finder(device_.Folder(),
                           [](ForkedChild& self) { return Finder(self, u"NoSuchClass"); });
        EXPECT_EQ(-ERROR_FILE_NOT_FOUND, finder.Next());
    }
    ForkedChild finder(device_.Folder(),
                       [](ForkedChild& self) { return Finder(self, u"FIRSTCLASS"); });
    EXPECT_EQ(AsNumber(first), finder.Next());
    finder.Signal();
    EXPECT_EQ(TRUE, finder.Next());
    // The request is waiting in this process; the loop takes it and brings the window forward.
    EXPECT_EQ(second, GetForegroundWindow());
    ce::screen::PumpMessages();
    EXPECT_EQ(first, GetForegroundWindow());
    EXPECT_EQ(first, GetActiveWindow());
    EXPECT_NE(std::string::npos, ce::screen::RowUtf8(0).find("First")) << ce::screen::RowUtf8(0);

    ASSERT_TRUE(DestroyWindow(first));
    finder.Signal();
    EXPECT_EQ(FALSE, finder.Next());  // the window is gone: not found, nothing brought forward
}

// Class names of any characters are found on their device only; requests reach the owner only;
// dead publishers are never found.
TEST_F(CrossProcessTest, PeersAreFoundOnTheirDeviceAndRequestsReachTheOwnerOnly) {
    const std::u16string odd = u"a%41 b\nc\u00e9\U0001F600";
    ForkedChild publisher(device_.Folder(), Publisher(odd));
    const HWND frame = AsHandle(publisher.Next());
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(frame, ce::win::FindPeerWindow(odd));
    EXPECT_EQ(nullptr, ce::win::FindPeerWindow(u"aA b"));
    {
        test::TempDevice other;
        EXPECT_EQ(nullptr, ce::win::FindPeerWindow(odd));
        EXPECT_FALSE(ce::win::RequestForeground(frame));
    }
    ce::UseDevice(device_.Folder());
    // With the lowest bit set ("with its owned windows") the request names the window itself.
    publisher.Signal();
    EXPECT_TRUE(ce::win::RequestForeground(AsHandle(AsNumber(frame) | 1)));
    EXPECT_EQ(AsNumber(frame), publisher.Next());
    // Windows that the owner did not publish, and this process's own, are refused.
    EXPECT_FALSE(ce::win::RequestForeground(AsHandle(AsNumber(frame) + 0x100)));
    EXPECT_FALSE(ce::win::RequestForeground(OwnHandle(1)));
    EXPECT_FALSE(ce::win::RequestForeground(nullptr));
    int calls = 0;  // nothing is waiting for this process
    ce::win::TakePeerRequests([&calls](HWND) { ++calls; });
    EXPECT_EQ(0, calls);

    publisher.Finish();
    EXPECT_EQ(nullptr, ce::win::FindPeerWindow(odd));
    ForkedChild killed(device_.Folder(), Publisher());
    const HWND killedFrame = AsHandle(killed.Next());
    killed.Kill();
    EXPECT_EQ(nullptr, ce::win::FindPeerWindow(u"Notebook"));
    EXPECT_FALSE(ce::win::RequestForeground(killedFrame));
    // What the dead left behind is cleared away by the look-up.
    EXPECT_TRUE(std::filesystem::is_empty(device_.Folder() / "run" / "windows"));
}

// A process removes its files from the runtime area when it ends (its windows' list and lock, its
// mutexes' lock files), and what killed processes leave is removed by the next process that looks:
// after 100 runs and 20 kills only what live processes hold is there.
TEST_F(CrossProcessTest, TheRuntimeAreaHoldsOnlyWhatLiveProcessesHold) {
    const std::filesystem::path run = device_.Folder() / "run";
    const auto files = [&run] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(run)) {
            if (!entry.is_directory()) names.push_back(entry.path().lexically_relative(run));
        }
        return names;
    };
    for (int i = 0; i < 121; ++i) {
        const bool killed = i % 6 == 5;  // the last one ends normally
        ForkedChild child(device_.Folder(), [killed](ForkedChild& self) -> int64_t {
            const HWND window = Create(u"FirstClass", u"Run");
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
    const HWND own = Create(u"FirstClass", u"Live");  // this process looks
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Held");
    EXPECT_THAT(files(), testing::UnorderedElementsAre(
                             "device.lock", "windows/" + std::to_string(getpid()) + ".lock",
                             "windows/" + std::to_string(getpid()) + ".list", "mutexes/m-HELD"));
    CloseHandle(mutex);
    DestroyWindow(own);
    EXPECT_THAT(files(), testing::ElementsAre("device.lock"));
}

}  // namespace
