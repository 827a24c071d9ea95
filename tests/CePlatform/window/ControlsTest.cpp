// The system controls in a small dialog: sorted drop-down lists with item data and selection
// notifications, automatic check boxes and the order of tick and notification, the read-only
// multi-line edit box with its selection, wrapped lines, caret, scrolling and scroll bar, and
// static text.
#include <gtest/gtest.h>
#include <windows.h>

#include "CePlatform/window/CoreSupport.h"
#include "window/Window.h"

namespace {

using test::Notification;
using test::Notifications;

constexpr int kCategory = 1015;
constexpr int kTweak = 1016;
constexpr int kEnable = 1003;
constexpr int kShortcut = 1004;
constexpr int kDescription = 1005;
constexpr int kLabel = 1001;
constexpr int kInfo = 1010;

// Positions fall on whole cells (4 x 8 pixels) so that the expected cells are plain.
ce::res::Dialog TestDialog() {
    using test::Ctl;
    const DWORD combo = CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
    const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
    return {
        .id = 300,
        .style = WS_POPUP | WS_VISIBLE,
        .y = 8,
        .cx = 160,
        .cy = 144,
        .controls = {
            Ctl(kLabel, u"STATIC", u"&Category:", 0, 8, 36, 8, SS_LEFT),
            Ctl(kCategory, u"COMBOBOX", u"", 40, 8, 80, 32, combo),
            Ctl(kTweak, u"COMBOBOX", u"", 40, 16, 80, 32, combo),
            Ctl(kEnable, u"BUTTON", u"Enable", 0, 32, 40, 8, check),
            Ctl(kShortcut, u"BUTTON", u"Create toggle shortcut", 48, 32, 100, 8, check),
            Ctl(kDescription, u"EDIT", u"", 0, 48, 44, 32,
                ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP),
            Ctl(kInfo, u"STATIC", u"Info text", 0, 96, 80, 24, SS_CENTER | SS_CENTERIMAGE),
        }};
}

class DialogControlsTest : public test::ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        dialog_ = CreateDialogFrom(TestDialog());
        ASSERT_NE(dialog_, nullptr);
        origin_ = ce::win::WindowCells(dialog_);
    }

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    LRESULT Send(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageW(dialog_, id, msg, wParam, lParam);
    }
    // Screen row and column of a cell given relative to the dialog.
    int ScreenRow(int row) const { return origin_.top + row; }
    int ScreenColumn(int column) const { return origin_.left + column; }

    LRESULT Add(int id, const char16_t* text) {
        return Send(id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    std::u16string ItemText(int id, int index) {
        WCHAR buffer[64] = u"junk";
        const LRESULT length = Send(id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer));
        return length < 0 ? u"<error>" : std::u16string(buffer, length);
    }
    void FillCategories() {
        const char16_t* names[] = {u"Internet", u"System", u"Telephony", u"Sound",
                                   u"Essential Utilities"};
        for (int i = 0; i < 5; ++i) {
            Send(kCategory, CB_SETITEMDATA, Add(kCategory, names[i]), i + 1);
        }
    }

    HWND dialog_ = nullptr;
    RECT origin_{};
};

// ---- Combo box ---------------------------------------------------------------------------------

TEST_F(DialogControlsTest, SortedComboReturnsSortedIndexesAndKeepsDataWithItems) {
    // Adds return 0, 1, 2, 1, 0: each item's place in the sorted list at that moment.
    FillCategories();
    const std::u16string order[] = {u"Essential Utilities", u"Internet", u"Sound", u"System",
                                    u"Telephony"};
    const LRESULT data[] = {5, 1, 4, 2, 3};
    ASSERT_EQ(Send(kCategory, CB_GETCOUNT), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ItemText(kCategory, i), order[i]);
        EXPECT_EQ(Send(kCategory, CB_GETITEMDATA, i), data[i]) << i;
    }
    // The selection stays on its item when an item sorts before it (case does not count).
    EXPECT_EQ(Send(kCategory, CB_SETCURSEL, 1), 1);
    EXPECT_EQ(Add(kCategory, u"apps"), 0);
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), 2);
    EXPECT_EQ(Send(kCategory, CB_GETITEMDATA, 2), 1);

    EXPECT_EQ(Send(kCategory, CB_GETITEMDATA, 6), CB_ERR);
    EXPECT_EQ(Send(kCategory, CB_SETITEMDATA, 6, 9), CB_ERR);
    EXPECT_EQ(ItemText(kCategory, 7), u"<error>");
    EXPECT_EQ(Send(kCategory, CB_ADDSTRING, 0, 0), CB_ERR);
    EXPECT_EQ(Send(kCategory, CB_SETCURSEL, 99), CB_ERR);
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), CB_ERR);
    Send(kCategory, CB_RESETCONTENT);
    EXPECT_EQ(Send(kCategory, CB_GETCOUNT), 0);
    EXPECT_TRUE(Notifications().empty());  // nothing above came from the user
}

