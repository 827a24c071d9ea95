// The soft keys: the bar built from a menu resource on the bottom row, F1 and F2, its popups
// driven by the keys, and the commands that reach the owner; and the keys of whatever is in front
// of the frame: a message box's own, a modal dialog's caption OK or none.
#include <aygshell.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "CePlatform/window/AppTemplates.h"
#include "CePlatform/window/CoreSupport.h"

namespace {

constexpr UINT kDone = test::app::kDone;
constexpr UINT kRestore = test::app::kRestore;
constexpr UINT kAbout = test::app::kAboutCommand;

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
        ce::res::Table table = test::app::Resources();
        table.menus[0].items[1].text = u"&Menu";  // a mnemonic mark is not shown
        ce::res::RegisterResources(Instance(), std::move(table));
        frame_ = CreateFrame();
        ASSERT_NE(frame_, nullptr);
    }

    SHMENUBARINFO Request() const {
        SHMENUBARINFO info{};
        info.cbSize = sizeof(info);
        info.hwndParent = frame_;
        info.dwFlags = SHCMBF_HMENU;
        info.nToolBarId = 128;
        info.hInstRes = Instance();
        info.hwndMB = reinterpret_cast<HWND>(0x5A5A);
        return info;
    }

    HWND CreateBar() {
        SHMENUBARINFO info = Request();
        EXPECT_TRUE(SHCreateMenuBar(&info));
        ce::screen::PumpMessages();
        return info.hwndMB;
    }

    // The screen rows that hold `text`.
    static std::vector<int> RowsWith(const std::string& text) {
        std::vector<int> rows;
        for (int row = 0; row < kRows; ++row) {
            if (Row(row).find(text) != std::string::npos) rows.push_back(row);
        }
        return rows;
    }

    HWND frame_ = nullptr;
};

TEST_F(MenuBarTest, BarLiesOnTheBottomRowWithBothSoftKeysAndFollowsResizes) {
    const HWND bar = CreateBar();
    EXPECT_EQ(test::RectOf(bar),
              (std::array<LONG, 4>{0, (kRows - 1) * 8, kColumns * 4, kRows * 8}));

    const std::string bottom = Row(kRows - 1);
    EXPECT_EQ(bottom.rfind(" Done ", 0), 0u) << bottom;
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

TEST_F(MenuBarTest, BadRequestsFailAndLeaveTheRecord) {
    SHMENUBARINFO info = Request();
    info.cbSize = 12;
    EXPECT_FALSE(SHCreateMenuBar(&info));
    info = Request();
    info.hwndParent = reinterpret_cast<HWND>(0x12340);
    EXPECT_FALSE(SHCreateMenuBar(&info));
    info = Request();
    info.nToolBarId = 999;
    EXPECT_FALSE(SHCreateMenuBar(&info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(info.hwndMB, reinterpret_cast<HWND>(0x5A5A));
    EXPECT_FALSE(SHCreateMenuBar(nullptr));
    // The record's size on the device is accepted too.
    info = Request();
    info.cbSize = 36;
    EXPECT_TRUE(SHCreateMenuBar(&info));
}

TEST_F(MenuBarTest, RightSoftKeyOpensPopupWithNestedPopupDrivenByTheKeys) {
    CreateBar();
    Press(VK_F2);
    // Above the bar, at the right edge: a frame around "1 Restore" and "2 Help ▸".
    ASSERT_EQ(RowsWith("1 Restore"), std::vector<int>{kRows - 4});
    EXPECT_EQ(RowsWith("2 Help ▸"), std::vector<int>{kRows - 3});
    EXPECT_EQ(Cells(kColumns - 1, kRows - 2, 1), "┘");
    EXPECT_TRUE(ce::screen::CellAt(kColumns - 3, kRows - 4).attr & ce::screen::kAttrReverse);
    EXPECT_TRUE(ce::screen::CellAt(kColumns - 3, kRows - 4).attr & ce::screen::kAttrOverlay);

    Press({VK_DOWN, VK_RETURN});
    const std::vector<int> about = RowsWith("1 About");
    ASSERT_EQ(about.size(), 1u);
    EXPECT_TRUE(Commands().empty());
    // The nested popup opens towards the middle, left of its parent.
    EXPECT_LT(Row(about[0]).find("1 About"), Row(kRows - 3).find("2 Help"));

    Press(VK_RETURN);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kAbout, 0)});
    EXPECT_TRUE(RowsWith("Restore").empty());
    EXPECT_TRUE(RowsWith("About").empty());

    // Escape closes one level; digits choose.
    Press({VK_F2, '2'});  // opens Help
    ASSERT_EQ(RowsWith("1 About").size(), 1u);
    Press(VK_ESCAPE);
    EXPECT_TRUE(RowsWith("1 About").empty());
    EXPECT_EQ(RowsWith("1 Restore").size(), 1u);
    Press(VK_ESCAPE);
    EXPECT_TRUE(RowsWith("Restore").empty());
    EXPECT_EQ(Commands().size(), 1u);  // still only About

    Press({VK_F2, VK_UP, VK_RIGHT, VK_LEFT, '1'});  // Up wraps round to Help
    EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(kAbout, 0), MAKEWPARAM(kRestore, 0)}));
}

