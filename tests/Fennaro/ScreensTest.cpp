// The application's screens on the headless screen with its manual clock: the frame with its soft
// keys and commands, the tweak view's pickers, boxes, focus timer and Up key, and the splash
// screen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AppScreen.h"
#include "Dialogs.h"
#include "support/RegistryProbe.h"

namespace {

using namespace testing;
using namespace test;

const WCHAR kGlyphCache[] = u"\\system\\gdi\\glyphcache";

TEST_F(Screens, TheStartShowsEssentialUtilitiesAndItsFirstTweakWithTheFocusOnTheCategories) {
    Start();
    EXPECT_EQ(clock_.NowMs(), 1000u);  // the splash screen's second
    EXPECT_THAT(Entries(Control(IDC_CATEGORY)),
                ElementsAre("Essential Utilities", "Internet", "Sound", "System", "Telephony"));
    EXPECT_EQ(Selected(Control(IDC_CATEGORY)), "Essential Utilities");
    EXPECT_THAT(Entries(Control(IDC_TWEAK)), ElementsAre("Bluetooth Audio", "Bluetooth Toggle",
                                                         "Quick SoftRestart", "Turn Off"));
    EXPECT_EQ(Selected(Control(IDC_TWEAK)), "Bluetooth Audio");
    EXPECT_THAT(Text(Control(IDC_DESCRIPTION)), StartsWith("This will route all sounds"));
    // The focus timer fired while the splash screen was up.
    EXPECT_EQ(GetFocus(), Control(IDC_CATEGORY));
    // The frame ends at the soft-key bar; the view fills it; the pickers and the description
    // reach 3 pixels short of the screen's right edge.
    EXPECT_EQ(WindowRect(frame_->m_hWnd).bottom, WindowRect(frame_->MenuBar()).top);
    EXPECT_EQ(Corners(WindowRect(View())), Corners(WindowRect(frame_->m_hWnd)));
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    for (int id : {IDC_CATEGORY, IDC_TWEAK, IDC_DESCRIPTION}) {
        EXPECT_NEAR(WindowRect(Control(id)).right, screenWidth - 3, 2) << id;
    }
    // The soft keys.
    const std::string bottom = ce::screen::RowUtf8(ce::screen::Rows() - 1);
    EXPECT_THAT(bottom, StartsWith(" Done"));
    EXPECT_THAT(bottom, EndsWith("Menu"));
}

// The single-instance check of a later start finds the frame by the window name, its class; a
// frame made after this one is gone does not take the name over.
TEST_F(Screens, TheFrameIsRegisteredUnderTheWindowNameForAsLongAsItLives) {
    Start();
    EXPECT_EQ(FindWindowW(u"Quenvale", nullptr), frame_->m_hWnd);
    EXPECT_EQ(Text(frame_->m_hWnd), "Quenvale");
    frame_->DestroyWindow();
    frame_.reset();
    frame_ = std::make_unique<CMainFrame>();
    ASSERT_NE(frame_->CreateEx(), nullptr);
    EXPECT_EQ(FindWindowW(u"Quenvale", nullptr), nullptr);
}

TEST_F(Screens, AnUnsupportedTweakOffersNothingWhateverItsPendingFlags) {
    Start();
    Pick(IDC_CATEGORY, "Internet");
    Pick(IDC_TWEAK, "Enable 4-way navigation");
    CTweakViewItem* item = reinterpret_cast<CTweakViewItem*>(
        SendMessageW(Control(IDC_TWEAK), CB_GETITEMDATA,
                     SendMessageW(Control(IDC_TWEAK), CB_GETCURSEL, 0, 0), 0));
    ASSERT_NE(item, nullptr);
    item->SetPendingEnable(true);
    item->SetPendingShortcut(true);
    Pick(IDC_TWEAK, "Enable 4-way navigation");
    EXPECT_EQ(Text(Control(IDC_DESCRIPTION)), "This tweak is not supported on this device");
    for (int id : {IDC_ENABLE, IDC_SHORTCUT, IDC_DESCRIPTION}) {
        EXPECT_FALSE(IsWindowEnabled(Control(id))) << id;
    }
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));
    EXPECT_FALSE(Checked(Control(IDC_SHORTCUT)));
    // A click on a disabled box changes nothing; neither does one with no tweak selected.
    SendMessageW(Control(IDC_TWEAK), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    Click(IDC_ENABLE);
    SendMessageW(View(), WM_COMMAND, MAKEWPARAM(IDC_ENABLE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(IDC_ENABLE)));
    EXPECT_TRUE(item->GetPendingEnable());
}

