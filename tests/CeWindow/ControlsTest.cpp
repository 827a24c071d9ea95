// The system controls in a small dialog: sorted drop-down lists with item data and selection
// notifications, automatic check boxes and the order of tick and notification, the read-only
// multi-line edit box with its selection, wrapped lines, caret, scrolling and scroll bar, and
// static text.
#include "support/WindowSupport.h"

namespace {

using ce::screen::kAttrDim;
using ce::screen::kAttrFocus;
using ce::screen::kAttrOverlay;
using ce::screen::kAttrReverse;
using ce::screen::kAttrUnderline;
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
    ce::res::Dialog dialog{.id = 300, .style = WS_POPUP | WS_VISIBLE, .y = 8, .cx = 160, .cy = 144};
    dialog.controls = {
        Ctl(kLabel, u"STATIC", u"&Category:", 0, 8, 36, 8, SS_LEFT),
        Ctl(kCategory, u"COMBOBOX", u"", 40, 8, 80, 32, combo),
        Ctl(kTweak, u"COMBOBOX", u"", 40, 16, 80, 32, combo),
        Ctl(kEnable, u"BUTTON", u"Enable", 0, 32, 40, 8, check),
        Ctl(kShortcut, u"BUTTON", u"Create toggle shortcut", 48, 32, 100, 8, check),
        Ctl(kDescription, u"EDIT", u"", 0, 48, 44, 32,
            ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP),
        Ctl(kInfo, u"STATIC", u"Info text", 0, 96, 80, 24, SS_CENTER | SS_CENTERIMAGE)};
    return dialog;
}

class DialogControlsTest : public test::ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        ASSERT_NE(CreateDialogFrom(TestDialog()), nullptr);
    }

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    LRESULT Send(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageW(dialog_, id, msg, wParam, lParam);
    }
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
};

TEST_F(DialogControlsTest, SortedComboKeepsDataWithItemsAndItsFieldHeight) {
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
    EXPECT_EQ(Send(kCategory, CB_SETCURSEL, 99), CB_ERR);
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), CB_ERR);
    Send(kCategory, CB_RESETCONTENT);
    EXPECT_EQ(Send(kCategory, CB_GETCOUNT), 0);
    EXPECT_TRUE(Notifications().empty());  // nothing above came from the user

    // The field keeps its height; the window's height sets the open rows.
    for (const char16_t* name : {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j"}) {
        Add(kTweak, name);
    }
    const LRESULT field = Send(kTweak, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1));
    EXPECT_EQ(field, 8);
    const auto rect = test::RectOf(Item(kTweak));
    EXPECT_EQ(rect[3] - rect[1], field);

    // Grown by seven field heights (a program's drop height): still one row, seven open (rows 3
    // to 9, drawn over the dialog), then the list's lower edge.
    SetWindowPos(Item(kTweak), nullptr, 0, 0, 80, field + 7 * field, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(test::RectOf(Item(kTweak)), rect);
    Send(kTweak, CB_SHOWDROPDOWN, TRUE);
    ce::screen::PumpMessages();
    EXPECT_EQ(TextAt(11, 9, 1), "g");
    EXPECT_EQ(TextAt(11, 10, 1), "─");
    EXPECT_TRUE(At(11, 3).attr & kAttrOverlay);

    // Near the bottom of the screen the list opens above the field.
    Send(kTweak, CB_SHOWDROPDOWN, FALSE);
    MoveWindow(Item(kTweak), 40, 136, 80, 32, TRUE);
    Send(kTweak, CB_SHOWDROPDOWN, TRUE);
    ce::screen::PumpMessages();
    EXPECT_EQ(TextAt(10, 13, 2), "┌─");
    EXPECT_EQ(TextAt(11, 14, 1), "a");
}

