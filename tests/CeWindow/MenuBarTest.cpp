// The soft keys: the bar of a menu resource, F1 to F4 and taps, its popups, and the keys of what
// is in front of the frame: a message box's buttons, a modal dialog's caption OK or none.
#include <aygshell.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "support/WindowSupport.h"

namespace {

enum : UINT { kMenu = 600, kSave = 601, kCopy = 602, kSort = 603, kHelpBox = 700, kNoteBox = 701 };

// The menu commands that the logging windows got (without a control handle, unlike the
// controls' notifications).
std::vector<WPARAM> Commands() {
    std::vector<WPARAM> commands;
    for (const test::Logged& entry : test::g_messageLog) {
        if (entry.msg == WM_COMMAND && entry.lParam == 0) commands.push_back(entry.wParam);
    }
    return commands;
}

class MenuBarTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ce::res::Table table;
        // Two levels, a separator, and a mnemonic mark that is not shown.
        table.menus = {
            {kMenu,
             {{u"Save", kSave},
              {u"&More", 0, {{u"Copy", kCopy}, {u"", 0}, {u"Tools", 0, {{u"Sort", kSort}}}}}}}};
        // The help box has the caption's OK button, the note no keys.
        table.dialogs = {{.id = kNoteBox, .style = WS_POPUP | WS_CAPTION, .cx = 116, .cy = 49}};
        table.dialogs.push_back(table.dialogs[0]);
        table.dialogs[1].id = kHelpBox;
        table.dialogs[1].exStyle = WS_EX_CAPTIONOKBTN;
        table.dialogs[1].caption = u"Help";
        ce::res::RegisterResources(Instance(), std::move(table));
        frame_ = CreateFrame();
        ASSERT_NE(frame_, nullptr);
    }

    HWND CreateBar() {
        SHMENUBARINFO info{};
        info.cbSize = sizeof(info);
        info.hwndParent = frame_;
        info.dwFlags = SHCMBF_HMENU;
        info.nToolBarId = kMenu;
        info.hInstRes = Instance();
        EXPECT_TRUE(SHCreateMenuBar(&info));
        ce::screen::PumpMessages();
        return info.hwndMB;
    }

    static int RowOf(const std::string& text) { return test::RowWith(test::ScreenRows(), text); }
    static bool Shows(const std::string& text) { return test::CellOf(text).x >= 0; }
    static void TapAt(int column, int row) {
        ce::screen::Tap(column, row);
        ce::screen::PumpMessages();
    }
    static void TapText(const std::string& text) {
        ASSERT_TRUE(test::TapOn(text)) << text;
        ce::screen::PumpMessages();
    }
    static std::string Bottom() { return Row(kRows - 1); }

    HWND frame_ = nullptr;
};

TEST_F(MenuBarTest, BarLiesOnTheBottomRowWithBothSoftKeysAndFollowsResizes) {
    const HWND bar = CreateBar();
    EXPECT_EQ(test::RectOf(bar),
              (std::array<LONG, 4>{0, (kRows - 1) * 8, kColumns * 4, kRows * 8}));
    EXPECT_EQ(Bottom().rfind(" Save ", 0), 0u) << Bottom();
    EXPECT_EQ(Cells(kColumns - 6, kRows - 1, 6), " More ");
    EXPECT_TRUE(ce::screen::CellAt(1, kRows - 1).attr & ce::screen::kAttrReverse);
    // Creating the bar left the frame active; the left soft key (F1 or F3) sends its command.
    EXPECT_EQ(GetActiveWindow(), frame_);
    Press({VK_F1, VK_F3});
    EXPECT_EQ(Commands(), std::vector<WPARAM>(2, MAKEWPARAM(kSave, 0)));

    ce::screen::Resize(30, 10);
    ce::screen::PumpMessages();
    EXPECT_EQ(test::RectOf(bar), (std::array<LONG, 4>{0, 9 * 8, 30 * 4, 10 * 8}));
    EXPECT_EQ(Cells(24, 9, 6), " More ");
}

