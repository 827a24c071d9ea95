// The system controls driven by messages and keys: sorted drop-down lists, automatic check boxes,
// the read-only multi-line edit box and static text.
#include "support/WindowSupport.h"

namespace {

using ce::screen::kAttrDim;
using ce::screen::kAttrFocus;
using ce::screen::kAttrOverlay;
using ce::screen::kAttrReverse;
using ce::screen::kAttrUnderline;
using test::g_notifications;
using test::Notification;

enum : int { kMaterial = 501, kLetters, kGlossy, kFramed, kNotes, kLabel, kStatus };

// Positions fall on whole cells (4 x 8 pixels) so that the expected cells are plain.
ce::res::Dialog TestDialog() {
    using test::Ctl;
    const DWORD combo = CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
    const DWORD check = BS_AUTOCHECKBOX | WS_TABSTOP;
    ce::res::Dialog dialog{.id = 300, .style = WS_POPUP | WS_VISIBLE, .y = 8, .cx = 160, .cy = 144};
    dialog.controls = {
        Ctl(kLabel, u"STATIC", u"&Material:", 0, 8, 36, 8, SS_LEFT),
        Ctl(kMaterial, u"COMBOBOX", u"", 40, 8, 80, 32, combo),
        Ctl(kLetters, u"COMBOBOX", u"", 40, 16, 80, 32, combo),
        Ctl(kGlossy, u"BUTTON", u"Glossy", 0, 32, 40, 8, check),
        Ctl(kFramed, u"BUTTON", u"Frame it for hanging", 48, 32, 100, 8, check),
        Ctl(kNotes, u"EDIT", u"", 0, 48, 44, 32,
            ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP),
        Ctl(kStatus, u"STATIC", u"Note text", 0, 96, 80, 24, SS_CENTER | SS_CENTERIMAGE)};
    return dialog;
}

class DialogControlsTest : public test::ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        ASSERT_NE(CreateDialogFrom(TestDialog()), nullptr);
    }

    LRESULT Add(int id, const char16_t* text) {
        return Send(id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    std::u16string ItemText(int id, int index) {
        WCHAR buffer[64] = u"junk";
        const LRESULT length = Send(id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer));
        return length < 0 ? u"<error>" : std::u16string(buffer, length);
    }
    void FillMaterials() {
        const char16_t* names[] = {u"Paper", u"Steel", u"Timber", u"Slate", u"Brass"};
        for (int i = 0; i < 5; ++i) {
            Send(kMaterial, CB_SETITEMDATA, Add(kMaterial, names[i]), i + 1);
        }
    }
};

TEST_F(DialogControlsTest, SortedComboKeepsDataWithItemsAndItsFieldHeight) {
    // Adds return 0, 1, 2, 1, 0: each item's place in the sorted list at that moment.
    FillMaterials();
    const std::u16string order[] = {u"Brass", u"Paper", u"Slate", u"Steel", u"Timber"};
    const LRESULT data[] = {5, 1, 4, 2, 3};
    ASSERT_EQ(Send(kMaterial, CB_GETCOUNT), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ItemText(kMaterial, i), order[i]);
        EXPECT_EQ(Send(kMaterial, CB_GETITEMDATA, i), data[i]) << i;
    }
    // The selection stays on its item when an item sorts before it (case does not count).
    EXPECT_EQ(Send(kMaterial, CB_SETCURSEL, 1), 1);
    EXPECT_EQ(Add(kMaterial, u"alloy"), 0);
    EXPECT_EQ(Send(kMaterial, CB_GETCURSEL), 2);
    EXPECT_EQ(Send(kMaterial, CB_GETITEMDATA, 2), 1);

    EXPECT_EQ(Send(kMaterial, CB_GETITEMDATA, 6), CB_ERR);
    EXPECT_EQ(Send(kMaterial, CB_SETITEMDATA, 6, 9), CB_ERR);
    EXPECT_EQ(ItemText(kMaterial, 7), u"<error>");
    EXPECT_EQ(Send(kMaterial, CB_SETCURSEL, 99), CB_ERR);
    EXPECT_EQ(Send(kMaterial, CB_GETCURSEL), CB_ERR);
    Send(kMaterial, CB_RESETCONTENT);
    EXPECT_EQ(Send(kMaterial, CB_GETCOUNT), 0);
    EXPECT_TRUE(g_notifications.empty());  // nothing above came from the user

    // The field keeps its height; the window's height sets the open rows.
    for (const char16_t* name : {u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j"}) {
        Add(kLetters, name);
    }
    const LRESULT field = Send(kLetters, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1));
    EXPECT_EQ(field, 8);
    const auto rect = test::RectOf(Item(kLetters));
    EXPECT_EQ(rect[3] - rect[1], field);

    // Grown by seven field heights (a program's drop height): still one row, seven open (rows 3
    // to 9, drawn over the dialog), then the list's lower edge.
    SetWindowPos(Item(kLetters), nullptr, 0, 0, 80, field + 7 * field, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(test::RectOf(Item(kLetters)), rect);
    Send(kLetters, CB_SHOWDROPDOWN, TRUE);
    ce::screen::PumpMessages();
    EXPECT_EQ(TextAt(11, 9, 1), "g");
    EXPECT_EQ(TextAt(11, 10, 1), "─");
    EXPECT_TRUE(At(11, 3).attr & kAttrOverlay);

    // Near the bottom of the screen the list opens above the field.
    Send(kLetters, CB_SHOWDROPDOWN, FALSE);
    MoveWindow(Item(kLetters), 40, 136, 80, 32, TRUE);
    Send(kLetters, CB_SHOWDROPDOWN, TRUE);
    ce::screen::PumpMessages();
    EXPECT_EQ(TextAt(10, 13, 2), "┌─");
    EXPECT_EQ(TextAt(11, 14, 1), "a");
}