TEST_F(DialogControlsTest, ComboKeysChooseAtOnceWhenClosedAndOnEnterOnlyWhenOpen) {
    FillCategories();
    Send(kCategory, CB_SETCURSEL, 0);
    SetFocus(Item(kCategory));
    Press(VK_DOWN);
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), 1);
    Press({VK_END, VK_DOWN});  // already the last: no change, no notification
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), 4);
    EXPECT_NE(Row(origin_.top + 1).find("Telephony"), std::string::npos) << Row(origin_.top + 1);
    EXPECT_TRUE(At(10, 1).attr & kAttrReverse);
    ce::screen::TypeText(u"sS");  // Sound, then the next item with "s": System
    ce::screen::PumpMessages();
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), 3);
    const Notification change{kCategory, CBN_SELCHANGE, Item(kCategory), 0};
    EXPECT_EQ(Notifications(), std::vector<Notification>(4, change));

    // Open, the list takes the arrows; Enter commits.
    Send(kCategory, CB_SETCURSEL, 0);
    Notifications().clear();
    Press(VK_RETURN);
    ASSERT_TRUE(Send(kCategory, CB_GETDROPPEDSTATE));
    EXPECT_EQ(TextAt(11, 2, 9), "Essential");
    EXPECT_TRUE(At(11, 2).attr & kAttrReverse);
    Press({VK_DOWN, VK_DOWN, VK_DOWN});  // scrolled: Internet, Sound, System shown
    EXPECT_EQ(TextAt(11, 4, 6), "System");
    EXPECT_TRUE(At(11, 4).attr & kAttrReverse);
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), 0);  // nothing chosen yet
    EXPECT_EQ(Notifications().size(), 1u);
    EXPECT_EQ(Notifications().back().code, CBN_DROPDOWN);
    Press(VK_RETURN);
    EXPECT_FALSE(Send(kCategory, CB_GETDROPPEDSTATE));
    EXPECT_EQ(Send(kCategory, CB_GETCURSEL), 3);
    EXPECT_EQ(Notifications().back().code, CBN_SELCHANGE);
    EXPECT_FALSE(At(11, 2).attr & kAttrOverlay);

    // Escape, and the focus leaving, close the list without a change.
    Notifications().clear();
    Press({VK_F4, VK_DOWN, VK_ESCAPE});
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

TEST_F(DialogControlsTest, CheckBoxTicksBeforeItNotifiesAndShowsTickFocusAndDimming) {
    const HWND box = Item(kEnable);
    EXPECT_EQ(TextAt(0, 4, 10), "[ ] Enable");
    SetFocus(box);
    Press({VK_SPACE, VK_RETURN});
    Send(kEnable, BM_CLICK);
    // Each notification saw the tick already changed.
    const std::vector<Notification> expected = {{kEnable, BN_CLICKED, box, BST_CHECKED},
                                                {kEnable, BN_CLICKED, box, BST_UNCHECKED},
                                                {kEnable, BN_CLICKED, box, BST_CHECKED}};
    EXPECT_EQ(Notifications(), expected);

    // Setting the tick is silent; a two-state box has no third state; a disabled one no click.
    Notifications().clear();
    Send(kShortcut, BM_SETCHECK, BST_INDETERMINATE);
    EXPECT_EQ(Send(kShortcut, BM_GETCHECK), BST_CHECKED);
    EnableWindow(Item(kShortcut), FALSE);
    Send(kShortcut, BM_CLICK);
    ce::screen::PumpMessages();
    EXPECT_TRUE(Notifications().empty());
    EXPECT_EQ(Send(kShortcut, BM_GETCHECK), BST_CHECKED);

    EXPECT_EQ(TextAt(0, 4, 10), "[x] Enable");
    EXPECT_TRUE(At(4, 4).attr & kAttrFocus);
    EXPECT_EQ(TextAt(12, 4, 10), "[x] Create");
    EXPECT_EQ(At(16, 4).attr & (kAttrFocus | kAttrDim), kAttrDim);
}

// Ten columns of text beside the scroll bar wrap this into
// "The quick " / "brown fox " / "jumps over " / "the lazy " / "dog".
constexpr const char16_t* kFox = u"The quick brown fox jumps over the lazy dog";

// The description box's key filter of the tweak view: Up on the first line leaves for the
// shortcut box and reaches the box as key 0.
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

