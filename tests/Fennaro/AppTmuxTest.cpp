// End to end in a real terminal of the Smartphone's size (44 x 27), on a fresh device: a change
// and a toggle shortcut picked with the keys and applied with "Done", the shortcut then tapped in
// the same terminal; the application started from its own Start-menu entry and a second start
// beside it; the reasons of a start that failed; and a change made by touch.
#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>

#include "support/RegistryProbe.h"
#include "support/TmuxTest.h"

namespace {

using test::BottomLine;
using test::Has;
using test::Quote;

const std::string kSpeedBoostID = "CSpeedBoostTweak_BE008CAD-DA8C-427a-87B3-2EB885AC01A8";

// The bold reverse video in which the focused control is drawn.
const std::string kFocus = "\x1b[1;7m";

// A captured screen without its attribute sequences.
std::string Plain(const std::string& screen) {
    return std::regex_replace(screen, std::regex("\x1b\\[[0-9;]*m"), "");
}

// The entry that the picker beside `label` shows.
std::string Shown(const std::string& screen, const std::string& label) {
    const int row = test::CellOf(screen, label).second;
    std::smatch entry;
    const std::string line = test::Line(screen, row);
    return std::regex_search(line, entry, std::regex(label + " +(.*?) *▼")) ? entry[1].str() : "";
}

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

    // Whether the screen (with its attributes) changes from `before`: waited for 20 s, or for one
    // second only when the view's focus timer may take the key's effect back before the screen
    // is read (a Tab away from a picker, or a list opened, the focus given back at once to the
    // picker), which leaves the screen as it was.
    bool Changes(const std::string& before, bool mayBeTakenBack) const {
        const auto changed = [&before](const std::string& s) { return s != before; };
        return changed(WaitFor(changed, true, mayBeTakenBack ? 20 : 400));
    }
    bool Press(const std::string& key, const std::string& before) const {
        Keys(key);
        return Changes(before, key == "Tab");
    }
    // Whether a loop of keys goes on: after a change, and after a step whose effect may have
    // been taken back, twice in a row at most; a key that changes nothing ends it at once.
    static bool GoOn(bool changed, bool mayBeTakenBack, int& takenBack) {
        if (changed) return takenBack = 0, true;
        return mayBeTakenBack && ++takenBack < 3;
    }
    // Brings the pickers to `category` and `tweak` with Tab and the arrows, as a person does. The
    // view gives the focus back to the picker last changed 100 ms after the change, and nothing
    // on the screen says that this is still to come: so each key is chosen by the screen as it
    // is, and a key that went to a picker that got the focus back meanwhile is made good by the
    // next ones.
    void Choose(const std::string& category, const std::string& tweak) const {
        for (int step = 0, takenBack = 0; step < 100; ++step) {
            const std::string screen = ScreenWithAttributes();
            const std::string shown = Shown(Plain(screen), "Category:");
            std::string key;
            if (shown != category) {
                const bool focused = Has(screen, "Category: " + kFocus);
                key = !focused ? "Tab" : shown < category ? "Down" : "Up";
            } else if (Shown(Plain(screen), "Tweak:") != tweak) {
                key = Has(screen, "Tweak:   " + kFocus) ? "Down" : "Tab";
            } else {
                return;
            }
            if (!GoOn(Press(key, screen), key == "Tab", takenBack)) break;
        }
        ADD_FAILURE() << "never came to " << category << ", " << tweak << "\n" << Screen();
    }
    // Ticks the box `label` with Tab and Space. Space is pressed only while the screen shows the
    // box focused; should the view's focus timer take the focus to a picker first, the key goes
    // there, which ignores it.
    void Tick(const std::string& label) const {
        for (int step = 0, takenBack = 0; step < 40; ++step) {
            const std::string screen = ScreenWithAttributes();
            if (Has(Plain(screen), "[x] " + label)) return;
            const std::string key = Has(screen, kFocus + label) ? "Space" : "Tab";
            if (!GoOn(Press(key, screen), key == "Tab", takenBack)) break;
        }
        ADD_FAILURE() << "never ticked " << label << "\n" << Screen();
    }
    std::optional<probe::Value> Limit() const {
        ce::UseDevice(device_.Folder());
        auto value = probe::Query(HKEY_LOCAL_MACHINE, u"\\system\\gdi\\glyphcache", u"limit");
        ce::CloseDevice();
        return value;
    }
};

