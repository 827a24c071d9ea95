// Keys and places that the other suites leave out: Alt with an arrow on a drop-down list, the
// caret over a line break, a message box's Shift+Tab and its close, a key that a peek leaves in
// the queue, the z-order that SetWindowPos sets and a centred dialog.
#include "support/WindowSupport.h"

namespace {

using test::Ctl;

constexpr int kList = 20;
constexpr int kText = 21;

class KeysTest : public test::ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        ce::res::Dialog dialog{.id = 310, .style = WS_POPUP | WS_VISIBLE, .cx = 160, .cy = 96};
        dialog.controls = {
            Ctl(kList, u"COMBOBOX", u"", 0, 0, 80, 40, CBS_DROPDOWNLIST | WS_TABSTOP),
            Ctl(kText, u"EDIT", u"", 0, 16, 80, 32, ES_MULTILINE | ES_READONLY | WS_TABSTOP)};
        ASSERT_NE(CreateDialogFrom(dialog), nullptr);
    }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    static LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(hwnd, msg, wParam, lParam);
    }
    // The caret's index in an edit box without a selection.
    static DWORD Caret(HWND edit) {
        DWORD end = 0;
        Send(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
        return end;
    }
};

// Alt+Down opens the list; Alt+Up closes it taking the highlighted item, as Enter does.
TEST_F(KeysTest, AltWithAnArrowOpensADropDownListAndClosesItTakingTheHighlight) {
    const HWND list = Item(kList);
    for (const char16_t* text : {u"one", u"two", u"three"}) {
        Send(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    Send(list, CB_SETCURSEL, 0);
    SetFocus(list);
    Press(VK_DOWN, ce::screen::kModAlt);
    EXPECT_TRUE(Send(list, CB_GETDROPPEDSTATE));
    Press(VK_DOWN);  // the highlight moves, the selection stays
    EXPECT_EQ(Send(list, CB_GETCURSEL), 0);
    Press(VK_UP, ce::screen::kModAlt);
    EXPECT_FALSE(Send(list, CB_GETDROPPEDSTATE));
    EXPECT_EQ(Send(list, CB_GETCURSEL), 1);
    Press(VK_UP, ce::screen::kModAlt);
    EXPECT_TRUE(Send(list, CB_GETDROPPEDSTATE));
}

// "\r\n" is one step for Left and Right: the caret never stands between the two.
TEST_F(KeysTest, TheCaretStepsOverALineBreakAsOverOneCharacter) {
    const HWND text = Item(kText);
    SetWindowTextW(text, u"ab\r\ncd");
    SetFocus(text);
    Send(text, EM_SETSEL, 2, 2);
    Press(VK_RIGHT);
    EXPECT_EQ(Caret(text), 4u);
    Press(VK_RIGHT);
    EXPECT_EQ(Caret(text), 5u);
    Press({VK_LEFT, VK_LEFT});
    EXPECT_EQ(Caret(text), 2u);
}

// Shift+Tab moves a box's focus back (from the first button to the last); closing the box answers
// Cancel.
TEST_F(KeysTest, AMessageBoxTakesShiftTabBackwardsAndItsCloseAsCancel) {
    test::ShowMessageBoxes();
    ce::screen::PressKey(VK_TAB, ce::screen::kModShift);
    ce::screen::PressKey(VK_RETURN);
    EXPECT_EQ(MessageBoxW(dialog_, u"Go on?", u"Question", MB_YESNOCANCEL), IDCANCEL);
    test::WhenIdle({[] { PostMessageW(GetActiveWindow(), WM_CLOSE, 0, 0); }});
    EXPECT_EQ(MessageBoxW(dialog_, u"Go on?", u"Question", MB_YESNOCANCEL), IDCANCEL);
}

// A peek that does not remove the key leaves it for the next take.
TEST_F(KeysTest, APeekLeavesTheKeyInTheQueue) {
    SetFocus(Item(kText));
    ce::screen::PumpMessages();
    ce::screen::PressKey('A');
    MSG peeked{};
    ASSERT_TRUE(PeekMessageW(&peeked, nullptr, 0, 0, PM_NOREMOVE));
    MSG taken{};
    ASSERT_TRUE(PeekMessageW(&taken, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(taken.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(taken.wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(peeked.message, taken.message);
}

class PlacesTest : public test::WindowTest {};

// Among siblings: HWND_BOTTOM puts a window behind the others, a sibling's handle right behind
// that sibling, HWND_TOP in front.
TEST_F(PlacesTest, SetWindowPosOrdersAWindowAmongItsSiblings) {
    const HWND frame = CreateFrame();
    const HWND a = CreateChild(frame, 1);
    const HWND b = CreateChild(frame, 2);
    const HWND c = CreateChild(frame, 3);
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    const auto order = [frame] {
        std::vector<HWND> children;
        for (HWND child = GetWindow(frame, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            children.push_back(child);
        }
        return children;
    };
    ASSERT_EQ(order(), (std::vector<HWND>{a, b, c}));
    SetWindowPos(a, HWND_BOTTOM, 0, 0, 0, 0, keep);
    EXPECT_EQ(order(), (std::vector<HWND>{b, c, a}));
    SetWindowPos(a, b, 0, 0, 0, 0, keep);
    EXPECT_EQ(order(), (std::vector<HWND>{b, a, c}));
    SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, keep);
    EXPECT_EQ(order(), (std::vector<HWND>{c, b, a}));
    SetWindowPos(c, c, 0, 0, 0, 0, keep);  // behind itself: nothing moves
    EXPECT_EQ(order(), (std::vector<HWND>{c, b, a}));
}

// DS_CENTER opens a dialog in the middle of the work area, whatever its template's place.
TEST_F(PlacesTest, ACentredDialogOpensInTheMiddleOfTheWorkArea) {
    ce::res::Dialog dialog{
        .id = 311, .style = WS_POPUP | DS_CENTER, .x = 4, .y = 8, .cx = 80, .cy = 40};
    ce::res::RegisterResources(Instance(), {.dialogs = {dialog}});
    const HWND hwnd =
        CreateDialogParamW(Instance(), MAKEINTRESOURCEW(311), nullptr, test::LoggingDialogProc, 0);
    ASSERT_NE(hwnd, nullptr);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.right - rect.left, 80);
    EXPECT_EQ(rect.left - work.left, work.right - rect.right);
    EXPECT_EQ(rect.top - work.top, work.bottom - rect.bottom);
}

}  // namespace