TEST_F(DialogControlsTest, ComboKeysChooseAtOnceWhenClosedAndOnEnterOnlyWhenOpen) {
    FillMaterials();
    Send(kMaterial, CB_SETCURSEL, 0);
    SetFocus(Item(kMaterial));
    Press(VK_DOWN);
    EXPECT_EQ(Send(kMaterial, CB_GETCURSEL), 1);
    Press({VK_END, VK_DOWN});  // already the last: no change, no notification
    EXPECT_EQ(Send(kMaterial, CB_GETCURSEL), 4);
    EXPECT_NE(Row(origin_.top + 1).find("Timber"), std::string::npos) << Row(origin_.top + 1);
    EXPECT_TRUE(At(10, 1).attr & kAttrReverse);
    ce::screen::TypeText(u"sS");  // Slate, then the next item with "s": Steel
    ce::screen::PumpMessages();
    EXPECT_EQ(Send(kMaterial, CB_GETCURSEL), 3);
    const Notification change{kMaterial, CBN_SELCHANGE, Item(kMaterial), 0};
    EXPECT_EQ(g_notifications, std::vector<Notification>(4, change));

    // Open, the list takes the arrows; Enter commits.
    Send(kMaterial, CB_SETCURSEL, 0);
    g_notifications.clear();
    Press(VK_RETURN);
    ASSERT_TRUE(Send(kMaterial, CB_GETDROPPEDSTATE));
    EXPECT_EQ(TextAt(11, 2, 5), "Brass");
    EXPECT_TRUE(At(11, 2).attr & kAttrReverse);
    Press({VK_DOWN, VK_DOWN, VK_DOWN});  // scrolled: Paper, Slate, Steel shown
    EXPECT_EQ(TextAt(11, 4, 5), "Steel");
    EXPECT_TRUE(At(11, 4).attr & kAttrReverse);
    EXPECT_EQ(Send(kMaterial, CB_GETCURSEL), 0);  // nothing chosen yet
    EXPECT_EQ(g_notifications.size(), 1u);
    EXPECT_EQ(g_notifications.back().code, CBN_DROPDOWN);
    Press(VK_RETURN);
    EXPECT_FALSE(Send(kMaterial, CB_GETDROPPEDSTATE));
    EXPECT_EQ(Send(kMaterial, CB_GETCURSEL), 3);
    EXPECT_EQ(g_notifications.back().code, CBN_SELCHANGE);
    EXPECT_FALSE(At(11, 2).attr & kAttrOverlay);

    // Alt with an arrow opens the list, and closes it taking the highlight as Enter does.
    Press(VK_UP, ce::screen::kModAlt);
    Press(VK_DOWN);
    EXPECT_EQ(Send(kMaterial, CB_GETCURSEL), 3);
    Press(VK_UP, ce::screen::kModAlt);
    EXPECT_FALSE(Send(kMaterial, CB_GETDROPPEDSTATE));
    EXPECT_EQ(Send(kMaterial, CB_GETCURSEL), 4);

    // Escape, and the focus leaving, close the list without a change.
    g_notifications.clear();
    Press({VK_F4, VK_DOWN, VK_ESCAPE});
    EXPECT_FALSE(Send(kMaterial, CB_GETDROPPEDSTATE));
    Press(VK_DOWN, ce::screen::kModAlt);
    ASSERT_TRUE(Send(kMaterial, CB_GETDROPPEDSTATE));
    Press(VK_UP);
    SetFocus(Item(kGlossy));
    EXPECT_FALSE(Send(kMaterial, CB_GETDROPPEDSTATE));
    EXPECT_EQ(Send(kMaterial, CB_GETCURSEL), 4);
    for (const Notification& n : g_notifications) EXPECT_NE(n.code, CBN_SELCHANGE);
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
        const HWND combo = GetDlgItem(dialog, kMaterial);
        g_destroyOn = code;
        g_dialogProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DestroyOnNotification)));
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Paper"));
        SetFocus(combo);
        Press(VK_RETURN);  // opens the list
        // Removing the last item of the open list closes it (and counts what is left).
        EXPECT_EQ(SendMessageW(combo, CB_DELETESTRING, 0, 0), 0);
        EXPECT_FALSE(IsWindow(dialog)) << code;
    }
}

