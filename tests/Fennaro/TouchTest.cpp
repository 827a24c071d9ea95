// The tweak view by touch, on the Smartphone's screen: the pickers, the boxes, the description
// and "Done" tapped, the wheel on the open list and the description, the menu, a message box's
// buttons and the About box's OK tapped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AppScreen.h"
#include "support/RegistryProbe.h"

namespace {

using namespace testing;
using namespace test;

const WCHAR kGlyphCache[] = u"\\system\\gdi\\glyphcache";

class Touch : public Screens {
protected:
    // Taps the first character of `text` where the screen shows it, and handles the tap.
    static void TapOn(const std::string& text) {
        ASSERT_TRUE(test::TapOn(text)) << text << PrintToString(ScreenRows());
        ce::screen::PumpMessages();
    }
    // Taps a control's first cell, or a cell counted from it.
    void TapControl(int id, int column = 0, int row = 0) {
        const RECT cells = ce::screen::WindowCells(Control(id));
        ce::screen::Tap(cells.left + column, cells.top + row);
        ce::screen::PumpMessages();
    }
    void WheelOver(int id, int notches) {
        const RECT cells = ce::screen::WindowCells(Control(id));
        ce::screen::Wheel(cells.left + 1, cells.top + 1, notches);
        ce::screen::PumpMessages();
    }
    bool Dropped(int id) { return SendMessageW(Control(id), CB_GETDROPPEDSTATE, 0, 0) != 0; }
    LRESULT FirstLine() {
        return SendMessageW(Control(IDC_DESCRIPTION), EM_GETFIRSTVISIBLELINE, 0, 0);
    }
};

TEST_F(Touch, ATweakPickedAndTickedByTouchIsAppliedWithATapOnDone) {
    Start();
    TapOn("Essential Utilities");
    EXPECT_TRUE(Dropped(IDC_CATEGORY));
    EXPECT_EQ(GetFocus(), Control(IDC_CATEGORY));
    TapOn("System");
    EXPECT_FALSE(Dropped(IDC_CATEGORY));
    EXPECT_EQ(Selected(Control(IDC_CATEGORY)), "System");
    EXPECT_THAT(Entries(Control(IDC_TWEAK)), Contains("Speed-Boost"));

    // The tweaks of the category are more than the list shows: the wheel brings the one wanted.
    TapControl(IDC_TWEAK);
    ASSERT_TRUE(Dropped(IDC_TWEAK));
    for (int notches = 0; notches < 40 && CellOf("Speed-Boost").x < 0; ++notches) {
        WheelOver(IDC_TWEAK, -1);
    }
    TapOn("Speed-Boost");
    EXPECT_FALSE(Dropped(IDC_TWEAK));
    EXPECT_EQ(Selected(Control(IDC_TWEAK)), "Speed-Boost");
    EXPECT_THAT(Text(Control(IDC_DESCRIPTION)), StartsWith("This will Speed Up"));

    TapOn("Enable");
    EXPECT_TRUE(Checked(Control(IDC_ENABLE)));
    EXPECT_EQ(GetFocus(), Control(IDC_ENABLE));
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit"), probe::DwordValue(16384));
    TapOn("Done");
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit"), probe::DwordValue(32768));
    EXPECT_EQ(QuitCode(), 1);
}

TEST_F(Touch, TheDescriptionScrollsByTheWheelAndItsArrowsAndTakesTheCaretWhereTapped) {
    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Set MMS-Size to MAX");
    Advance(100);
    const HWND description = Control(IDC_DESCRIPTION);
    const RECT box = ce::screen::WindowCells(description);
    ASSERT_GT(SendMessageW(description, EM_GETLINECOUNT, 0, 0), box.bottom - box.top);
    WheelOver(IDC_DESCRIPTION, -1);
    EXPECT_EQ(FirstLine(), 1);
    const int scrollBar = box.right - box.left - 1;
    TapControl(IDC_DESCRIPTION, scrollBar, 0);  // up
    EXPECT_EQ(FirstLine(), 0);
    TapControl(IDC_DESCRIPTION, scrollBar, box.bottom - box.top - 1);  // down
    EXPECT_EQ(FirstLine(), 1);
    EXPECT_EQ(GetFocus(), Control(IDC_TWEAK));

    TapControl(IDC_DESCRIPTION, 4, 1);
    EXPECT_EQ(GetFocus(), description);
    EXPECT_EQ(ce::screen::Caret(),
              std::make_pair(static_cast<int>(box.left) + 4, static_cast<int>(box.top) + 1));
    DWORD start = 0;
    DWORD end = 1;
    SendMessageW(description, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, end);

    // An open list closes unchanged on a tap elsewhere, which goes nowhere else.
    TapControl(IDC_CATEGORY);
    ASSERT_TRUE(Dropped(IDC_CATEGORY));
    TapControl(IDC_DESCRIPTION, 4, 4);
    EXPECT_FALSE(Dropped(IDC_CATEGORY));
    EXPECT_EQ(Selected(Control(IDC_CATEGORY)), "System");
    EXPECT_EQ(GetFocus(), Control(IDC_CATEGORY));
}

TEST_F(Touch, TheBoxesAndTheDescriptionOfAnUnsupportedTweakIgnoreTaps) {
    Start();
    Pick(IDC_CATEGORY, "Internet");
    Pick(IDC_TWEAK, "Enable 4-way navigation");
    Advance(100);
    TapControl(IDC_ENABLE);
    TapControl(IDC_SHORTCUT);
    TapControl(IDC_DESCRIPTION, 4, 0);
    WheelOver(IDC_DESCRIPTION, -1);
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));
    EXPECT_FALSE(Checked(Control(IDC_SHORTCUT)));
    EXPECT_EQ(GetFocus(), Control(IDC_TWEAK));
    EXPECT_EQ(FirstLine(), 0);
    EXPECT_EQ(SendMessageW(Control(IDC_DESCRIPTION), EM_GETSEL, 0, 0), MAKELRESULT(0, 0));
}