TEST_F(Screens, TicksArePendingUntilDoneAndKeptAcrossCategoriesAndTweaks) {
    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_ENABLE)));
    Click(IDC_ENABLE);
    Click(IDC_SHORTCUT);
    Pick(IDC_CATEGORY, "Sound");
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));
    Pick(IDC_CATEGORY, "System");
    EXPECT_NE(Selected(Control(IDC_TWEAK)), "Speed-Boost");
    Pick(IDC_TWEAK, "Speed-Boost");
    EXPECT_TRUE(Checked(Control(IDC_ENABLE)));
    EXPECT_TRUE(Checked(Control(IDC_SHORTCUT)));
    // Nothing reached the device yet.
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit"), probe::DwordValue(16384));
    EXPECT_FALSE(
        test::ReadFileBytes(device_.Folder() / "fs/Windows/Start Menu/Speed-Boost.lnk").size());

    // "Done" applies and closes the application with 1.
    const int64_t seq = device_.LastEventSeq();
    Command(ID_APP_EXIT);
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit"), probe::DwordValue(32768));
    EXPECT_THAT(test::ReadFileBytes(device_.Folder() / "fs/Windows/Start Menu/Speed-Boost.lnk"),
                HasSubstr("CSpeedBoostTweak_"));
    EXPECT_THAT(device_.Events(seq), ElementsAre("settings change (WM_SETTINGCHANGE)"));
    EXPECT_FALSE(IsWindow(frame_->m_hWnd));
    EXPECT_EQ(QuitCode(), 1);
}

TEST_F(Screens, DoneWithoutChangesStillAnnouncesTheSettingsAndAnyOtherCloseAppliesNothing) {
    Start();
    int64_t seq = device_.LastEventSeq();
    Command(ID_APP_EXIT);
    EXPECT_THAT(device_.Events(seq), ElementsAre("settings change (WM_SETTINGCHANGE)"));
    EXPECT_EQ(QuitCode(), 1);

    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    Click(IDC_ENABLE);
    seq = device_.LastEventSeq();
    PostMessageW(frame_->m_hWnd, WM_CLOSE, 0, 0);
    ce::screen::PumpMessages();
    EXPECT_FALSE(IsWindow(frame_->m_hWnd));
    EXPECT_EQ(QuitCode(), 1);
    EXPECT_THAT(device_.Events(seq), IsEmpty());
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit"), probe::DwordValue(16384));
}

TEST_F(Screens, RestoreAsksAndTheTweakPickerJumpsToTheCategorysFirstTweak) {
    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    Click(IDC_ENABLE);
    test::MessageBoxes boxes(device_);
    Command(ID_RESTORE);  // answered No
    ASSERT_THAT(boxes.shown, SizeIs(1));
    EXPECT_EQ(boxes.shown[0].caption, "Confirmation");
    EXPECT_EQ(boxes.shown[0].owner, frame_->m_hWnd);  // the view's top-level window
    const std::string first = Entries(Control(IDC_TWEAK)).front();
    EXPECT_EQ(Selected(Control(IDC_TWEAK)), first);
    EXPECT_TRUE(IsWindow(frame_->m_hWnd));

    // Yes: the unapplied tick is lost, the device's state shows.
    boxes.answers = {IDYES};
    Command(ID_RESTORE);
    Pick(IDC_TWEAK, "Speed-Boost");
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));
}