TEST_F(AppTmuxTest, ATweakAndItsToggleShortcutAppliedWithDoneThenTheShortcutTapped) {
    Start();
    Expect("Category: Essential Utilities");
    Choose("System", "Speed-Boost");
    Tick("Enable");
    Tick("Create toggle shortcut");
    EXPECT_EQ(Limit(), probe::DwordValue(16384));  // nothing applied yet
    Keys("F1");
    EXPECT_EQ(ExitCode(), 1);
    EXPECT_EQ(Limit(), probe::DwordValue(32768));
    const std::string changes = test::Shell(Program("cedevice") + " changes 2>&1");
    EXPECT_TRUE(Has(changes,
                    "HKEY_LOCAL_MACHINE\\System\\GDI\\GLYPHCACHE \"limit\" "
                    "dword:00004000 -> dword:00008000"))
        << changes;

    // Tapped in a terminal: the Info window shows the outcome and closes by itself.
    Run(Program("cedevice") + " install >/dev/null && " + Program("cedevice") + " tap speed-boost",
        44, 27);
    EXPECT_TRUE(Has(Expect("Tweak Speed-Boost disabled"), "Info")) << Screen();
    EXPECT_EQ(ExitCode(), 0);
    EXPECT_EQ(Limit(), probe::DwordValue(16384));
}

// Started from its Start-menu entry, it runs in the same terminal; a second start brings it
// forward, says so and ends.
TEST_F(AppTmuxTest, StartedFromItsStartMenuEntryAndBroughtForwardByASecondStart) {
    Run(Program("cedevice") + " install >/dev/null && " + Program("cedevice") + " tap Quenvale", 44,
        27);
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
    EXPECT_TRUE(Has(screen, "Fennaro: the tweak manager cannot start on the device " + missing +
                                ": its instance mutex cannot be created."))
        << screen;

    if (test::Shell("unshare -m true 2>/dev/null && echo yes") != "yes\n") {
        GTEST_SKIP() << "no read-only mount can be made here (needs CAP_SYS_ADMIN)";
    }
    const std::string folder = Quote(device_.Folder().string());
    const std::string readOnly =
        "mount --bind " + folder + " " + folder + " && mount -o remount,bind,ro " + folder + " && ";
    Run("unshare -m sh -c " + Quote(readOnly + Program("Fennaro") + " " + kSpeedBoostID +
                                    "; echo toggled $?; " + Program("Fennaro")),
        250, 27);
    EXPECT_EQ(ExitCode(), 5);
    screen = Screen();
    EXPECT_TRUE(Has(screen, "the device " + device_.Folder().string() + " is read-only")) << screen;
    EXPECT_TRUE(Has(screen, "toggled 0")) << screen;
    EXPECT_TRUE(Has(screen, "Fennaro: the tweak manager cannot start")) << screen;
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
    // Brings the pickers to `category` and `tweak` by touch: a click on a picker's arrow opens
    // its list, the wheel turns an open list, a click on an entry picks it, and a click anywhere
    // else closes the list. The view gives the focus back to the picker last changed 100 ms after
    // the change, which closes a list opened meanwhile: each click is chosen by the screen as it
    // is.
    void ChooseByTouch(const std::string& category, const std::string& tweak) const {
        for (int step = 0, takenBack = 0; step < 100; ++step) {
            const std::string attributed = ScreenWithAttributes();
            const std::string screen = Plain(attributed);
            const bool categoryShown = Shown(screen, "Category:") == category;
            const std::string label = categoryShown ? "Tweak:" : "Category:";
            const std::string wanted = categoryShown ? tweak : category;
            const int field = test::CellOf(screen, label).second;
            const int edge = test::CellOf(screen, "┘").second;  // an open list's lower edge
            if (edge < 0 && categoryShown && Shown(screen, label) == tweak) return;
            int row = field + 1;
            while (row < edge && !Has(test::Line(screen, row), wanted)) ++row;
            if (edge < 0) {
                ClickAt(test::CellOf(test::Line(screen, field), "▼").first, field);
            } else if (!Has(attributed, (categoryShown ? "Tweak:   " : "Category: ") + kFocus)) {
                ClickAt(0, 0);  // the other picker's list: closed
            } else if (row < edge) {
                ClickAt(test::CellOf(test::Line(screen, row), wanted).first, row);
            } else {
                WheelDownAt(20, field + 1);
            }
            const bool opening = edge < 0;
            if (!GoOn(Changes(attributed, opening), opening, takenBack)) break;
        }
        ADD_FAILURE() << "never came to " << category << ", " << tweak << "\n" << Screen();
    }
};

TEST_F(AppTouchTmuxTest, ATweakPickedTickedAndAppliedByTouch) {
    Start();
    Expect("Category: Essential Utilities");
    ASSERT_TRUE(WaitForMouseReporting(true));
    ChooseByTouch("System", "Speed-Boost");
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