TEST_F(DialogControlsTest, ComboKeepsFieldHeightAndItsHeightSetsTheOpenRows) {
    for (const char16_t* name : {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j"}) {
        Add(kTweak, name);
    }
    const LRESULT field = Send(kTweak, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1));
    EXPECT_EQ(field, 8);
    RECT rect{-7, -7, -7, -7};
    ASSERT_TRUE(GetWindowRect(Item(kTweak), &rect));
    EXPECT_EQ(rect.bottom - rect.top, field);

    // The template's 32 pixels: a field and three rows, then the list's lower edge.
    const int below = ScreenRow(2) + 1;
    Send(kTweak, CB_SHOWDROPDOWN, TRUE);
    ce::screen::PumpMessages();
    EXPECT_EQ(Cells(ScreenColumn(11), below + 2, 1), "c");
    EXPECT_EQ(Cells(ScreenColumn(11), below + 3, 1), "─");
    EXPECT_TRUE(ce::screen::CellAt(ScreenColumn(11), below).attr & ce::screen::kAttrOverlay);
    Send(kTweak, CB_SHOWDROPDOWN, FALSE);

    // Grown by seven field heights (a program's drop height): still one row, seven open.
    SetWindowPos(Item(kTweak), nullptr, 0, 0, rect.right - rect.left, field + 7 * field,
                 SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(GetWindowRect(Item(kTweak), &rect));
    EXPECT_EQ(rect.bottom - rect.top, field);
    Send(kTweak, CB_SHOWDROPDOWN, TRUE);
    ce::screen::PumpMessages();
    EXPECT_EQ(Cells(ScreenColumn(11), below + 6, 1), "g");
    EXPECT_EQ(Cells(ScreenColumn(11), below + 7, 1), "─");

    // Near the bottom of the screen the list opens above the field.
    Send(kTweak, CB_SHOWDROPDOWN, FALSE);
    MoveWindow(Item(kTweak), 40, 136, 80, 32, TRUE);
    Send(kTweak, CB_SHOWDROPDOWN, TRUE);
    ce::screen::PumpMessages();
    EXPECT_EQ(Cells(ScreenColumn(10), ScreenRow(17) - 4, 2), "┌─");
    EXPECT_EQ(Cells(ScreenColumn(11), ScreenRow(17) - 3, 1), "a");
}

TEST_F(DialogControlsTest, KeysOnClosedComboChangeSelectionAndNotifyOnlyOnChange) {
    FillCategories();
    Send(kCategory, CB_SETCURSEL, 0);
    SetFocus(Item(kCategory));

    Press(VK_DOWN);
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), 1);
    Press(VK_END);
    Press(VK_DOWN);  // already the last: no change, no notification
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), 4);
    EXPECT_NE(Row(ScreenRow(1)).find("Telephony"), std::string::npos) << Row(ScreenRow(1));
    EXPECT_TRUE(ce::screen::CellAt(ScreenColumn(10), ScreenRow(1)).attr & ce::screen::kAttrReverse);
    ce::screen::TypeText(u"sS");  // Sound, then the next item with "s": System
    ce::screen::PumpMessages();
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), 3);

    const HWND combo = Item(kCategory);
    const Notification change{kCategory, CBN_SELCHANGE, combo, 0};
    EXPECT_EQ(Notifications(), std::vector<Notification>(4, change));
}