TEST_F(Touch, TheMenuAMessageBoxsButtonsAndTheAboutBoxsOkAreTapped) {
    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    Click(IDC_ENABLE);
    ShowMessageBoxes();
    std::vector<std::string> asked;
    WhenIdle({[&asked] {
                  asked = ScreenRows();
                  ASSERT_TRUE(test::TapOn("[ No ]"));
              },
              [] { ASSERT_TRUE(test::TapOn("[ Yes ]")); }});
    TapOn("Menu");
    TapOn("Restore");  // No: the tick stays
    EXPECT_NE(RowWith(asked, "Confirmation"), -1) << PrintToString(asked);
    Pick(IDC_TWEAK, "Speed-Boost");
    EXPECT_TRUE(Checked(Control(IDC_ENABLE)));
    TapOn("Menu");
    TapOn("Restore");  // Yes: the unapplied tick is lost
    Pick(IDC_TWEAK, "Speed-Boost");
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));

    // The About box closes with its caption's OK: "[ok]" on the task bar, or the soft key.
    for (const char* ok : {"[ok]", " OK"}) {
        std::vector<std::string> shown;
        WhenIdle({[&shown, ok] {
            shown = ScreenRows();
            ASSERT_TRUE(test::TapOn(ok));
        }});
        TapOn("Menu");
        TapOn("Help");
        TapOn("About");
        EXPECT_NE(RowWith(shown, "Quenvale 2008"), -1) << ok << PrintToString(shown);
        EXPECT_EQ(GetActiveWindow(), frame_->m_hWnd) << ok;
        EXPECT_EQ(RowWith(ScreenRows(), "Quenvale 2008"), -1) << ok;
    }
    EXPECT_EQ(ce::screen::StarvedCount(), 0);  // every box closed by its tap, none given up
}

}  // namespace
