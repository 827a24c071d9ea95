// End to end: the sample program in a real terminal (a detached tmux session on a private
// server), driven with keys and read back with capture-pane; and a second start of it, which
// brings the first instance forward and ends with exit code 1.
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

// A tmux server of its own with one 40 x 25 session running `command`; the server is killed
// when the object goes, whatever happened.
class TmuxSession {
public:
    explicit TmuxSession(const std::string& command) {
        static int counter = 0;
        socket_ = "cewindow-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
        int status = -1;
        Shell(
            Tmux() + " -f /dev/null new-session -d -s main -x 40 -y 25 " + Quote(command) + " 2>&1",
            &status);
        started_ = status == 0;
        socketPath_ = Shell(Tmux() + " display-message -p '#{socket_path}' 2>/dev/null");
        if (!socketPath_.empty() && socketPath_.back() == '\n') socketPath_.pop_back();
    }
    ~TmuxSession() {
        Shell(Tmux() + " kill-server 2>/dev/null");
        if (!socketPath_.empty()) unlink(socketPath_.c_str());
    }

    bool Started() const { return started_; }
    std::string Screen() const { return Shell(Tmux() + " capture-pane -p -t main 2>/dev/null"); }
    void Keys(const std::string& keys) const { Shell(Tmux() + " send-keys -t main " + keys); }

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
    std::string WaitFor(const std::string& text) const {
        return WaitFor([&text](const std::string& s) { return s.find(text) != std::string::npos; });
    }

private:
    std::string Tmux() const { return "tmux -L " + socket_; }
    std::string socket_;
    std::string socketPath_;
    bool started_ = false;
};

bool Has(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos;
}

// The first line of the screen (the task bar).
std::string TopLine(const std::string& screen) { return screen.substr(0, screen.find('\n')); }

class SampleTmuxTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Shell("command -v tmux >/dev/null 2>&1 && echo yes") != "yes\n") {
            GTEST_SKIP() << "tmux is not installed";
        }
        ASSERT_TRUE(fs::exists(SamplePath())) << "build the cewindow-sample target first";
        exitFile_ = device_.Folder() / "exit-code";
    }

    std::string Environment() const { return "CE_DEVICE=" + Quote(device_.Folder().string()); }
    // The sample in the terminal; when it ends, its exit code and then the terminal's modes
    // are written to exitFile_.
    std::string SampleCommand() const {
        const std::string file = Quote(exitFile_.string());
        // The shell survives an interrupt of the sample (which gets the default handling).
        return "trap true INT; env " + Environment() + " " + Quote(SamplePath().string()) +
               "; echo $? > " + file + ".new; stty -a >> " + file + ".new; mv " + file + ".new " +
               file + "; sleep 60";
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
    fs::path exitFile_;
};

TEST_F(SampleTmuxTest, DrivenWithKeysInATerminal) {
    TmuxSession tmux(SampleCommand());
    ASSERT_TRUE(tmux.Started());

    // The phone's screen: task bar with the title, the view, the soft keys at the bottom.
    std::string screen = tmux.WaitFor("Ticks: 1");
    EXPECT_TRUE(Has(TopLine(screen), "CeSample")) << screen;
    EXPECT_TRUE(Has(screen, "Colour:  Blue")) << screen;  // sorted: Blue comes first
    EXPECT_TRUE(Has(screen, "[ ] Loud")) << screen;
    EXPECT_TRUE(Has(screen, "Pick a colour.")) << screen;
    EXPECT_TRUE(Has(screen, " Quit ") && Has(screen, " Menu")) << screen;
    // The timer keeps running at its real period.
    EXPECT_TRUE(Has(tmux.WaitFor("Ticks: 2"), "Ticks: 2"));

    // The combo box has the focus: Down selects the next item, whose item data is "green".
    tmux.Keys("Down");
    screen = tmux.WaitFor("Colour: green");
    EXPECT_TRUE(Has(screen, "Colour:  Green")) << screen;
    EXPECT_TRUE(Has(screen, "Changed.")) << screen;

    // Tab to the check box, Space ticks it.
    tmux.Keys("Tab Space");
    screen = tmux.WaitFor("Loud: yes");
    EXPECT_TRUE(Has(screen, "[x] Loud") || Has(screen, "[X] Loud")) << screen;

    // The right soft key opens the menu; its first item asks a question; F2 answers No.
    tmux.Keys("F2");
    screen = tmux.WaitFor("Question");
    EXPECT_TRUE(Has(screen, "Details") && Has(screen, "Notes")) << screen;
    tmux.Keys("Enter");
    screen = tmux.WaitFor("Make it loud?");
    EXPECT_TRUE(Has(screen, "Make it loud?")) << screen;
    tmux.Keys("F2");
    screen = tmux.WaitFor("Answer: no");
    EXPECT_TRUE(Has(screen, "[ ] Loud")) << screen;

    // A modal dialog with what the view holds; Escape closes it.
    tmux.Keys("F2 Down Enter");
    screen = tmux.WaitFor("Colour green, quiet");
    EXPECT_TRUE(Has(screen, "Details")) << screen;
    tmux.Keys("Escape");
    screen = tmux.WaitFor([](const std::string& s) { return !Has(s, "Colour green, quiet"); });
    EXPECT_FALSE(Has(screen, "Colour green, quiet")) << screen;

    // The left soft key quits; the program ends normally.
    tmux.Keys("F1");
    EXPECT_EQ(0, ExitCode());
}

TEST_F(SampleTmuxTest, ASecondStartBringsTheFirstForwardAndEnds) {
    TmuxSession tmux(SampleCommand());
    ASSERT_TRUE(tmux.Started());
    tmux.WaitFor("Ticks:");

    // A window of its own covers the frame.
    tmux.Keys("F2 Down Down Enter");
    std::string screen = tmux.WaitFor([](const std::string& s) {
        return Has(s, "Nothing noted yet.") && Has(TopLine(s), "Notes");  // drawn whole
    });
    ASSERT_TRUE(Has(TopLine(screen), "Notes")) << screen;
    EXPECT_FALSE(Has(screen, "Ticks:")) << screen;

    // The second start (without a terminal) finds the first, brings its frame forward, ends.
    int status = -1;
    Shell("env " + Environment() + " " + Quote(SamplePath().string()) + " </dev/null 2>&1",
          &status);
    EXPECT_EQ(1, status);
    screen = tmux.WaitFor(
        [](const std::string& s) { return Has(s, "Ticks:") && Has(TopLine(s), "CeSample"); });
    EXPECT_TRUE(Has(TopLine(screen), "CeSample")) << screen;
    EXPECT_FALSE(Has(screen, "Nothing noted yet.")) << screen;

    // The first instance runs on and quits normally.
    tmux.Keys("F1");
    EXPECT_EQ(0, ExitCode());
}

TEST_F(SampleTmuxTest, AnInterruptLeavesTheTerminalAsItFoundIt) {
    TmuxSession tmux(SampleCommand());
    ASSERT_TRUE(tmux.Started());
    tmux.WaitFor("Ticks:");
    tmux.Keys("C-c");
    std::string modes;
    EXPECT_EQ(128 + SIGINT, ExitCode(&modes));
    // Line editing and echo are back, and the program's screen is gone.
    EXPECT_TRUE(Has(modes, " icanon") && Has(modes, " echo ")) << modes;
    EXPECT_FALSE(
        Has(tmux.WaitFor([](const std::string& s) { return !Has(s, "Ticks:"); }), "Ticks:"));
}

}  // namespace
