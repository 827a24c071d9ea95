// End to end: the sample program in a real terminal (a detached tmux session on a private
// server), driven with keys and read back with capture-pane; a second start of it, which brings
// the first instance forward and ends with exit code 1; and an interrupt.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "support/TempDevice.h"

namespace {

namespace fs = std::filesystem;

// The sample is built beside the test programs.
fs::path SamplePath() {
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).parent_path() / "cewindow-sample";
}

// Runs a shell command; its standard output, and its exit status in *status.
std::string Shell(const std::string& command, int* status = nullptr) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    const int result = pclose(pipe);
    if (status) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool Has(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos;
}

// The first line of the screen (the task bar).
std::string TopLine(const std::string& screen) { return screen.substr(0, screen.find('\n')); }

// A tmux server of its own with one 40 x 25 session running the sample on the test's device; the
// server is killed when the test ends, whatever happened.
class SampleTmuxTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Shell("command -v tmux >/dev/null 2>&1 && echo yes") != "yes\n") {
            GTEST_SKIP() << "tmux is not installed";
        }
        ASSERT_TRUE(fs::exists(SamplePath())) << "build the cewindow-sample target first";
        static int counter = 0;
        tmux_ =
            "tmux -L cewindow-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
        // When the sample ends, its exit code and then the terminal's modes are written to
        // exitFile_; the shell survives an interrupt of the sample (which gets the default
        // handling).
        const std::string file = Quote(exitFile_.string());
        const std::string command = "trap true INT; env " + Environment() + " " +
                                    Quote(SamplePath().string()) + "; echo $? > " + file +
                                    ".new; stty -a >> " + file + ".new; mv " + file + ".new " +
                                    file + "; sleep 60";
        int status = -1;
        Shell(
            tmux_ + " -f /dev/null new-session -d -s main -x 40 -y 25 " + Quote(command) + " 2>&1",
            &status);
        ASSERT_EQ(0, status);
        socketPath_ = Shell(tmux_ + " display-message -p '#{socket_path}' 2>/dev/null");
        if (!socketPath_.empty() && socketPath_.back() == '\n') socketPath_.pop_back();
    }
    void TearDown() override {
        if (tmux_.empty()) return;
        Shell(tmux_ + " kill-server 2>/dev/null");
        if (!socketPath_.empty()) unlink(socketPath_.c_str());
    }

    std::string Environment() const { return "CE_DEVICE=" + Quote(device_.Folder().string()); }
    std::string Screen() const { return Shell(tmux_ + " capture-pane -p -t main 2>/dev/null"); }
    void Keys(const std::string& keys) const { Shell(tmux_ + " send-keys -t main " + keys); }

    // Waits (up to 10 s) until the screen satisfies `ready`; the last screen seen.
    std::string WaitFor(const std::function<bool(const std::string&)>& ready) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::string screen = Screen();
        while (!ready(screen) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            screen = Screen();
        }
        return screen;
    }
    // Waits for `text` and expects it; the screen.
    std::string Expect(const std::string& text) const {
        const std::string screen = WaitFor([&text](const std::string& s) { return Has(s, text); });
        EXPECT_TRUE(Has(screen, text)) << screen;
        return screen;
    }
    // What the sample left once it has ended (waits up to 10 s): its exit code (-1 before) and
    // the terminal's modes.
    int ExitCode(std::string* modes = nullptr) const {
        for (int i = 0; i < 200; ++i) {
            std::ifstream in(exitFile_);
            int code = -1;
            if (in >> code) {
                if (modes) modes->assign(std::istreambuf_iterator<char>(in), {});
                return code;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }

    test::TempDevice device_;
    const fs::path exitFile_ = device_.Folder() / "exit-code";
    std::string tmux_;
    std::string socketPath_;
};

TEST_F(SampleTmuxTest, DrivenWithKeysInATerminalAndBroughtForwardByASecondStart) {
    // The phone's screen: task bar with the title, the view, the soft keys at the bottom.
    std::string screen = Expect("Ticks: 1");
    EXPECT_TRUE(Has(TopLine(screen), "CeSample")) << screen;
    EXPECT_TRUE(Has(screen, "Colour:  Blue")) << screen;  // sorted: Blue comes first
    EXPECT_TRUE(Has(screen, "[ ] Loud") && Has(screen, "Pick a colour.")) << screen;
    EXPECT_TRUE(Has(screen, " Quit ") && Has(screen, " Menu")) << screen;
    Expect("Ticks: 2");  // the timer keeps running at its real period

    // The combo box has the focus: Down selects the next item, whose item data is "green".
    Keys("Down");
    screen = Expect("Colour: green");
    EXPECT_TRUE(Has(screen, "Colour:  Green") && Has(screen, "Changed.")) << screen;

    // Tab to the check box, Space ticks it.
    Keys("Tab Space");
    EXPECT_TRUE(Has(Expect("Loud: yes"), "[x] Loud"));

    // The right soft key opens the menu; its first item asks a question; F2 answers No.
    Keys("F2");
    screen = Expect("Question");
    EXPECT_TRUE(Has(screen, "Details") && Has(screen, "Notes")) << screen;
    Keys("Enter");
    Expect("Make it loud?");
    Keys("F2");
    EXPECT_TRUE(Has(Expect("Answer: no"), "[ ] Loud"));

    // A modal dialog with what the view holds; Escape closes it.
    Keys("F2 Down Enter");
    EXPECT_TRUE(Has(Expect("Colour green, quiet"), "Details"));
    Keys("Escape");
    screen = WaitFor([](const std::string& s) { return !Has(s, "Colour green, quiet"); });
    EXPECT_FALSE(Has(screen, "Colour green, quiet")) << screen;

    // A window of its own covers the frame; a second start of the program (without a terminal)
    // finds the first, brings its frame forward and ends with 1.
    Keys("F2 Down Down Enter");
    screen = WaitFor([](const std::string& s) {
        return Has(s, "Nothing noted yet.") && Has(TopLine(s), "Notes");  // drawn whole
    });
    ASSERT_TRUE(Has(TopLine(screen), "Notes")) << screen;
    EXPECT_FALSE(Has(screen, "Ticks:")) << screen;
    int status = -1;
    Shell("env " + Environment() + " " + Quote(SamplePath().string()) + " </dev/null 2>&1",
          &status);
    EXPECT_EQ(1, status);
    screen = WaitFor(
        [](const std::string& s) { return Has(s, "Ticks:") && Has(TopLine(s), "CeSample"); });
    EXPECT_TRUE(Has(TopLine(screen), "CeSample")) << screen;
    EXPECT_FALSE(Has(screen, "Nothing noted yet.")) << screen;

    // The left soft key quits; the program ends normally.
    Keys("F1");
    EXPECT_EQ(0, ExitCode());
}

TEST_F(SampleTmuxTest, AnInterruptLeavesTheTerminalAsItFoundIt) {
    Expect("Ticks:");
    Keys("C-c");
    std::string modes;
    EXPECT_EQ(128 + SIGINT, ExitCode(&modes));
    // Line editing and echo are back, and the program's screen is gone.
    EXPECT_TRUE(Has(modes, " icanon") && Has(modes, " echo ")) << modes;
    EXPECT_FALSE(Has(WaitFor([](const std::string& s) { return !Has(s, "Ticks:"); }), "Ticks:"));
}

}  // namespace
