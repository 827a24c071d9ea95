// The soft-key bar: built from a menu resource on the bottom row, F1 and F2, its popups driven by
// the keys, and the commands that reach the owner.
#include <aygshell.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "CePlatform/window/CoreSupport.h"

namespace {

constexpr UINT kDone = 57665;
constexpr UINT kRestore = 32773;
constexpr UINT kAbout = 57664;

std::vector<WPARAM>& Commands() {
    static std::vector<WPARAM> commands;
    return commands;
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // Menu commands come without a control handle; controls' notifications are not logged.
    if (msg == WM_COMMAND && lParam == 0) {
        Commands().push_back(wParam);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class MenuBarTest : public test::ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        Commands().clear();
        ce::res::Table table;
        table.menus = {{.id = 128,
                        .items = {{.text = u"Done", .id = kDone},
                                  {.text = u"&Menu",
                                   .popup = {{.text = u"Restore", .id = kRestore},
                                             {.text = u"Help",
                                              .popup = {{.text = u"About", .id = kAbout}}}}}}}};
        ce::res::RegisterResources(Instance(), std::move(table));
        WNDCLASSW cls{};
        cls.lpfnWndProc = FrameProc;
        cls.hInstance = Instance();
        cls.lpszClassName = u"MenuBarTestFrame";
        RegisterClassW(&cls);  // already there after the first test
        frame_ = CreateWindowExW(0, u"MenuBarTestFrame", u"Frame", WS_VISIBLE, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                 Instance(), nullptr);
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

TEST_F(MenuBarTest, BarLiesOnTheBottomRowWithBothSoftKeys) {
    const HWND bar = CreateBar();
    ASSERT_TRUE(IsWindow(bar));
    RECT rect{-7, -7, -7, -7};
    ASSERT_TRUE(GetWindowRect(bar, &rect));
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, (kRows - 1) * 8);
    EXPECT_EQ(rect.right, kColumns * 4);
    EXPECT_EQ(rect.bottom, kRows * 8);

    const std::string bottom = Row(kRows - 1);
    EXPECT_EQ(bottom.rfind(" Done ", 0), 0u) << bottom;
    EXPECT_EQ(Cells(kColumns - 6, kRows - 1, 6), " Menu ");
    EXPECT_TRUE(ce::screen::CellAt(1, kRows - 1).attr & ce::screen::kAttrReverse);
    // Creating the bar left the frame active; the left soft key sends its command.
    EXPECT_EQ(GetActiveWindow(), frame_);
    Press(VK_F1);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kDone, 0)});
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

TEST_F(MenuBarTest, RightSoftKeyOpensPopupWithNestedPopup) {
    CreateBar();
    Press(VK_F2);
    // Above the bar, at the right edge: a frame around "1 Restore" and "2 Help ▸".
    ASSERT_EQ(RowsWith("1 Restore"), std::vector<int>{kRows - 4});
    EXPECT_EQ(RowsWith("2 Help ▸"), std::vector<int>{kRows - 3});
    EXPECT_EQ(Cells(kColumns - 1, kRows - 2, 1), "┘");
    EXPECT_TRUE(ce::screen::CellAt(kColumns - 3, kRows - 4).attr & ce::screen::kAttrReverse);
    EXPECT_TRUE(ce::screen::CellAt(kColumns - 3, kRows - 4).attr & ce::screen::kAttrOverlay);

    Press(VK_DOWN);
    Press(VK_RETURN);
    const std::vector<int> about = RowsWith("1 About");
    ASSERT_EQ(about.size(), 1u);
    EXPECT_TRUE(Commands().empty());
    // The nested popup opens towards the middle, left of its parent.
    EXPECT_LT(Row(about[0]).find("1 About"), Row(kRows - 3).find("2 Help"));

    Press(VK_RETURN);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kAbout, 0)});
    EXPECT_TRUE(RowsWith("Restore").empty());
    EXPECT_TRUE(RowsWith("About").empty());
}

TEST_F(MenuBarTest, EscapeClosesOneLevelAndDigitsChoose) {
    CreateBar();
    Press(VK_F2);
    Press('2');  // opens Help
    ASSERT_EQ(RowsWith("1 About").size(), 1u);
    Press(VK_ESCAPE);
    EXPECT_TRUE(RowsWith("1 About").empty());
    EXPECT_EQ(RowsWith("1 Restore").size(), 1u);
    Press(VK_ESCAPE);
    EXPECT_TRUE(RowsWith("Restore").empty());
    EXPECT_TRUE(Commands().empty());

    Press(VK_F2);
    Press(VK_UP);  // wraps round to Help
    Press(VK_RIGHT);
    Press(VK_LEFT);
    Press('1');
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kRestore, 0)});
}

TEST_F(MenuBarTest, OpenMenuTakesTheKeysFromTheFocusedWindow) {
    const HWND combo =
        CreateWindowExW(0, u"COMBOBOX", u"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 0, 8, 80, 40,
                        frame_, nullptr, Instance(), nullptr);
    for (const char16_t* text : {u"a", u"b", u"c"}) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    SetFocus(combo);
    CreateBar();

    Press(VK_F2);
    Press(VK_DOWN);
    Press(VK_ESCAPE);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
    Press(VK_DOWN);  // the menu is closed: the combo box has the keys again
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
}

TEST_F(MenuBarTest, AWindowComingForwardClosesTheMenuAndGetsTheKeys) {
    CreateBar();
    Press(VK_F2);
    ASSERT_EQ(RowsWith("1 Restore").size(), 1u);
    // A message box (of a timer, say) while the menu is open: Enter answers the box.
    ce::screen::SetMessageBoxHook([](HWND, std::u16string_view, std::u16string_view, UINT) {
        return 0;  // shown, answered by the keys
    });
    ce::screen::SetStarvedHook([] {
        ce::screen::PressKey(VK_RETURN);
        return true;
    });
    EXPECT_EQ(MessageBoxW(frame_, u"Tick", u"Info", MB_OK), IDOK);
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(RowsWith("Restore").empty());
}

TEST_F(MenuBarTest, SoftKeysBelongToTheActiveWindowAndTheBarIsNeverActivated) {
    CreateBar();
    const HWND other = CreateWindowExW(0, u"MenuBarTestFrame", u"Other", WS_VISIBLE, 0, 8, 80, 40,
                                       nullptr, nullptr, Instance(), nullptr);
    Press(VK_F1);
    EXPECT_TRUE(Commands().empty());
    DestroyWindow(other);
    EXPECT_EQ(GetActiveWindow(), frame_);
    Press(VK_F1);
    EXPECT_EQ(Commands(), std::vector<WPARAM>{MAKEWPARAM(kDone, 0)});
}

TEST_F(MenuBarTest, BarFollowsTheScreenWhenItIsResized) {
    const HWND bar = CreateBar();
    ce::screen::Resize(30, 12);
    ce::screen::PumpMessages();
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(bar, &rect));
    EXPECT_EQ(rect.top, 11 * 8);
    EXPECT_EQ(rect.right, 30 * 4);
    EXPECT_EQ(Cells(24, 11, 6), " Menu ");
}

}  // namespace