TEST_F(Screens, AConfigurableTweakShowsItsShortcutTickDisabledAndConfigureDecidesTheEnableTick) {
    class CConfigurable final : public CTweakBase {
    public:
        CConfigurable()
            : CTweakBase(u"CConfigurable_1", u"0 Configurable", u"Asks first.", kCategorySystem) {}
        BOOL answer = FALSE;
        int asked = 0;
        BOOL Configure() override { return ++asked, answer; }
        BOOL HasConfiguration() override { return TRUE; }
        BOOL IsEnabled() override { return FALSE; }
        int Enable() override { return kTweakOk; }
        int Backup() override { return kTweakOk; }
        int Restore() override { return kTweakOk; }
        int Disable() override { return kTweakOk; }
    } tweak;
    frame_ = std::make_unique<CMainFrame>();
    CTweakViewItem* item = &frame_->View().AddItem(std::make_unique<CTweakViewItem>(&tweak));
    item->SetPendingShortcut(true);
    frame_->CreateEx();
    ce::screen::PumpMessages();
    Pick(IDC_CATEGORY, "System");
    EXPECT_EQ(Selected(Control(IDC_TWEAK)), "0 Configurable");
    EXPECT_TRUE(Checked(Control(IDC_SHORTCUT)));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_SHORTCUT)));
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_ENABLE)));

    Click(IDC_ENABLE);  // Configure refuses: the tick goes again
    EXPECT_EQ(tweak.asked, 1);
    EXPECT_FALSE(Checked(Control(IDC_ENABLE)));
    EXPECT_FALSE(item->GetPendingEnable());
    tweak.answer = TRUE;
    Click(IDC_ENABLE);
    EXPECT_TRUE(Checked(Control(IDC_ENABLE)));
    EXPECT_TRUE(item->GetPendingEnable());
    Click(IDC_ENABLE);  // clearing asks nothing
    EXPECT_EQ(tweak.asked, 2);
    EXPECT_FALSE(item->GetPendingEnable());
    frame_->DestroyWindow();
    frame_.reset();
}

TEST_F(Screens, TheFocusLandsOnceAHundredMillisecondsAfterTheLastChange) {
    Start();
    SetFocus(Control(IDC_TWEAK));
    for (const char* category : {"Internet", "Sound", "System"}) {
        Pick(IDC_CATEGORY, category);
        Advance(60);
        EXPECT_EQ(GetFocus(), Control(IDC_TWEAK)) << category;
    }
    Advance(40);
    EXPECT_EQ(GetFocus(), Control(IDC_CATEGORY));
    Pick(IDC_TWEAK, "Speed-Boost");
    Advance(99);
    EXPECT_EQ(GetFocus(), Control(IDC_CATEGORY));
    Advance(1);
    EXPECT_EQ(GetFocus(), Control(IDC_TWEAK));
}