TEST_F(DialogControlsTest, OpenListTakesArrowsAndCommitsOnEnterOnly) {
    FillCategories();
    Send(kCategory, CB_SETCURSEL, 0);
    SetFocus(Item(kCategory));

    Press(VK_RETURN);
    ASSERT_TRUE(Send(kCategory, CB_GETDROPPEDSTATE));
    const int below = ScreenRow(1) + 1;
    EXPECT_EQ(Cells(ScreenColumn(11), below, 9), "Essential");
    EXPECT_TRUE(ce::screen::CellAt(ScreenColumn(11), below).attr & ce::screen::kAttrReverse);
    Press(VK_DOWN);
    Press(VK_DOWN);
    Press(VK_DOWN);  // scrolled: Internet, Sound, System shown
    EXPECT_EQ(Cells(ScreenColumn(11), below + 2, 6), "System");
    EXPECT_TRUE(ce::screen::CellAt(ScreenColumn(11), below + 2).attr & ce::screen::kAttrReverse);
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), 0);  // nothing chosen yet
    std::vector<int> codes;
    for (const Notification& n : Notifications()) codes.push_back(n.code);
    EXPECT_EQ(codes, std::vector<int>{CBN_DROPDOWN});

    Press(VK_RETURN);
    EXPECT_FALSE(Send(kCategory, CB_GETDROPPEDSTATE));
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), 3);
    EXPECT_EQ(Notifications().back().code, CBN_SELCHANGE);
    EXPECT_FALSE(ce::screen::CellAt(ScreenColumn(11), below).attr & ce::screen::kAttrOverlay);

    // Escape, and the focus leaving, close the list without a change.
    Notifications().clear();
    Press(VK_F4);
    Press(VK_DOWN);
    Press(VK_ESCAPE);
    EXPECT_FALSE(Send(kCategory, CB_GETDROPPEDSTATE));
    Press(VK_DOWN, ce::screen::kModAlt);
    Press(VK_UP);
    SetFocus(Item(kEnable));
    EXPECT_FALSE(Send(kCategory, CB_GETDROPPEDSTATE));
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), 3);
    for (const Notification& n : Notifications()) EXPECT_NE(n.code, CBN_SELCHANGE);
}

WNDPROC g_dialogProc = nullptr;
WORD g_destroyOn = 0;

// Destroys the dialog on the combo box notification g_destroyOn.
LRESULT CALLBACK DestroyOnNotification(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && HIWORD(wParam) == g_destroyOn) {
        DestroyWindow(hwnd);
        return 0;
    }
    return CallWindowProcW(g_dialogProc, hwnd, msg, wParam, lParam);
}

TEST_F(DialogControlsTest, ComboSurvivesItsDialogDestroyedByItsNotifications) {
    for (const WORD code : {CBN_DROPDOWN, CBN_CLOSEUP}) {
        const HWND dialog = code == CBN_DROPDOWN ? dialog_ : CreateDialogFrom(TestDialog());
        const HWND combo = GetDlgItem(dialog, kCategory);
        g_destroyOn = code;
        g_dialogProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DestroyOnNotification)));
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Internet"));
        SetFocus(combo);
        Press(VK_RETURN);  // opens the list
        // Removing the last item of the open list closes it (and counts what is left).
        EXPECT_EQ(SendMessageW(combo, CB_DELETESTRING, 0, 0), 0);
        EXPECT_FALSE(IsWindow(dialog)) << code;
    }
}

// ---- Check box ---------------------------------------------------------------------------------

TEST_F(DialogControlsTest, CheckBoxClickTicksFirstThenNotifiesParent) {
    const HWND box = Item(kEnable);
    SetFocus(box);
    Press(VK_SPACE);
    Press(VK_RETURN);
    Send(kEnable, BM_CLICK);
    // Each notification saw the tick already changed.
    const std::vector<Notification> expected = {{kEnable, BN_CLICKED, box, BST_CHECKED},
                                                {kEnable, BN_CLICKED, box, BST_UNCHECKED},
                                                {kEnable, BN_CLICKED, box, BST_CHECKED}};
    EXPECT_EQ(Notifications(), expected);
    EXPECT_EQ(Send(kEnable, BM_GETCHECK), BST_CHECKED);
}