TEST_F(DialogControlsTest, EditSelectionWrappedLinesCaretScrollBarAndKeyZero) {
    SetDlgItemTextW(dialog_, kDescription, kFox);
    SetFocus(Item(kDescription));
    // Rows 6 to 9: the text, and the scroll bar in column 10 with its thumb at the top.
    EXPECT_EQ(TextAt(0, 6, 11), "The quick ▲");
    EXPECT_EQ(TextAt(10, 7, 1), "█");
    EXPECT_EQ(TextAt(10, 9, 1), "▼");
    EXPECT_EQ(ce::screen::Caret(), std::make_pair(origin_.left, origin_.top + 6));

    Press({VK_RIGHT, VK_DOWN});
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(11, 11));
    Press({VK_DOWN, VK_DOWN, VK_DOWN});  // onto "dog", past the four rows shown
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(41, 41));
    EXPECT_EQ(Send(kDescription, EM_GETFIRSTVISIBLELINE), 1);
    EXPECT_EQ(TextAt(0, 9, 3), "dog");
    EXPECT_EQ(TextAt(10, 8, 1), "█");  // the thumb moved down
    EXPECT_EQ(ce::screen::Caret(), std::make_pair(origin_.left + 1, origin_.top + 9));

    Press(VK_LEFT, ce::screen::kModShift);  // Shift extends the selection back from the caret
    Press(VK_UP, ce::screen::kModShift);
    DWORD start = 0xDEADBEEF;
    DWORD end = 0xDEADBEEF;
    Send(kDescription, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 31u);
    EXPECT_EQ(end, 41u);
    // The selection alone is underlined, nothing reversed; the focus shows on the scroll bar's
    // arrows, and the thumb stays as it is (a reversed block would show as a gap).
    EXPECT_TRUE(At(0, 8).attr & kAttrUnderline);
    EXPECT_EQ(At(0, 7).attr & (kAttrUnderline | kAttrReverse | kAttrFocus), 0);
    EXPECT_EQ(At(0, 8).attr & (kAttrReverse | kAttrFocus), 0);
    EXPECT_TRUE(At(10, 6).attr & kAttrFocus);
    EXPECT_TRUE(At(10, 9).attr & kAttrFocus);
    EXPECT_EQ(TextAt(10, 8, 1), "█");
    EXPECT_EQ(At(10, 8).attr & (kAttrReverse | kAttrFocus), 0);

    Press({VK_HOME, VK_UP, VK_UP, VK_UP});
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(0, 0));
    EXPECT_EQ(Send(kDescription, EM_GETFIRSTVISIBLELINE), 0);

    // Subclassed as the tweak view does: Up inside the first line leaves the box and reaches it as
    // key 0, which moves nothing; at the end of the first line (the start of the second) Up is
    // the box's own.
    g_editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        Item(kDescription), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(UpKeyFilter)));
    Send(kDescription, EM_SETSEL, 3, 3);
    Press(VK_UP);
    EXPECT_EQ(GetFocus(), Item(kShortcut));
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(3, 3));
    SetFocus(Item(kDescription));
    Send(kDescription, EM_SETSEL, 12, 12);
    Press(VK_UP);
    EXPECT_EQ(GetFocus(), Item(kDescription));
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(2, 2));

    // Selection and wrapped lines.
    SetDlgItemTextW(dialog_, kDescription, kFox);
    Send(kDescription, EM_SETSEL, 7, 3);  // the lower one starts the selection
    start = end = 0xDEADBEEF;
    EXPECT_EQ(Send(kDescription, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end)),
              MAKELRESULT(3, 7));
    EXPECT_EQ(start, 3u);
    EXPECT_EQ(end, 7u);
    Send(kDescription, EM_SETSEL, 0, static_cast<LPARAM>(-1));  // everything
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(0, 43));
    Send(kDescription, EM_SETSEL, static_cast<WPARAM>(-1), 0);  // no selection, caret kept
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(43, 43));

    const std::pair<int, int> lengths[] = {{0, 10}, {9, 10}, {10, 10}, {25, 11},
                                           {31, 9}, {43, 3}, {44, 0}};
    for (const auto& [index, length] : lengths) {
        EXPECT_EQ(Send(kDescription, EM_LINELENGTH, index), length) << index;
    }

    // New text puts the caret at the start; hard breaks end lines and are not counted.
    SetDlgItemTextW(dialog_, kDescription, u"ab\r\ncd\nefg");
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(0, 0));
    EXPECT_EQ(Send(kDescription, EM_LINELENGTH, 4), 2);
    EXPECT_EQ(Send(kDescription, EM_LINELENGTH, 8), 3);
    SetFocus(Item(kDescription));
    Send(kDescription, EM_SETSEL, 2, 2);
    Press(VK_RIGHT);  // over "\r\n" in one step
    EXPECT_EQ(Send(kDescription, EM_GETSEL), MAKELRESULT(4, 4));
}

TEST_F(DialogControlsTest, StaticTextIsAlignedWrappedAndWithoutMnemonicMarks) {
    EXPECT_EQ(TextAt(0, 1, 9), "Category:");
    EXPECT_TRUE(At(0, 1).attr & ce::screen::kAttrUnderline);
    // Too wide even with the free cell beside it: cut at a word, the cell before the picker
    // left blank.
    SetDlgItemTextW(dialog_, kLabel, u"Category of the tweak:");
    EXPECT_EQ(TextAt(0, 1, 10), "Category  ");

    // Centred both ways in 20 x 3 cells (rows 12 to 14): one line in the middle row.
    EXPECT_EQ(TextAt(0, 12, 20), std::string(20, ' '));
    EXPECT_EQ(TextAt(0, 13, 20), "     Info text      ");
    SetDlgItemTextW(dialog_, kInfo, u"Tweak Speed-Boost enabled");
    EnableWindow(Item(kInfo), FALSE);
    ce::screen::PumpMessages();
    EXPECT_EQ(TextAt(0, 12, 20), " Tweak Speed-Boost  ");
    EXPECT_EQ(TextAt(0, 13, 20), "      enabled       ");
    EXPECT_TRUE(At(7, 13).attr & kAttrDim);
}

}  // namespace
