// The soft keys: the bar built from a menu resource on the bottom row, F1 and F2, its popups
// driven by the keys, and the commands that reach the owner; and the keys of whatever is in front
// of the frame: a message box's own, a modal dialog's caption OK or none.
#include <aygshell.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "support/WindowSupport.h"

namespace {

enum : UINT { kDone = 57665, kRestore = 32773, kAbout = 57664, kAboutBox = 100, kInfoBox = 206 };

// The menu commands that the logging windows got (without a control handle, unlike the
// controls' notifications).
std::vector<WPARAM> Commands() {
    std::vector<WPARAM> commands;
    for (const test::Logged& entry : test::MessageLog()) {
        if (entry.msg == WM_COMMAND && entry.lParam == 0) commands.push_back(entry.wParam);
    }
    return commands;
}

class MenuBarTest : public test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ce::res::Table table;
        // The tweak manager's menu, with a mnemonic mark that is not shown.
        table.menus = {
            {128,
             {{u"Done", kDone},
              {u"&Menu", 0, {{u"Restore", kRestore}, {u"Help", 0, {{u"About", kAbout}}}}}}}};
        // The About box has the caption's OK button, the Info window no keys.
        table.dialogs = {{.id = kInfoBox, .style = WS_POPUP | WS_CAPTION, .cx = 116, .cy = 49}};
        table.dialogs.push_back(table.dialogs[0]);
        table.dialogs[1].id = kAboutBox;
        table.dialogs[1].exStyle = WS_EX_CAPTIONOKBTN;
        table.dialogs[1].caption = u"About";
        ce::res::RegisterResources(Instance(), std::move(table));
        frame_ = CreateFrame();
        ASSERT_NE(frame_, nullptr);
    }

    HWND CreateBar() {
        SHMENUBARINFO info{};
        info.cbSize = sizeof(info);
        info.hwndParent = frame_;
        info.dwFlags = SHCMBF_HMENU;
        info.nToolBarId = 128;
        info.hInstRes = Instance();
        EXPECT_TRUE(SHCreateMenuBar(&info));
        ce::screen::PumpMessages();
        return info.hwndMB;
    }

    static int RowOf(const std::string& text) { return test::RowWith(test::ScreenRows(), text); }
    static std::string Bottom() { return Row(kRows - 1); }

    HWND frame_ = nullptr;
};

TEST_F(MenuBarTest, BarLiesOnTheBottomRowWithBothSoftKeysAndFollowsResizes) {
    const HWND bar = CreateBar();
    EXPECT_EQ(test::RectOf(bar),
              (std::array<LONG, 4>{0, (kRows - 1) * 8, kColumns * 4, kRows * 8}));
    EXPECT_EQ(Bottom().rfind(" Done ", 0), 0u) << Bottom();
    EXPECT_EQ(Cells(kColumns - 6, kRows - 1, 6), " Menu ");
    EXPECT_TRUE(ce::screen::CellAt(1, kRows - 1).attr & ce::screen::kAttrReverse);
    // Creating the bar left the frame active; the left soft key sends its command.
    EXPECT_EQ(GetActiveWindow(), frame_);
    Press(VK_F1);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kDone, 0)});

    ce::screen::Resize(30, 10);
    ce::screen::PumpMessages();
    EXPECT_EQ(test::RectOf(bar), (std::array<LONG, 4>{0, 9 * 8, 30 * 4, 10 * 8}));
    EXPECT_EQ(Cells(24, 9, 6), " Menu ");
}

// The open menu takes the keys from the focused window and gives them back when it closes.
TEST_F(MenuBarTest, RightSoftKeyOpensPopupWithNestedPopupDrivenByTheKeys) {
    const HWND child = CreateChild(frame_, 1);
    SetFocus(child);
    CreateBar();
    Press(VK_F2);
    // Above the bar, at the right edge: a frame around "1 Restore" and "2 Help ▸".
    EXPECT_EQ(RowOf("1 Restore"), kRows - 4);
    EXPECT_EQ(RowOf("2 Help ▸"), kRows - 3);
    EXPECT_EQ(Cells(kColumns - 1, kRows - 2, 1), "┘");
    EXPECT_TRUE(ce::screen::CellAt(kColumns - 3, kRows - 4).attr & ce::screen::kAttrReverse);
    EXPECT_TRUE(ce::screen::CellAt(kColumns - 3, kRows - 4).attr & ce::screen::kAttrOverlay);

    Press({VK_DOWN, VK_RETURN});
    const int about = RowOf("1 About");
    ASSERT_NE(about, -1);
    EXPECT_TRUE(Commands().empty());
    // The nested popup opens towards the middle, left of its parent.
    EXPECT_LT(Row(about).find("1 About"), Row(kRows - 3).find("2 Help"));

    Press(VK_RETURN);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kAbout, 0)});
    EXPECT_EQ(RowOf("Restore"), -1);
    EXPECT_EQ(RowOf("About"), -1);

    // Escape closes one level; digits choose.
    Press({VK_F2, '2'});  // opens Help
    ASSERT_NE(RowOf("1 About"), -1);
    Press(VK_ESCAPE);
    EXPECT_EQ(RowOf("1 About"), -1);
    EXPECT_NE(RowOf("1 Restore"), -1);
    Press(VK_ESCAPE);
    EXPECT_EQ(RowOf("Restore"), -1);
    EXPECT_EQ(Commands().size(), 1u);  // still only About

    Press({VK_F2, VK_UP, VK_RIGHT, VK_LEFT, '1'});  // Up wraps round to Help
    EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(kAbout, 0), MAKEWPARAM(kRestore, 0)}));
    EXPECT_TRUE(test::MessagesOf(child, {WM_KEYDOWN}).empty());
    Press(VK_DOWN);  // the menu is closed: the window has the keys again
    EXPECT_EQ(test::MessagesOf(child, {WM_KEYDOWN}).size(), 1u);
}