TEST_F(DialogControlsTest, CheckBoxShowsTickFocusAndDimmingAndSetCheckIsSilent) {
    const int row = ScreenRow(4);
    EXPECT_EQ(Cells(ScreenColumn(0), row, 10), "[ ] Enable");
    Send(kEnable, BM_SETCHECK, BST_CHECKED);
    Send(kShortcut, BM_SETCHECK, BST_INDETERMINATE);  // a two-state box has no third state
    EXPECT_EQ(Send(kShortcut, BM_GETCHECK), BST_CHECKED);
    SetFocus(Item(kEnable));
    EnableWindow(Item(kShortcut), FALSE);
    Send(kShortcut, BM_CLICK);  // disabled: nothing
    ce::screen::PumpMessages();
    EXPECT_TRUE(Notifications().empty());
    EXPECT_EQ(Send(kShortcut, BM_GETCHECK), BST_CHECKED);

    EXPECT_EQ(Cells(ScreenColumn(0), row, 10), "[x] Enable");
    EXPECT_TRUE(ce::screen::CellAt(ScreenColumn(4), row).attr & ce::screen::kAttrFocus);
    EXPECT_EQ(Cells(ScreenColumn(12), row, 10), "[x] Create");
    EXPECT_FALSE(ce::screen::CellAt(ScreenColumn(16), row).attr & ce::screen::kAttrFocus);
    EXPECT_TRUE(ce::screen::CellAt(ScreenColumn(16), row).attr & ce::screen::kAttrDim);
}

// ---- Edit box ----------------------------------------------------------------------------------

// Ten columns of text beside the scroll bar wrap this into
// "The quick " / "brown fox " / "jumps over " / "the lazy " / "dog".
constexpr const char16_t* kFox = u"The quick brown fox jumps over the lazy dog";

TEST_F(DialogControlsTest, EditSelectionAndWrappedLines) {
    SetDlgItemTextW(dialog_, kDescription, kFox);
    Send(kDescription, EM_SETSEL, 7, 3);  // the lower one starts the selection
    DWORD start = 0xDEADBEEF;
    DWORD end = 0xDEADBEEF;
    EXPECT_EQ(Send(kDescription, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end)),
              MAKELRESULT(3, 7));
    EXPECT_EQ(start, 3u);
    EXPECT_EQ(end, 7u);
    Send(kDescription, EM_SETSEL, 0, static_cast<LPARAM>(-1));  // everything
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(0, 43));
    Send(kDescription, EM_SETSEL, static_cast<WPARAM>(-1), 0);  // no selection, caret kept
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(43, 43));

    EXPECT_EQ(Send(kDescription, EM_GETLINECOUNT), 5);
    const std::pair<int, int> lengths[] = {{0, 10}, {9, 10}, {10, 10}, {25, 11},
                                           {31, 9}, {43, 3}, {44, 0}};
    for (const auto& [index, length] : lengths) {
        EXPECT_EQ(Send(kDescription, EM_LINELENGTH, index), length) << index;
    }
    EXPECT_EQ(Send(kDescription, EM_LINEINDEX, 3), 31);

    // New text puts the caret at the start; hard breaks end lines and are not counted.
    SetDlgItemTextW(dialog_, kDescription, u"ab\r\ncd\nefg");
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(0, 0));
    EXPECT_EQ(Send(kDescription, EM_GETLINECOUNT), 3);
    EXPECT_EQ(Send(kDescription, EM_LINELENGTH, 4), 2);
    EXPECT_EQ(Send(kDescription, EM_LINELENGTH, 8), 3);
    SetFocus(Item(kDescription));
    Send(kDescription, EM_SETSEL, 2, 2);
    Press(VK_RIGHT);  // over "\r\n" in one step
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(4, 4));
}

