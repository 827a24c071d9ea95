// The soft keys: the bar of a menu resource, its popups tapped, and a message box in front of the
// frame with its buttons as the soft keys, pressed and tapped.
#include <aygshell.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "support/WindowSupport.h"

namespace {

enum : UINT { kMenu = 600, kSave = 601, kCopy = 602, kSort = 603 };

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

// The first box comes while the menu is open (from a timer, say) and closes it. While a box is
// shown its owner is disabled; Escape is its cancel button, or its only one, and so is its close.
TEST_F(MenuBarTest, AMessageBoxInFrontClosesTheMenuAndHasItsOwnButtonsAsSoftKeys) {
    CreateBar();
    Press(VK_F2);
    ASSERT_TRUE(Shows("1 Copy"));
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
    EXPECT_FALSE(Shows("Copy"));

    // The frame in front again has its own keys.
    EXPECT_TRUE(IsWindowEnabled(frame_));
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