// The open menu takes the keys from the focused window and gives them back when it closes.
TEST_F(MenuBarTest, RightSoftKeyOpensPopupWithNestedPopupDrivenByTheKeys) {
    const HWND child = CreateChild(frame_, 1);
    SetFocus(child);
    CreateBar();
    Press(VK_F2);
    // Above the bar, at the right edge: a frame around "1 Copy", a separator and "2 Tools ▸".
    EXPECT_EQ(RowOf("1 Copy"), kRows - 5);
    EXPECT_EQ(RowOf("2 Tools ▸"), kRows - 3);
    EXPECT_EQ(Cells(kColumns - 1, kRows - 2, 1), "┘");
    EXPECT_TRUE(ce::screen::CellAt(kColumns - 3, kRows - 5).attr & ce::screen::kAttrReverse);
    EXPECT_TRUE(ce::screen::CellAt(kColumns - 3, kRows - 5).attr & ce::screen::kAttrOverlay);

    Press({VK_DOWN, VK_RETURN});
    const int sort = RowOf("1 Sort");
    ASSERT_NE(sort, -1);
    EXPECT_TRUE(Commands().empty());
    // The nested popup opens towards the middle, left of its parent.
    EXPECT_LT(Row(sort).find("1 Sort"), Row(kRows - 3).find("2 Tools"));

    Press(VK_RETURN);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kSort, 0)});
    EXPECT_EQ(RowOf("Copy"), -1);
    EXPECT_EQ(RowOf("Sort"), -1);

    // Escape closes one level, a soft key all of them choosing nothing; digits choose. F4 is the
    // right soft key too.
    Press({VK_F4, '2'});  // opens Tools
    ASSERT_NE(RowOf("1 Sort"), -1);
    Press(VK_ESCAPE);
    EXPECT_EQ(RowOf("1 Sort"), -1);
    EXPECT_NE(RowOf("1 Copy"), -1);
    Press(VK_ESCAPE);
    EXPECT_EQ(RowOf("Copy"), -1);
    for (const UINT softKey : {VK_F3, VK_F4}) {
        Press({VK_F2, '2', softKey});
        EXPECT_EQ(RowOf("Sort"), -1);
        EXPECT_EQ(RowOf("Copy"), -1);
    }
    EXPECT_EQ(Commands().size(), 1u);  // still only Sort

    Press({VK_F2, VK_UP, VK_RIGHT, VK_LEFT, '1'});  // Up wraps round to Tools
    EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(kSort, 0), MAKEWPARAM(kCopy, 0)}));
    EXPECT_TRUE(test::MessagesOf(child, {WM_KEYDOWN}).empty());
    Press(VK_DOWN);  // the menu is closed: the window has the keys again
    EXPECT_EQ(test::MessagesOf(child, {WM_KEYDOWN}).size(), 1u);
}

// The first box comes while the menu is open (from a timer, say) and closes it. While a box is
// shown its owner is disabled; Escape is its cancel button, or its only one, and so is its close.
TEST_F(MenuBarTest, AMessageBoxInFrontClosesTheMenuAndHasItsOwnButtonsAsSoftKeys) {
    CreateBar();
    Press(VK_F2);
    ASSERT_NE(RowOf("1 Copy"), -1);
    test::ShowMessageBoxes();
    std::string yesNo, ok;
    bool ownerEnabled = true;
    test::WhenIdle({[&] {
                        yesNo = Bottom();
                        ownerEnabled = IsWindowEnabled(frame_);
                        ce::screen::PressKey(VK_ESCAPE);  // no cancel button: ignored
                        ce::screen::PressKey(VK_F1);
                    },
                    [] { ce::screen::PressKey(VK_F2); },
                    [&] {
                        ok = Bottom();
                        ce::screen::PressKey(VK_F2);  // no right key: nothing
                    },
                    [] { ce::screen::PressKey(VK_ESCAPE); },
                    [] { ce::screen::PressKey(VK_ESCAPE); },
                    [] {  // Shift+Tab goes back from the first button to the last
                        ce::screen::PressKey(VK_TAB, ce::screen::kModShift);
                        ce::screen::PressKey(VK_RETURN);
                    },
                    [] { PostMessageW(GetActiveWindow(), WM_CLOSE, 0, 0); }});
    // F1 is "Yes" here, never the frame's "Save"; F2 is "No", never its "More".
    EXPECT_EQ(IDYES, MessageBoxW(frame_, u"Send it now?", u"Order", MB_YESNO));
    EXPECT_EQ(IDNO, MessageBoxW(frame_, u"Delete the note?", u"Notes", MB_YESNO));
    EXPECT_EQ(IDOK, MessageBoxW(frame_, u"Out of paper", u"Error", MB_OK));
    EXPECT_EQ(IDCANCEL, MessageBoxW(frame_, u"Retry?", u"Error", MB_OKCANCEL));
    EXPECT_EQ(IDCANCEL, MessageBoxW(frame_, u"Go on?", u"Question", MB_YESNOCANCEL));
    EXPECT_EQ(IDCANCEL, MessageBoxW(frame_, u"Go on?", u"Question", MB_YESNOCANCEL));
    EXPECT_EQ(" Yes ", yesNo.substr(0, 5)) << yesNo;
    EXPECT_EQ(" No", yesNo.substr(yesNo.size() - 3)) << yesNo;
    EXPECT_EQ(" OK", ok);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(RowOf("Copy"), -1);

    // The frame in front again has its own keys.
    EXPECT_TRUE(IsWindowEnabled(frame_));
    EXPECT_EQ(GetActiveWindow(), frame_);
    EXPECT_EQ(" Save ", Bottom().substr(0, 6));
    Press(VK_F1);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kSave, 0)});
}