// The first box comes while the menu is open (from a timer, say) and closes it. While a box is
// shown its owner is disabled; Escape is its cancel button, or its only one.
TEST_F(MenuBarTest, AMessageBoxInFrontClosesTheMenuAndHasItsOwnButtonsAsSoftKeys) {
    CreateBar();
    Press(VK_F2);
    ASSERT_NE(RowOf("1 Restore"), -1);
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
                    [] { ce::screen::PressKey(VK_ESCAPE); }});
    // F1 is "Yes" here, never the frame's "Done"; F2 is "No", never its "Menu".
    EXPECT_EQ(IDYES, MessageBoxW(frame_, u"Restart the device now?", u"Restart", MB_YESNO));
    EXPECT_EQ(IDNO, MessageBoxW(frame_, u"Restore all tweaks?", u"Confirmation", MB_YESNO));
    EXPECT_EQ(IDOK, MessageBoxW(frame_, u"Error code:2002", u"Error", MB_OK));
    EXPECT_EQ(IDCANCEL, MessageBoxW(frame_, u"Retry?", u"Error", MB_OKCANCEL));
    EXPECT_EQ(" Yes ", yesNo.substr(0, 5)) << yesNo;
    EXPECT_EQ(" No", yesNo.substr(yesNo.size() - 3)) << yesNo;
    EXPECT_EQ(" OK", ok);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(RowOf("Restore"), -1);

    // The frame in front again has its own keys.
    EXPECT_TRUE(IsWindowEnabled(frame_));
    EXPECT_EQ(GetActiveWindow(), frame_);
    EXPECT_EQ(" Done ", Bottom().substr(0, 6));
    Press(VK_F1);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kDone, 0)});
}

// The keys and commands that a modal dialog of the tests got; it ends on IDCANCEL, on IDOK but
// for the Info box, and on the End key; with `g_wantAllKeys` it asks for every key.
std::vector<WPARAM> g_dialogKeys;
std::vector<WORD> g_dialogCommands;
bool g_wantAllKeys = false;

INT_PTR CALLBACK KeyLoggingDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    if (msg == WM_GETDLGCODE && g_wantAllKeys) {
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, DLGC_WANTALLKEYS);
        return TRUE;
    }
    if (msg == WM_KEYDOWN) {
        g_dialogKeys.push_back(wParam);
        if (wParam == VK_END) EndDialog(hwnd, VK_END);
    }
    if (msg == WM_COMMAND) {
        const WORD id = LOWORD(wParam);
        g_dialogCommands.push_back(id);
        if (id == IDCANCEL || (id == IDOK && GetWindowLongPtrW(hwnd, DWLP_USER) == kAboutBox)) {
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
    // The About box: F1 is its caption's OK button, shown in the task bar too; F2 reaches it as
    // a key.
    std::vector<std::string> rows = modal(kAboutBox, {VK_F2, VK_F1}, IDOK);
    EXPECT_EQ(" OK", rows.back());
    EXPECT_NE(rows[0].find("About"), std::string::npos) << rows[0];
    EXPECT_NE(rows[0].find("[ok]"), std::string::npos) << rows[0];
    EXPECT_EQ(g_dialogKeys, std::vector<WPARAM>{VK_F2});

    // The Info window has no keys: both soft keys and other keys reach its WM_KEYDOWN; Enter
    // and Escape are its IDOK and IDCANCEL, as in every dialog.
    rows = modal(kInfoBox, {VK_F1, VK_F2, 'A', VK_RETURN, VK_ESCAPE}, IDCANCEL);
    EXPECT_EQ("", rows.back());
    EXPECT_EQ(g_dialogKeys, (std::vector<WPARAM>{VK_F1, VK_F2, 'A'}));
    EXPECT_EQ(g_dialogCommands, (std::vector<WORD>{IDOK, IDCANCEL}));

    // Asking for every key, it gets Enter and Escape as keys too.
    g_wantAllKeys = true;
    modal(kInfoBox, {VK_RETURN, VK_ESCAPE, VK_END}, VK_END);
    g_wantAllKeys = false;
    EXPECT_EQ(g_dialogKeys, (std::vector<WPARAM>{VK_RETURN, VK_ESCAPE, VK_END}));
    EXPECT_TRUE(g_dialogCommands.empty());
    EXPECT_TRUE(Commands().empty());
}

TEST_F(MenuBarTest, AWindowWithoutSoftKeysBlanksTheRowUnlessItCoversIt) {
    CreateBar();
    // A window of its own in front (not owned by the frame): no soft keys.
    const HWND notes = CreateWindowExW(0, kClass, u"Notes", WS_POPUP | WS_VISIBLE, 40, 32, 80, 24,
                                       nullptr, nullptr, Instance(), nullptr);
    EXPECT_EQ("", Bottom());
    Press(VK_F1);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(test::MessagesOf(notes, {WM_KEYDOWN}).size(), 1u);

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
    EXPECT_EQ(" Done ", Bottom().substr(0, 6));
    Press(VK_F1);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kDone, 0)});
}

}  // namespace