TEST_F(MenuBarTest, OpenMenuTakesTheKeysFromTheFocusedWindow) {
    const HWND child = CreateChild(frame_, 1);
    SetFocus(child);
    CreateBar();
    Press({VK_F2, VK_DOWN, VK_ESCAPE});
    EXPECT_TRUE(test::MessagesOf(child, {WM_KEYDOWN}).empty());
    Press(VK_DOWN);  // the menu is closed: the window has the keys again
    EXPECT_EQ(test::MessagesOf(child, {WM_KEYDOWN}).size(), 1u);
}

TEST_F(MenuBarTest, AWindowComingForwardClosesTheMenuAndTakesTheSoftKeys) {
    CreateBar();
    Press(VK_F2);
    ASSERT_EQ(RowsWith("1 Restore").size(), 1u);
    // A message box (of a timer, say) while the menu is open: Enter answers the box.
    test::ShowMessageBoxes({VK_RETURN});
    EXPECT_EQ(MessageBoxW(frame_, u"Tick", u"Info", MB_OK), IDOK);
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(RowsWith("Restore").empty());

    // The soft keys belong to the active window; the bar itself is never activated.
    const HWND other = CreateFrame(u"Other");
    Press(VK_F1);
    EXPECT_TRUE(Commands().empty());
    DestroyWindow(other);
    EXPECT_EQ(GetActiveWindow(), frame_);
    Press(VK_F1);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kDone, 0)});
}

// The keys and commands that a modal dialog of the tests got; it ends on IDCANCEL, on IDOK when
// `g_endOnOk` and on the End key; with `g_wantAllKeys` it asks for every key.
std::vector<WPARAM> g_dialogKeys;
std::vector<WORD> g_dialogCommands;
bool g_endOnOk = true;
bool g_wantAllKeys = false;

INT_PTR CALLBACK KeyLoggingDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_GETDLGCODE && g_wantAllKeys) {
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, DLGC_WANTALLKEYS);
        return TRUE;
    }
    if (msg == WM_KEYDOWN) {
        g_dialogKeys.push_back(wParam);
        if (wParam == VK_END) EndDialog(hwnd, VK_END);
    }
    if (msg == WM_COMMAND) {
        g_dialogCommands.push_back(LOWORD(wParam));
        if (LOWORD(wParam) == IDCANCEL || (LOWORD(wParam) == IDOK && g_endOnOk)) {
            EndDialog(hwnd, LOWORD(wParam));
        }
    }
    return msg == WM_INITDIALOG || msg == WM_KEYDOWN || msg == WM_COMMAND;
}

class SoftKeyTest : public MenuBarTest {
protected:
    void SetUp() override {
        MenuBarTest::SetUp();
        CreateBar();
        test::ShowMessageBoxes();
        g_dialogKeys.clear();
        g_dialogCommands.clear();
        g_endOnOk = true;
        g_wantAllKeys = false;
    }
    static std::string Bottom() { return Row(kRows - 1); }
    INT_PTR Modal(UINT id) const {
        return DialogBoxParamW(Instance(), MAKEINTRESOURCEW(id), frame_, KeyLoggingDialogProc, 0);
    }
};