TEST_F(Screens, UpInTheDescriptionsFirstLineLeavesTheBox) {
    Start();
    Pick(IDC_CATEGORY, "System");
    Pick(IDC_TWEAK, "Speed-Boost");
    Advance(100);
    const HWND description = Control(IDC_DESCRIPTION);
    const LRESULT firstLine = SendMessageW(description, EM_LINELENGTH, 0, 0);
    ASSERT_GT(SendMessageW(description, EM_GETLINECOUNT, 0, 0), 1);
    const auto caretAfterUp = [&](LRESULT caret) {
        SetFocus(description);
        SendMessageW(description, EM_SETSEL, caret, caret);
        ce::screen::PressKey(VK_UP);
        ce::screen::PumpMessages();
        DWORD end = 0;
        SendMessageW(description, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
        return std::make_pair(GetFocus(), static_cast<LRESULT>(end));
    };
    EXPECT_EQ(caretAfterUp(0), std::make_pair(Control(IDC_SHORTCUT), LRESULT{0}));
    EXPECT_EQ(caretAfterUp(firstLine - 1).first, Control(IDC_SHORTCUT));
    // At the very end of the first line, and below it, the box takes the key itself.
    EXPECT_EQ(caretAfterUp(firstLine).first, description);
    const auto below = caretAfterUp(firstLine + 3);
    EXPECT_EQ(below.first, description);
    EXPECT_LT(below.second, firstLine);
}

TEST_F(Screens, ControlsKeepTheirPlacesWhenTheFrameIsResized) {
    Start();
    std::vector<std::array<LONG, 4>> before;
    for (int id : {IDC_CATEGORY, IDC_TWEAK, IDC_ENABLE, IDC_SHORTCUT, IDC_DESCRIPTION}) {
        before.push_back(Corners(WindowRect(Control(id))));
    }
    ce::screen::Resize(60, 40);
    ce::screen::PumpMessages();
    EXPECT_EQ(Corners(WindowRect(View())), Corners(WindowRect(frame_->m_hWnd)));
    std::vector<std::array<LONG, 4>> after;
    for (int id : {IDC_CATEGORY, IDC_TWEAK, IDC_ENABLE, IDC_SHORTCUT, IDC_DESCRIPTION}) {
        after.push_back(Corners(WindowRect(Control(id))));
    }
    EXPECT_EQ(after, before);
}

// The splash screen on its own, looked at 500 ms into its second.
class Splash : public Screens {
protected:
    struct Seen {
        RECT dialog{};
        RECT bitmap{};
        ce::screen::ShellState shell;
    };

    INT_PTR Run(std::optional<UINT> key) {
        static Seen* seen = nullptr;
        seen = &seen_;
        const UINT_PTR look = SetTimer(nullptr, 0, 500, [](HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            const HWND splash = GetActiveWindow();
            GetWindowRect(splash, &seen->dialog);
            GetWindowRect(GetDlgItem(splash, IDC_SPLASH_BITMAP), &seen->bitmap);
            seen->shell = ce::screen::Shell();
        });
        if (key) ce::screen::PressKey(*key);
        const INT_PTR result = CSplashDlg().DoModal(nullptr);
        KillTimer(nullptr, look);
        return result;
    }

    Seen seen_;
};

TEST_F(Splash, FillsTheScreenForASecondWithTheBitmapInTheMiddleAndTheBarsHidden) {
    EXPECT_EQ(Run(std::nullopt), IDCANCEL);
    EXPECT_EQ(clock_.NowMs(), 1000u);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(Corners(seen_.dialog), (std::array<LONG, 4>{0, 0, width, height}));
    EXPECT_FALSE(seen_.shell.taskBar);
    EXPECT_FALSE(seen_.shell.sipButton);
    EXPECT_FALSE(seen_.shell.startIcon);
    const LONG bitmapWidth = seen_.bitmap.right - seen_.bitmap.left;
    const LONG bitmapHeight = seen_.bitmap.bottom - seen_.bitmap.top;
    EXPECT_EQ(bitmapWidth, 172);
    EXPECT_EQ(bitmapHeight, 74);
    EXPECT_NEAR(seen_.bitmap.left, (width - bitmapWidth) / 2, 4);
    EXPECT_NEAR(seen_.bitmap.top, (height - bitmapHeight) / 2, 8);
    const ce::screen::ShellState after = ce::screen::Shell();
    EXPECT_TRUE(after.taskBar && after.sipButton && after.startIcon);
}

TEST_F(Splash, EscapeClosesItAtOnceAndBringsTheBarsBack) {
    EXPECT_EQ(Run(VK_ESCAPE), IDCANCEL);
    EXPECT_EQ(clock_.NowMs(), 0u);
    const ce::screen::ShellState after = ce::screen::Shell();
    EXPECT_TRUE(after.taskBar && after.sipButton && after.startIcon);
}

}  // namespace