// The keys and commands that a modal dialog of the tests got; it ends on IDCANCEL, and on IDOK
// but for the note.
std::vector<WPARAM> g_dialogKeys;
std::vector<WORD> g_dialogCommands;

INT_PTR CALLBACK KeyLoggingDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    if (msg == WM_KEYDOWN) g_dialogKeys.push_back(wParam);
    if (msg == WM_COMMAND) {
        const WORD id = LOWORD(wParam);
        g_dialogCommands.push_back(id);
        if (id == IDCANCEL || (id == IDOK && GetWindowLongPtrW(hwnd, DWLP_USER) == kHelpBox)) {
            EndDialog(hwnd, id);
        }
    }
    return msg == WM_INITDIALOG || msg == WM_KEYDOWN || msg == WM_COMMAND;
}

TEST_F(MenuBarTest, AModalDialogOffersItsCaptionOkAndGetsEveryOtherKey) {
    CreateBar();
    // Runs the dialog `id`, pressing `keys` once it is shown; the screen's rows at that moment.
    const auto modal = [this](UINT id, std::vector<UINT> keys, INT_PTR expected) {
        g_dialogKeys.clear();
        g_dialogCommands.clear();
        std::vector<std::string> rows;
        test::WhenIdle({[&rows, keys] {
            rows = test::ScreenRows();
            for (const UINT key : keys) ce::screen::PressKey(key);
        }});
        EXPECT_EQ(expected, DialogBoxParamW(Instance(), MAKEINTRESOURCEW(id), frame_,
                                            KeyLoggingDialogProc, id));
        return rows;
    };
    // The help box: F1 is its caption's OK button, shown in the task bar too; F2 reaches it as a
    // key.
    std::vector<std::string> rows = modal(kHelpBox, {VK_F2, VK_F1}, IDOK);
    EXPECT_EQ(" OK", rows.back());
    EXPECT_NE(rows[0].find("Help"), std::string::npos) << rows[0];
    EXPECT_NE(rows[0].find("[ok]"), std::string::npos) << rows[0];
    EXPECT_EQ(g_dialogKeys, std::vector<WPARAM>{VK_F2});

    // The note has no keys: both soft keys and other keys reach its WM_KEYDOWN; Enter
    // and Escape are its IDOK and IDCANCEL, as in every dialog.
    rows = modal(kNoteBox, {VK_F1, VK_F2, 'A', VK_RETURN, VK_ESCAPE}, IDCANCEL);
    EXPECT_EQ("", rows.back());
    EXPECT_EQ(g_dialogKeys, (std::vector<WPARAM>{VK_F1, VK_F2, 'A'}));
    EXPECT_EQ(g_dialogCommands, (std::vector<WORD>{IDOK, IDCANCEL}));
    EXPECT_TRUE(Commands().empty());
}

TEST_F(MenuBarTest, AWindowWithoutSoftKeysBlanksTheRowUnlessItCoversIt) {
    CreateBar();
    // A window of its own in front (not owned by the frame): no soft keys.
    const HWND notes = CreateWindowExW(0, kClass, u"Notes", WS_POPUP | WS_VISIBLE, 40, 32, 80, 24,
                                       nullptr, nullptr, Instance(), nullptr);
    EXPECT_EQ("", Bottom());
    Press({VK_F1, VK_F4});
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(test::MessagesOf(notes, {WM_KEYDOWN}).size(), 2u);

    // A full-screen window keeps the bottom row to itself.
    std::u16string lines;
    for (int row = 0; row < kRows; ++row)
        lines += u"line " + ce::FromUtf8(std::to_string(row)) + u"\n";
    const HWND full =
        CreateWindowExW(0, u"STATIC", lines.c_str(), WS_POPUP | WS_VISIBLE, 0, 0, kColumns * 4,
                        kRows * 8, nullptr, nullptr, Instance(), nullptr);
    EXPECT_EQ("line 11", Bottom());

    // The frame in front again has its keys; the bar itself is never activated.
    DestroyWindow(full);
    DestroyWindow(notes);
    EXPECT_EQ(GetActiveWindow(), frame_);
    EXPECT_EQ(" Save ", Bottom().substr(0, 6));
    Press(VK_F1);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kSave, 0)});
}

