// Windows and messages: the order of creation, destruction, activation and focus messages, the
// queue's order, and Win32 failures for bad handles and null pointers.
#include <CePlatform/Device.h>

#include <climits>

#include "CePlatform/window/CoreSupport.h"

namespace {

using test::MessageLog;
using test::MessagesOf;
using test::RectOf;
using test::Sequence;
using Order = std::vector<std::pair<HWND, UINT>>;

class MessageTest : public test::WindowTest {};

TEST_F(MessageTest, CreationAndDestructionSendTheirMessagesInOrderAndFindWindowFollows) {
    const HWND frame = CreateFrame(u"Quenvale");
    const HWND child = CreateChild(frame, 7);
    ASSERT_NE(nullptr, child);
    // FindWindowW finds top-level windows by class or title, without regard to case.
    EXPECT_EQ(frame, FindWindowW(u"logging", nullptr));
    EXPECT_EQ(frame, FindWindowW(nullptr, u"QUENVALE"));
    EXPECT_EQ(frame, FindWindowW(kClass, u"Quenvale"));
    EXPECT_EQ(nullptr, FindWindowW(kClass, u"Other"));
    EXPECT_EQ(nullptr, FindWindowW(u"Static", nullptr));
    const std::vector<UINT> creation = {WM_NCCREATE,   WM_CREATE,   WM_SIZE,    WM_MOVE,
                                        WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS};
    EXPECT_EQ(creation, MessagesOf(frame, creation));
    EXPECT_EQ(frame, GetFocus());
    EXPECT_EQ(7, GetDlgCtrlID(child));
    EXPECT_EQ(child, GetDlgItem(frame, 7));

    MessageLog().clear();
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

// Shrinks itself while it is created and destroys itself while it is destroyed.
LRESULT CALLBACK UnrulyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    MessageLog().push_back({hwnd, msg, wParam, lParam});
    if (msg == WM_CREATE) SetWindowPos(hwnd, nullptr, 0, 0, 20, 16, SWP_NOMOVE | SWP_NOZORDER);
    if (msg == WM_DESTROY) DestroyWindow(hwnd);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(MessageTest, WindowsActingOnThemselvesWhileCreatedOrDestroyedGetConsistentMessages) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = UnrulyProc;
    wc.lpszClassName = u"Unruly";
    ASSERT_NE(0, RegisterClassW(&wc));
    const HWND frame = CreateFrame();
    const HWND child = CreateWindowExW(0, u"Unruly", u"", WS_CHILD | WS_VISIBLE, 0, 0, 80, 40,
                                       frame, nullptr, Instance(), nullptr);
    ASSERT_NE(nullptr, child);
    // The WM_SIZE that follows WM_CREATE gives the size the window has by then.
    LPARAM lastSize = 0;
    for (const auto& entry : MessageLog()) {
        if (entry.hwnd == child && entry.msg == WM_SIZE) lastSize = entry.lParam;
    }
    EXPECT_EQ(MAKELPARAM(20, 16), lastSize);

    // Destroying itself on its way out with its parent changes nothing: each message once.
    MessageLog().clear();
    ASSERT_TRUE(DestroyWindow(frame));
    EXPECT_EQ((std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}),
              MessagesOf(child, {WM_DESTROY, WM_NCDESTROY}));
}

TEST_F(MessageTest, PlacesAndSizesMoveMapAndStayInRangeWhenDefaultOrExtreme) {
    const HWND frame = CreateFrame();
    // CW_USEDEFAULT gives a top-level window the work area, a child (0, 0) and no size.
    EXPECT_EQ((std::array<LONG, 4>{0, 8, kColumns * 4, (kRows - 1) * 8}), RectOf(frame));
    const HWND child =
        CreateWindowExW(0, kClass, u"", WS_CHILD | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, frame, nullptr, Instance(), nullptr);
    EXPECT_EQ((std::array<LONG, 4>{0, 8, 0, 8}), RectOf(child));
    MessageLog().clear();
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
}

