// End to end: the sample program in a real terminal (a detached tmux session on a private
// server), driven with keys and read back with capture-pane: its soft keys following what is in
// front, a second start of it (which brings the first instance forward and ends with exit code
// 1), a locale without UTF-8, an interrupt, and the clear end it makes without a usable terminal.
#include <csignal>
#include <filesystem>
#include <string>

#include "support/TempDevice.h"
#include "support/TmuxTest.h"

namespace {

namespace fs = std::filesystem;
using test::BottomLine;
using test::Has;
using test::Quote;
using test::Shell;
using test::TopLine;

// The sample is built beside the test programs.
fs::path SamplePath() { return test::BuiltProgram("cewindow-sample"); }

class SampleTmuxTest : public test::TmuxTest {
protected:
    void SetUp() override {
        TmuxTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(fs::exists(SamplePath())) << "build the cewindow-sample target first";
    }
    // Runs the sample on the test's device, with `environment` (VAR=value ...) added.
    void Start(const std::string& environment = "") {
        Run("env " + Environment() + " " + environment + " " + Quote(SamplePath().string()));
    }
};

TEST_F(SampleTmuxTest, DrivenWithKeysInATerminalAndBroughtForwardByASecondStart) {
    Start();
    // The phone's screen: task bar with the title, the view, the soft keys at the bottom.
    std::string screen = Expect("Ticks: 1");
    EXPECT_TRUE(Has(TopLine(screen), "CeSample")) << screen;
    EXPECT_TRUE(Has(screen, "Colour:  Blue")) << screen;  // sorted: Blue comes first
    EXPECT_TRUE(Has(screen, "[ ] Loud") && Has(screen, "Pick a colour.")) << screen;
    EXPECT_TRUE(Has(BottomLine(screen), " Quit ") && Has(BottomLine(screen), " Menu")) << screen;
    Expect("Ticks: 2");  // the timer keeps running at its real period

    // The combo box has the focus: Down selects the next item, whose item data is "green".
    Keys("Down");
    screen = Expect("Colour: green");
    EXPECT_TRUE(Has(screen, "Colour:  Green") && Has(screen, "Changed.")) << screen;

    // The right soft key opens the menu; its first item asks a question, whose own soft keys
    // are "Yes" and "No" in place of the frame's; F2 answers No.
    Keys("F2");
    screen = Expect("Question");
    EXPECT_TRUE(Has(screen, "Details") && Has(screen, "Notes")) << screen;
    Keys("Enter");
    screen = WaitFor([](const std::string& s) { return Has(BottomLine(s), " Yes "); });
    EXPECT_TRUE(Has(screen, "Make it loud?")) << screen;
    EXPECT_FALSE(Has(BottomLine(screen), "Quit") || Has(BottomLine(screen), "Menu")) << screen;
    EXPECT_TRUE(Has(BottomLine(screen), " No")) << screen;
    Keys("F2");
    EXPECT_TRUE(Has(Expect("Answer: no"), "[ ] Loud"));

    // A modal dialog with what the view holds; Escape closes it.
    Keys("F2 Down Enter");
    EXPECT_TRUE(Has(Expect("Colour green, quiet"), "Details"));
    Keys("Escape");
    screen = WaitFor([](const std::string& s) { return !Has(s, "Colour green, quiet"); });
    EXPECT_FALSE(Has(screen, "Colour green, quiet")) << screen;

    // A window of its own covers the frame and has no soft keys; a second start of the program
    // (without a terminal) finds the first, brings its frame forward, says so and ends with 1.
    Keys("F2 Down Down Enter");
    screen = WaitFor([](const std::string& s) {
        return Has(s, "Nothing noted yet.") && Has(TopLine(s), "Notes");  // drawn whole
    });
    ASSERT_TRUE(Has(TopLine(screen), "Notes")) << screen;
    EXPECT_FALSE(Has(BottomLine(screen), "Quit") || Has(screen, "Ticks:")) << screen;
    int status = -1;
    const std::string said = Shell(
        "env " + Environment() + " " + Quote(SamplePath().string()) + " </dev/null 2>&1", &status);
    EXPECT_EQ(1, status);
    EXPECT_EQ("cewindow-sample: brought the running instance forward\n", said);
    screen = WaitFor(
        [](const std::string& s) { return Has(s, "Ticks:") && Has(TopLine(s), "CeSample"); });
    EXPECT_TRUE(Has(TopLine(screen), "CeSample")) << screen;
    EXPECT_FALSE(Has(screen, "Nothing noted yet.")) << screen;

    // The left soft key quits; the program ends normally.
    Keys("F1");
    EXPECT_EQ(0, ExitCode());
}

// Without UTF-8 it draws in ASCII; an interrupt leaves the terminal as it found it.
TEST_F(SampleTmuxTest, WithoutUtf8ItDrawsAsciiAndAnInterruptRestoresTheTerminal) {
    Start("LC_ALL=C");
    std::string screen = Expect("Ticks: 1");
    EXPECT_TRUE(Has(screen, "Colour:  Blue") && Has(screen, " v")) << screen;  // the list's arrow
    EXPECT_TRUE(Has(screen, "^") && Has(screen, ":")) << screen;  // the summary's scroll bar
    EXPECT_EQ('#', screen[0]) << screen;                          // the Start icon
    Keys("F2 Enter");
    screen = Expect("+- Question ---");
    EXPECT_TRUE(Has(screen, "| Make it loud?")) << screen;
    for (const char c : screen) EXPECT_EQ(0, c & 0x80) << screen;
    Keys("F1");
    Expect("Answer: yes");
    EXPECT_TRUE(WaitForMouseReporting(true));
    Keys("C-c");
    std::string modes;
    EXPECT_EQ(128 + SIGINT, ExitCode(&modes));
    // Line editing and echo are back, the mouse no longer reported, and the program's screen is
    // gone.
    EXPECT_TRUE(Has(modes, " icanon") && Has(modes, " echo ")) << modes;
    EXPECT_TRUE(WaitForMouseReporting(false));
    EXPECT_FALSE(Has(WaitFor([](const std::string& s) { return !Has(s, "Ticks:"); }), "Ticks:"));
}

// The terminal's keys that carry a modifier: Alt with an arrow opens the colour list and closes it
// taking the highlighted colour; Shift+Tab moves the focus backwards, from the list past the
// summary to the box.
TEST_F(SampleTmuxTest, AltArrowsAndShiftTabReachTheProgramWithTheirModifiers) {
    Start();
    Expect("Ticks: 1");
    Keys("M-Down");
    EXPECT_TRUE(Has(Expect("│Green"), "│Red")) << "the list is open";
    Keys("Down M-Up");
    Expect("Colour: green");
    Keys("BTab BTab Space");
    Expect("[x] Loud");
    Keys("F1");
    EXPECT_EQ(0, ExitCode());
}

TEST_F(SampleTmuxTest, WithoutAUsableTerminalItSaysWhyAndEnds) {
    // Standard input is no terminal: a clear message and exit code 2, not a program running
    // where nobody sees it.
    int status = -1;
    EXPECT_EQ("cewindow-sample: no usable terminal: standard input is not a terminal\n",
              Shell("env " + Environment() + " timeout 30 " + Quote(SamplePath().string()) +
                        " </dev/null 2>&1",
                    &status));
    EXPECT_EQ(2, status);

    // In a terminal whose type is missing, unknown or unable to place its cursor.
    const fs::path said = device_.Folder() / "said";
    std::string runs;
    for (const std::string term : {"-u TERM", "TERM=no-such-terminal", "TERM=dumb"}) {
        runs += "env " + term + " " + Environment() + " " + Quote(SamplePath().string()) + " 2>>" +
                Quote(said.string()) + " && exit 9; ";
    }
    Run(runs + "true");
    EXPECT_EQ(0, ExitCode());
    EXPECT_EQ(
        "cewindow-sample: no usable terminal: TERM is not set\n"
        "cewindow-sample: no usable terminal: the terminal type \"no-such-terminal\" is unknown\n"
        "cewindow-sample: no usable terminal: the terminal \"dumb\" cannot place its cursor\n",
        test::ReadFileBytes(said));
}

}  // namespace