TEST_F(DialogControlsTest, CheckBoxTicksBeforeItNotifiesAndShowsTickFocusAndDimming) {
    const HWND box = Item(kGlossy);
    EXPECT_EQ(TextAt(0, 4, 10), "[ ] Glossy");
    SetFocus(box);
    Press({VK_SPACE, VK_RETURN});
    Send(kGlossy, BM_CLICK);
    // Each notification saw the tick already changed.
    const std::vector<Notification> expected = {{kGlossy, BN_CLICKED, box, BST_CHECKED},
                                                {kGlossy, BN_CLICKED, box, BST_UNCHECKED},
                                                {kGlossy, BN_CLICKED, box, BST_CHECKED}};
    EXPECT_EQ(g_notifications, expected);

    // Setting the tick is silent; a two-state box has no third state; a disabled one no click.
    g_notifications.clear();
    Send(kFramed, BM_SETCHECK, BST_INDETERMINATE);
    EXPECT_EQ(Send(kFramed, BM_GETCHECK), BST_CHECKED);
    EnableWindow(Item(kFramed), FALSE);
    Send(kFramed, BM_CLICK);
    ce::screen::PumpMessages();
    EXPECT_TRUE(g_notifications.empty());
    EXPECT_EQ(Send(kFramed, BM_GETCHECK), BST_CHECKED);

    EXPECT_EQ(TextAt(0, 4, 10), "[x] Glossy");
    EXPECT_TRUE(At(4, 4).attr & kAttrFocus);
    EXPECT_EQ(TextAt(12, 4, 10), "[x] Frame ");
    EXPECT_EQ(At(16, 4).attr & (kAttrFocus | kAttrDim), kAttrDim);
}

// Ten columns of text beside the scroll bar wrap this into
// "The quick " / "brown fox " / "jumps over " / "the lazy " / "dog".
constexpr const char16_t* kFox = u"The quick brown fox jumps over the lazy dog";