TEST_F(SoftKeyTest, AMessageBoxInFrontHasItsOwnButtonsAsSoftKeys) {
    std::string yesNo;
    std::string ok;
    test::WhenIdle({[&] {
                        yesNo = Bottom();
                        ce::screen::PressKey(VK_F1);
                    },
                    [] { ce::screen::PressKey(VK_F2); },
                    [&] {
                        ok = Bottom();
                        ce::screen::PressKey(VK_F2);  // no right key: nothing
                    },
                    [] { ce::screen::PressKey(VK_F1); }});
    // F1 is "Yes" here, never the frame's "Done"; F2 is "No", never its "Menu".
    EXPECT_EQ(IDYES, MessageBoxW(frame_, u"Restart the device now?", u"Restart", MB_YESNO));
    EXPECT_EQ(IDNO, MessageBoxW(frame_, u"Restore all tweaks?", u"Confirmation", MB_YESNO));
    EXPECT_EQ(IDOK, MessageBoxW(frame_, u"Error code:2002", u"Error", MB_OK));
    EXPECT_EQ(" Yes ", yesNo.substr(0, 5)) << yesNo;
    EXPECT_EQ(" No", yesNo.substr(yesNo.size() - 3)) << yesNo;
    EXPECT_EQ(" OK", ok);
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(RowsWith("Restore").empty());

    // The frame in front again has its own keys.
    EXPECT_EQ(" Done ", Bottom().substr(0, 6));
    Press(VK_F1);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kDone, 0)});
}

TEST_F(SoftKeyTest, AModalDialogOffersItsCaptionOkAndGetsEveryOtherKey) {
    // The About box: F1 is its caption's OK button; F2 reaches it as a key.
    std::string about;
    test::WhenIdle({[&] {
                        about = Bottom();
                        ce::screen::PressKey(VK_F2);
                    },
                    [] { ce::screen::PressKey(VK_F1); }});
    EXPECT_EQ(IDOK, Modal(test::app::kAbout));
    EXPECT_EQ(" OK", about);
    EXPECT_EQ(g_dialogKeys, std::vector<WPARAM>{VK_F2});

    // The Info window has no keys: both soft keys and other keys reach its WM_KEYDOWN; Enter
    // and Escape are its IDOK and IDCANCEL, as in every dialog.
    g_dialogKeys.clear();
    g_dialogCommands.clear();
    g_endOnOk = false;
    std::string info = "unread";
    test::WhenIdle({[&] {
        info = Bottom();
        for (const UINT key :
             std::initializer_list<UINT>{VK_F1, VK_F2, 'A', VK_RETURN, VK_ESCAPE}) {
            ce::screen::PressKey(key);
        }
    }});
    EXPECT_EQ(IDCANCEL, Modal(test::app::kInfo));
    EXPECT_EQ("", info);
    EXPECT_EQ(g_dialogKeys, (std::vector<WPARAM>{VK_F1, VK_F2, 'A'}));
    EXPECT_EQ(g_dialogCommands, (std::vector<WORD>{IDOK, IDCANCEL}));

    // Asking for every key, it gets Enter and Escape as keys too.
    g_dialogKeys.clear();
    g_dialogCommands.clear();
    g_wantAllKeys = true;
    test::WhenIdle({[] {
        for (const UINT key : std::initializer_list<UINT>{VK_RETURN, VK_ESCAPE, VK_END}) {
            ce::screen::PressKey(key);
        }
    }});
    EXPECT_EQ(VK_END, Modal(test::app::kInfo));
    EXPECT_EQ(g_dialogKeys, (std::vector<WPARAM>{VK_RETURN, VK_ESCAPE, VK_END}));
    EXPECT_TRUE(g_dialogCommands.empty());
    EXPECT_TRUE(Commands().empty());
}

TEST_F(SoftKeyTest, AWindowWithoutSoftKeysBlanksTheRowUnlessItCoversIt) {
    // A window of its own in front (not owned by the frame): no soft keys.
    const HWND notes = CreateWindowExW(0, kClass, u"Notes", WS_POPUP | WS_VISIBLE, 40, 32, 80, 24,
                                       nullptr, nullptr, Instance(), nullptr);
    EXPECT_EQ("", Bottom());
    Press(VK_F1);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(test::MessagesOf(notes, {WM_KEYDOWN}).size(), 1u);

    // A full-screen window keeps the bottom row to itself.
    std::u16string lines;
    for (int row = 0; row < kRows; ++row) {
        lines += u"line " + ce::FromUtf8(std::to_string(row)) + u"\n";
    }
    const HWND full =
        CreateWindowExW(0, u"STATIC", lines.c_str(), WS_POPUP | WS_VISIBLE, 0, 0, kColumns * 4,
                        kRows * 8, nullptr, nullptr, Instance(), nullptr);
    EXPECT_EQ("line 11", Bottom());

    DestroyWindow(full);
    DestroyWindow(notes);
    EXPECT_EQ(" Done ", Bottom().substr(0, 6));
}

}  // namespace