TEST_F(MessageTest, RefusedCreationBadHandlesAndNullPointersFailTheWin32Way) {
    test::CreateAnswer() = -1;
    EXPECT_EQ(nullptr, CreateFrame());
    test::CreateAnswer() = 0;
    SetLastError(0);
    EXPECT_EQ(nullptr, CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 10, 10, nullptr, nullptr,
                                       Instance(), nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS), GetLastError());
    EXPECT_EQ(nullptr, CreateWindowExW(0, nullptr, u"", 0, 0, 0, 10, 10, nullptr, nullptr,
                                       Instance(), nullptr));
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
    EXPECT_EQ(0, RegisterClassW(nullptr));

    const HWND frame = CreateFrame();
    const HWND dead = CreateFrame(u"Dead");
    ASSERT_TRUE(DestroyWindow(dead));
    RECT rect{-7, -7, -7, -7};
    SetLastError(0);
    EXPECT_FALSE(GetWindowRect(dead, &rect));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
    EXPECT_EQ(-7, rect.left);
    EXPECT_FALSE(GetClientRect(frame, nullptr));
    EXPECT_FALSE(DestroyWindow(dead));
    EXPECT_FALSE(SetWindowTextW(dead, u"x"));
    EXPECT_FALSE(PostMessageW(dead, WM_USER, 0, 0));
    EXPECT_EQ(nullptr, SetFocus(dead));
    EXPECT_EQ(0, GetWindowLongPtrW(frame, 4096));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_INDEX), GetLastError());
    EXPECT_FALSE(ScreenToClient(frame, nullptr));
    EXPECT_EQ(-1, GetMessageW(nullptr, nullptr, 0, 0));
    EXPECT_EQ(0, DispatchMessageW(nullptr));

    WCHAR text[8] = {u'j', u'u', u'n', u'k', 0};
    EXPECT_EQ(0, GetWindowTextW(dead, text, 8));
    EXPECT_EQ(0, text[0]);
    EXPECT_EQ(0, GetClassNameW(dead, text, 8));
    EXPECT_EQ(3, GetWindowTextW(frame, text, 4));  // cut and terminated
    EXPECT_EQ(std::u16string(u"Fra"), text);
}

TEST_F(MessageTest, PostedMessagesComeInOrderBeforeKeysAndQuitComesLast) {
    const HWND frame = CreateFrame();
    ce::screen::PressKey(VK_DOWN);
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
    // The key is still queued for the next loop.
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_KEYDOWN), msg.message);
    EXPECT_EQ(static_cast<WPARAM>(VK_DOWN), msg.wParam);
    EXPECT_EQ(frame, msg.hwnd);
}

TEST_F(MessageTest, KeysGoToTheFocusAndTranslateAddsTheirCharacter) {
    const HWND child = CreateChild(CreateFrame(), 1);
    SetFocus(child);
    MessageLog().clear();
    Press('Q', ce::screen::kModShift);
    ASSERT_EQ((std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}), MessagesOf(child));
    EXPECT_EQ(static_cast<WPARAM>(u'Q'), MessageLog()[1].wParam);

    // Without TranslateMessage there is no WM_CHAR.
    ce::screen::PressKey('Q');
    MSG msg{};
    MessageLog().clear();
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_EQ((std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}), MessagesOf(child));
}

TEST_F(MessageTest, FocusAndActivationMovesSendTheirMessagesInOrder) {
    const HWND first = CreateFrame(u"First");
    const HWND a = CreateChild(first, 1);
    const HWND b = CreateChild(first, 2);
    SetFocus(a);
    MessageLog().clear();
    EXPECT_EQ(a, SetFocus(b));
    EXPECT_EQ((Order{{a, WM_KILLFOCUS}, {b, WM_SETFOCUS}}), Sequence({WM_KILLFOCUS, WM_SETFOCUS}));
    EXPECT_EQ(a, reinterpret_cast<HWND>(MessageLog().back().wParam));

    // Another top-level window: the first is deactivated before the second is activated, and
    // the focus follows.
    MessageLog().clear();
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
    EXPECT_TRUE(EnableWindow(b, FALSE));   // now it was disabled
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
    SendMessageW(GetDesktopWindow(), WM_SETTINGCHANGE, 0xF2, 0);
    const auto entries = device_.Device().Journal(before);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("settings change (WM_SETTINGCHANGE)", entries[0].event);

    const HWND frame = CreateFrame();
    MessageLog().clear();
    SendMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0);
    EXPECT_EQ((std::vector<UINT>{WM_SETTINGCHANGE}), MessagesOf(frame));
    EXPECT_EQ(2u, device_.Device().Journal(before).size());
}

}  // namespace
