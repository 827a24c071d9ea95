// End to end: the sample program in a real terminal (a detached tmux session on a private
// server), driven with keys and read back with capture-pane: a locale without UTF-8, the keys
// that carry a modifier, an interrupt, and the clear end it makes without a usable terminal.
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

// Without UTF-8 it draws in ASCII; the keys that carry a modifier reach it with them (Alt with an
// arrow opens the colour list and closes it taking the highlight; Shift+Tab goes back, from the
// list past the summary to the box); an interrupt leaves the terminal as it found it.
TEST_F(SampleTmuxTest, WithoutUtf8ItDrawsAsciiTakesModifiedKeysAndAnInterruptRestoresTheTerminal) {
    Start("LC_ALL=C");
    std::string screen = Expect("Ticks: 1");
    EXPECT_TRUE(Has(screen, "Colour:  Blue") && Has(screen, " v")) << screen;  // the list's arrow
    EXPECT_TRUE(Has(screen, "^") && Has(screen, ":")) << screen;  // the summary's scroll bar
    EXPECT_EQ('#', screen[0]) << screen;                          // the Start icon
    Keys("M-Down");
    EXPECT_TRUE(Has(Expect("|Green"), "|Red")) << "the list is open";
    Keys("Down M-Up");
    Expect("Colour: green");
    Keys("BTab BTab Space");
    Expect("[x] Loud");
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
