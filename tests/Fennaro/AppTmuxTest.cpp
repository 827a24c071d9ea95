// End to end in a real terminal of the Smartphone's size (44 x 27), on a fresh device: a change
// picked with the keys and applied with "Done", a toggle shortcut asked for and then tapped in the
// Start menu, a second start, and the application started from its own Start-menu entry.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "support/RegistryProbe.h"
#include "support/TmuxTest.h"

namespace {

using test::BottomLine;
using test::Has;
using test::Quote;

const WCHAR kGlyphCache[] = u"\\system\\gdi\\glyphcache";

// The bold reverse video in which the focused control is drawn.
const std::string kFocus = "\x1b[1;7m";

class AppTmuxTest : public test::TmuxTest {
protected:
    void SetUp() override {
        TmuxTest::SetUp();
        if (IsSkipped()) return;
        ce::CloseDevice();  // the programs use the device; the test reads it afterwards
    }

    std::string Program(const std::string& name) const {
        return "env " + Environment() + " " + Quote(test::BuiltProgram(name).string());
    }
    void Start() { Run(Program("Fennaro"), 44, 27); }

    // Waits until the screen with its attributes holds `focused` (a text with kFocus in it).
    bool WaitForFocus(const std::string& focused) const {
        for (int tries = 0; tries < 400; ++tries) {
            if (Has(ScreenWithAttributes(), focused)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // Moves the focus with Tab until the screen holds `focused`. The view's focus timer may take
    // the focus back to the picker last changed (100 ms after the change): then Tab again. The
    // focus must then stay for half a second.
    void TabTo(const std::string& focused) const {
        for (int attempt = 0; attempt < 10; ++attempt) {
            Keys("Tab");
            if (!WaitForFocus(focused)) continue;
            bool stayed = true;
            for (int poll = 0; poll < 10 && stayed; ++poll) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                stayed = Has(ScreenWithAttributes(), focused);
            }
            if (stayed) return;
        }
        ADD_FAILURE() << "the focus never came to the control\n" << Screen();
    }
    // Presses Down in the focused picker until the screen shows `text`.
    void DownTo(const std::string& text) const {
        for (int presses = 0; presses < 40 && !Has(Screen(), text); ++presses) {
            const std::string before = Screen();
            Keys("Down");
            WaitFor([&before](const std::string& s) { return s != before; });
        }
        EXPECT_TRUE(Has(Screen(), text)) << Screen();
    }
    // Picks a category and a tweak with the keys, as a person does after the splash screen.
    void PickTweak(const std::string& category, const std::string& tweak) {
        Expect("Category: Essential Utilities");
        ASSERT_TRUE(WaitForFocus("Category: " + kFocus));
        DownTo("Category: " + category);
        TabTo("Tweak:   " + kFocus);
        DownTo("Tweak:   " + tweak);
    }
    std::optional<probe::Value> Limit() const {
        ce::UseDevice(device_.Folder());
        auto value = probe::Query(HKEY_LOCAL_MACHINE, kGlyphCache, u"limit");
        ce::CloseDevice();
        return value;
    }
    std::string Changes() const { return test::Shell(Program("cedevice") + " changes 2>&1"); }
};

TEST_F(AppTmuxTest, APickedTweakIsEnabledWithDone) {
    Start();
    PickTweak("System", "Speed-Boost");
    // The Enable box is the next tab stop after the tweak picker; Space ticks it.
    TabTo(kFocus + "Enable");
    Keys("Space");
    Expect("[x] Enable");
    EXPECT_EQ(Limit(), probe::DwordValue(16384));  // nothing applied yet
    Keys("F1");
    EXPECT_EQ(ExitCode(), 1);
    EXPECT_EQ(Limit(), probe::DwordValue(32768));
    EXPECT_TRUE(Has(Changes(),
                    "HKEY_LOCAL_MACHINE\\System\\GDI\\GLYPHCACHE \"limit\" "
                    "dword:00004000 -> dword:00008000"))
        << Changes();
}

TEST_F(AppTmuxTest, AToggleShortcutAskedForInTheViewTogglesTheTweakWhenTapped) {
    Start();
    PickTweak("System", "Speed-Boost");
    TabTo(kFocus + "Enable");
    TabTo(kFocus + "Create toggle shortcut");
    Keys("Space");
    Expect("[x] Create toggle shortcut");
    Keys("F1");
    EXPECT_EQ(ExitCode(), 1);
    EXPECT_EQ(Limit(), probe::DwordValue(16384));

    // Tapped in the terminal: the Info window shows the outcome and closes by itself.
    std::filesystem::remove(exitFile_);
    test::Shell(tmux_ + " kill-session -t main");
    Run(Program("cedevice") + " install >/dev/null && " + Program("cedevice") + " tap speed-boost",
        44, 27);
    EXPECT_TRUE(Has(Expect("Tweak Speed-Boost enabled"), "Info")) << Screen();
    EXPECT_EQ(ExitCode(), 0);
    EXPECT_EQ(Limit(), probe::DwordValue(32768));
    // Tapped again without a terminal: the text on standard output.
    EXPECT_EQ(test::Shell(Program("cedevice") + " tap Speed-Boost.lnk 2>&1"),
              "Info: Tweak Speed-Boost disabled\n");
    EXPECT_EQ(Limit(), probe::DwordValue(16384));
    const std::string changes = Changes();
    EXPECT_TRUE(Has(changes, "\"limit\" dword:00004000 -> dword:00008000")) << changes;
    EXPECT_TRUE(Has(changes, "\"limit\" dword:00008000 -> dword:00004000")) << changes;
}

TEST_F(AppTmuxTest, ASecondStartBringsTheFirstForwardAndEnds) {
    Start();
    Expect("Category: Essential Utilities");
    const std::filesystem::path said = device_.Folder() / "second-start";
    EXPECT_EQ(RunBeside(Program("Fennaro") + " 2>" + Quote(said.string())), 1);
    EXPECT_EQ(test::ReadFileBytes(said), "Fennaro: the tweak manager already runs on the device " +
                                             device_.Folder().string() +
                                             "; it was brought to the front.\n");
    // The first one still runs and answers its keys.
    EXPECT_TRUE(Has(BottomLine(Screen()), "Done"));
    Keys("F1");
    EXPECT_EQ(ExitCode(), 1);
}

// A start that fails leaves its reasons on the terminal, naming the device and what to do: the
// screen is never taken for a start that cannot go on, and what is said while it is up (here by
// a toggle on a read-only device, whose Info window is on the screen) is written out after it.
TEST_F(AppTmuxTest, WhyAStartFailedStaysReadableOnTheTerminal) {
    const std::string missing = (device_.Folder() / "missing").string();
    // Wide enough that no message is wrapped.
    Run("env CE_DEVICE=" + Quote(missing) + " " + Quote(test::BuiltProgram("Fennaro").string()),
        250, 27);
    EXPECT_EQ(ExitCode(), 5);
    std::string screen = Screen();
    EXPECT_TRUE(Has(screen, "no device at " + missing)) << screen;
    EXPECT_TRUE(Has(screen, "create one with 'cedevice init'")) << screen;
    EXPECT_TRUE(Has(screen, "Fennaro: the tweak manager cannot start")) << screen;

    if (test::Shell("unshare -m true 2>/dev/null && echo yes") != "yes\n") {
        GTEST_SKIP() << "no read-only mount can be made here (needs CAP_SYS_ADMIN)";
    }
    test::Shell(tmux_ + " kill-server");
    tmux_ += "-again";  // a server of its own: the old one may still be ending
    std::filesystem::remove(exitFile_);
    const std::string folder = Quote(device_.Folder().string());
    const std::string readOnly = "mount --bind " + folder + " " + folder +
                                 " && mount -o remount,bind,ro " + folder + " && ";
    const std::string id = "CSpeedBoostTweak_BE008CAD-DA8C-427a-87B3-2EB885AC01A8";
    Run("unshare -m sh -c " + Quote(readOnly + Program("Fennaro") + " " + id + "; echo toggled $?; " +
                                    Program("Fennaro")),
        250, 27);
    EXPECT_EQ(ExitCode(), 5);
    screen = Screen();
    EXPECT_TRUE(Has(screen, "the device " + device_.Folder().string() + " is read-only")) << screen;
    EXPECT_TRUE(Has(screen, "toggled 0")) << screen;
    EXPECT_TRUE(Has(screen, "Fennaro: the tweak manager cannot start")) << screen;
}

TEST_F(AppTmuxTest, StartedFromItsStartMenuEntryItRunsInTheSameTerminal) {
    Run(Program("cedevice") + " install >/dev/null && " + Program("cedevice") + " tap Quenvale", 44,
        27);
    Expect("Category: Essential Utilities");
    EXPECT_TRUE(Has(BottomLine(Screen()), "Menu"));
    Keys("F1");
    EXPECT_EQ(ExitCode(), 1);
}

// By touch: the terminal's mouse clicks and wheel written to the program as its terminal reports
// them, on cells found on the screen.
class AppTouchTmuxTest : public AppTmuxTest {
protected:
    // Clicks the first character of `text` once the screen shows it.
    void ClickOn(const std::string& text) const {
        const auto [column, row] = test::CellOf(Expect(text), text);
        if (column >= 0) ClickAt(column, row);
    }
    // Opens the picker on the row of `label` with a click on its arrow, until its list stays
    // open: the view gives the picker last changed the focus 100 ms after the change, which
    // closes a list opened before. The list must then stay for half a second.
    void OpenPicker(const std::string& label) const {
        const std::string screen = Expect(label);
        const int row = test::CellOf(screen, label).second;
        ASSERT_GE(row, 0);
        const int arrow = test::CellOf(test::Line(screen, row), "▼").first;
        const auto open = [](const std::string& s) { return Has(s, "┘"); };  // its lower edge
        for (int attempt = 0; attempt < 10; ++attempt) {
            ClickAt(arrow, row);
            if (!open(WaitFor(open))) continue;
            bool stayed = true;
            for (int poll = 0; poll < 10 && stayed; ++poll) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                stayed = open(Screen());
            }
            if (stayed) return;
        }
        ADD_FAILURE() << "the list never stayed open\n" << Screen();
    }
};

TEST_F(AppTouchTmuxTest, ATweakPickedTickedAndAppliedByTouch) {
    Start();
    Expect("Category: Essential Utilities");
    ASSERT_TRUE(WaitForMouseReporting(true));
    OpenPicker("Category:");
    ClickOn("System");
    Expect("Category: System");
    OpenPicker("Tweak:");
    // The wheel brings the tweak into the list (which holds the mouse: turned over its field).
    for (int notches = 0; notches < 40 && !Has(Screen(), "Speed-Boost"); ++notches) {
        const std::string before = Screen();
        WheelDownAt(20, test::CellOf(before, "Tweak:").second);
        WaitFor([&before](const std::string& s) { return s != before; });
    }
    ClickOn("Speed-Boost");
    Expect("Tweak:   Speed-Boost");
    ClickOn("Enable");
    Expect("[x] Enable");
    EXPECT_EQ(Limit(), probe::DwordValue(16384));  // nothing applied yet
    ClickOn("Done");
    EXPECT_EQ(ExitCode(), 1);
    EXPECT_EQ(Limit(), probe::DwordValue(32768));
    // The terminal no longer reports the mouse.
    EXPECT_TRUE(WaitForMouseReporting(false));
}

}  // namespace