TEST_F(DialogControlsTest, EditSelectionWrappedLinesCaretScrollBarAndKeyZero) {
    SetDlgItemTextW(dialog_, kNotes, kFox);
    SetFocus(Item(kNotes));
    // Rows 6 to 9: the text, and the scroll bar in column 10 with its thumb at the top.
    EXPECT_EQ(TextAt(0, 6, 11), "The quick ▲");
    EXPECT_EQ(TextAt(10, 7, 1), "█");
    EXPECT_EQ(TextAt(10, 9, 1), "▼");
    EXPECT_EQ(ce::screen::Caret(), std::make_pair(origin_.left, origin_.top + 6));

    Press({VK_RIGHT, VK_DOWN});
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(11, 11));
    Press({VK_DOWN, VK_DOWN, VK_DOWN});  // onto "dog", past the four rows shown
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(41, 41));
    EXPECT_EQ(Send(kNotes, EM_GETFIRSTVISIBLELINE), 1);
    EXPECT_EQ(TextAt(0, 9, 3), "dog");
    EXPECT_EQ(TextAt(10, 8, 1), "█");  // the thumb moved down
    EXPECT_EQ(ce::screen::Caret(), std::make_pair(origin_.left + 1, origin_.top + 9));

    Press(VK_LEFT, ce::screen::kModShift);  // Shift extends the selection back from the caret
    Press(VK_UP, ce::screen::kModShift);
    DWORD start = 0xDEADBEEF;
    DWORD end = 0xDEADBEEF;
    Send(kNotes, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
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
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(0, 0));
    EXPECT_EQ(Send(kNotes, EM_GETFIRSTVISIBLELINE), 0);

    // A key of code 0 (what a subclass passes on for a key that it took) moves nothing; Up on
    // the second line goes to the first.
    Send(kNotes, EM_SETSEL, 3, 3);
    Send(kNotes, WM_KEYDOWN, 0, 0);
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(3, 3));
    Send(kNotes, EM_SETSEL, 12, 12);
    Press(VK_UP);
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(2, 2));

    // Selection and wrapped lines.
    SetDlgItemTextW(dialog_, kNotes, kFox);
    Send(kNotes, EM_SETSEL, 7, 3);  // the lower one starts the selection
    start = end = 0xDEADBEEF;
    EXPECT_EQ(
        Send(kNotes, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end)),
        MAKELRESULT(3, 7));
    EXPECT_EQ(start, 3u);
    EXPECT_EQ(end, 7u);
    Send(kNotes, EM_SETSEL, 0, static_cast<LPARAM>(-1));  // everything
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(0, 43));
    Send(kNotes, EM_SETSEL, static_cast<WPARAM>(-1), 0);  // no selection, caret kept
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(43, 43));

    const std::pair<int, int> lengths[] = {{0, 10}, {9, 10}, {10, 10}, {25, 11},
                                           {31, 9}, {43, 3}, {44, 0}};
    for (const auto& [index, length] : lengths) {
        EXPECT_EQ(Send(kNotes, EM_LINELENGTH, index), length) << index;
    }

    // New text puts the caret at the start; hard breaks end lines and are not counted.
    SetDlgItemTextW(dialog_, kNotes, u"ab\r\ncd\nefg");
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(0, 0));
    EXPECT_EQ(Send(kNotes, EM_LINELENGTH, 4), 2);
    EXPECT_EQ(Send(kNotes, EM_LINELENGTH, 8), 3);
    SetFocus(Item(kNotes));
    Send(kNotes, EM_SETSEL, 2, 2);
    Press(VK_RIGHT);  // over "\r\n" in one step, both ways
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(4, 4));
    Press(VK_LEFT);
    EXPECT_EQ(Send(kNotes, EM_GETSEL), MAKELRESULT(2, 2));
}

TEST_F(DialogControlsTest, StaticTextIsAlignedWrappedAndWithoutMnemonicMarks) {
    EXPECT_EQ(TextAt(0, 1, 9), "Material:");
    EXPECT_TRUE(At(0, 1).attr & ce::screen::kAttrUnderline);
    // Too wide even with the free cell beside it: cut at a word, the cell before the picker
    // left blank.
    SetDlgItemTextW(dialog_, kLabel, u"Material of the cover:");
    EXPECT_EQ(TextAt(0, 1, 10), "Material  ");

    // Centred both ways in 20 x 3 cells (rows 12 to 14): one line in the middle row.
    EXPECT_EQ(TextAt(0, 12, 20), std::string(20, ' '));
    EXPECT_EQ(TextAt(0, 13, 20), "     Note text      ");
    SetDlgItemTextW(dialog_, kStatus, u"Order Steel-Frame shipped");
    EnableWindow(Item(kStatus), FALSE);
    ce::screen::PumpMessages();
    EXPECT_EQ(TextAt(0, 12, 20), " Order Steel-Frame  ");
    EXPECT_EQ(TextAt(0, 13, 20), "      shipped       ");
    EXPECT_TRUE(At(7, 13).attr & kAttrDim);
}

}  // namespace