TEST_F(DialogControlsTest, EditCaretMovesAndTheBoxScrollsWithItsScrollBar) {
    SetDlgItemTextW(dialog_, kDescription, kFox);
    const HWND edit = Item(kDescription);
    SetFocus(edit);
    ce::screen::PumpMessages();
    const int top = ScreenRow(6);
    const int bar = ScreenColumn(10);
    EXPECT_EQ(Cells(ScreenColumn(0), top, 10), "The quick ");
    EXPECT_EQ(Cells(bar, top, 1), "▲");
    EXPECT_EQ(Cells(bar, top + 1, 1), "█");  // the thumb at the top of the track
    EXPECT_EQ(Cells(bar, top + 3, 1), "▼");
    EXPECT_EQ(ce::screen::Caret(), std::make_pair(ScreenColumn(0), top));

    Press(VK_RIGHT);
    Press(VK_DOWN);
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(11, 11));
    Press(VK_DOWN);
    Press(VK_DOWN);
    Press(VK_DOWN);  // onto "dog", past the four rows shown
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(41, 41));
    EXPECT_EQ(Send(kDescription, EM_GETFIRSTVISIBLELINE), 1);
    EXPECT_EQ(Cells(ScreenColumn(0), top + 3, 3), "dog");
    EXPECT_EQ(Cells(bar, top + 2, 1), "█");  // the thumb moved down
    EXPECT_EQ(ce::screen::Caret(), std::make_pair(ScreenColumn(1), top + 3));

    Press(VK_LEFT, ce::screen::kModShift);  // Shift extends the selection back from the caret
    Press(VK_UP, ce::screen::kModShift);
    DWORD start = 0xDEADBEEF;
    DWORD end = 0xDEADBEEF;
    Send(kDescription, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 31u);
    EXPECT_EQ(end, 41u);
    EXPECT_TRUE(ce::screen::CellAt(ScreenColumn(0), top + 2).attr & ce::screen::kAttrReverse);

    Press(VK_HOME);
    Press(VK_UP);
    Press(VK_UP);
    Press(VK_UP);
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(0, 0));
    EXPECT_EQ(Send(kDescription, EM_GETFIRSTVISIBLELINE), 0);
}

// The description box's key filter of the tweak view: Up on the first line leaves for the
// shortcut box and reaches the box as key 0, which must not move the caret.
WNDPROC g_editProc = nullptr;

LRESULT CALLBACK UpKeyFilter(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN && wParam == VK_UP) {
        DWORD end = 0;
        SendMessageW(hwnd, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
        if (static_cast<LRESULT>(end) < SendMessageW(hwnd, EM_LINELENGTH, 0, 0)) {
            SetFocus(GetDlgItem(GetParent(hwnd), kShortcut));
            wParam = 0;
        }
    }
    return CallWindowProcW(g_editProc, hwnd, msg, wParam, lParam);
}

TEST_F(DialogControlsTest, SubclassedEditPassesUpAsKeyZeroWithoutMovingTheCaret) {
    const HWND edit = Item(kDescription);
    SetDlgItemTextW(dialog_, kDescription, kFox);
    g_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(UpKeyFilter)));
    ASSERT_NE(g_editProc, nullptr);

    SetFocus(edit);
    Send(kDescription, EM_SETSEL, 3, 3);
    Press(VK_UP);
    EXPECT_EQ(GetFocus(), Item(kShortcut));
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(3, 3));

    // At the end of the first line (the start of the second) Up is the box's own.
    SetFocus(edit);
    Send(kDescription, EM_SETSEL, 12, 12);
    Press(VK_UP);
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(2, 2));
}

// ---- Static ------------------------------------------------------------------------------------

TEST_F(DialogControlsTest, StaticTextIsAlignedWrappedAndWithoutMnemonicMarks) {
    EXPECT_EQ(Cells(ScreenColumn(0), ScreenRow(1), 9), "Category:");
    EXPECT_TRUE(ce::screen::CellAt(ScreenColumn(0), ScreenRow(1)).attr &
                ce::screen::kAttrUnderline);

    // Centred both ways in 20 x 3 cells: one line in the middle row.
    const int info = ScreenRow(12);
    EXPECT_EQ(Cells(ScreenColumn(0), info + 1, 20), "     Info text      ");
    EXPECT_EQ(Cells(ScreenColumn(0), info, 20), std::string(20, ' '));

    SetDlgItemTextW(dialog_, kInfo, u"Tweak Speed-Boost enabled");
    ce::screen::PumpMessages();
    EXPECT_EQ(Cells(ScreenColumn(0), info, 20), " Tweak Speed-Boost  ");
    EXPECT_EQ(Cells(ScreenColumn(0), info + 1, 20), "      enabled       ");

    EnableWindow(Item(kInfo), FALSE);
    ce::screen::PumpMessages();
    EXPECT_TRUE(ce::screen::CellAt(ScreenColumn(7), info + 1).attr & ce::screen::kAttrDim);
}

}  // namespace