TEST_F(MenuBarTest, TheSoftKeysAndTheEntriesOfTheirMenusAreTapped) {
    CreateBar();
    test::g_messageLog.clear();
    // Each half of the bottom row is a soft key.
    TapAt(kColumns / 2 - 1, kRows - 1);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{kSave});
    TapAt(kColumns / 2, kRows - 1);
    ASSERT_TRUE(Shows("1 Copy"));
    TapText("Copy");
    EXPECT_EQ(Commands(), (std::vector<WPARAM>{kSave, kCopy}));
    EXPECT_FALSE(Shows("Copy"));

    // A nested popup; its parent's items still answer; a separator or the box's edge does
    // nothing.
    TapText("More");
    TapText("Tools");
    ASSERT_TRUE(Shows("1 Sort"));
    const POINT separator = test::CellOf("│─");
    TapAt(separator.x + 2, separator.y);
    TapAt(test::CellOf("2 Tools").x - 1, test::CellOf("2 Tools").y);
    ASSERT_TRUE(Shows("1 Sort"));
    TapText("Copy");  // in the outer level: the nested one closes with the menu
    EXPECT_EQ(Commands(), (std::vector<WPARAM>{kSave, kCopy, kCopy}));
    TapText("More");
    TapText("Tools");
    TapText("Sort");
    EXPECT_EQ(Commands(), (std::vector<WPARAM>{kSave, kCopy, kCopy, kSort}));

    // An open menu holds the stylus: a tap anywhere else, the soft keys too, closes it only.
    for (const int row : {3, kRows - 1}) {
        TapText("More");
        ASSERT_TRUE(Shows("1 Copy"));
        TapAt(1, row);
        EXPECT_FALSE(Shows("Copy")) << row;
    }
    EXPECT_EQ(Commands().size(), 4u);
    EXPECT_TRUE(test::MessagesOf(frame_, {WM_LBUTTONDOWN}).empty());
}

TEST_F(MenuBarTest, AMessageBoxsButtonsAndSoftKeysAreTappedAndPressedWithF3AndF4) {
    CreateBar();
    test::g_messageLog.clear();
    test::ShowMessageBoxes();
    std::string shown;
    test::WhenIdle({[&] {
                        const std::vector<std::string> rows = test::ScreenRows();
                        shown = rows[std::max(0, test::RowWith(rows, "[ Yes ]"))];
                        ce::screen::Tap(1, 1);  // the frame behind: nothing
                        ASSERT_TRUE(test::TapOn("[ No ]"));
                    },
                    [] { ce::screen::Tap(1, kRows - 1); }, [] { ce::screen::PressKey(VK_F4); },
                    [] { ce::screen::PressKey(VK_F3); }});
    // Each box's default button is another one than the one expected.
    const UINT yesNoCancel = MB_YESNOCANCEL | MB_DEFBUTTON3;
    EXPECT_EQ(IDNO, MessageBoxW(frame_, u"Keep it?", u"Order", yesNoCancel));
    EXPECT_EQ(IDYES, MessageBoxW(frame_, u"Keep it?", u"Order", yesNoCancel));
    EXPECT_EQ(IDNO, MessageBoxW(frame_, u"Keep it?", u"Order", yesNoCancel));
    EXPECT_EQ(IDOK, MessageBoxW(frame_, u"Send it?", u"Order", MB_OKCANCEL | MB_DEFBUTTON2));
    EXPECT_EQ(ce::screen::StarvedCount(), 0);  // every box was answered, none given up
    EXPECT_NE(shown.find("[ Yes ]  [ No ]  [ Cancel ]"), std::string::npos) << shown;
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(test::MessagesOf(frame_, {WM_LBUTTONDOWN}).empty());
}

}  // namespace
