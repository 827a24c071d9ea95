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
        table.menus = {{.id = 128,
                        .items = {{.text = u"Done", .id = kDone},
                                  {.text = u"&Menu",
                                   .popup = {{.text = u"Restore", .id = kRestore},
                                             {.text = u"Help",
                                              .popup = {{.text = u"About", .id = kAbout}}}}}}}};
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

}  // namespace
