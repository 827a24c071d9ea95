// End-to-end tests in a real terminal: a detached tmux session on a private server, driven with
// keys and mouse clicks and read back with capture-pane. Every wait polls for a state of the
// screen or a file; the server is ended when the test ends, whatever happened; a machine without
// tmux skips the test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

#include "support/Shell.h"
#include "support/TempDevice.h"

namespace test {

inline bool Has(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos;
}

// The last line of the screen (the soft keys).
inline std::string BottomLine(const std::string& screen) {
    std::string lines = screen;
    while (!lines.empty() && lines.back() == '\n') lines.pop_back();
    return lines.substr(lines.rfind('\n') + 1);
}

// The cell (column and row, counted from 0) where `text` first shows on a captured screen, or
// {-1, -1}. Every character takes one cell.
inline std::pair<int, int> CellOf(const std::string& screen, const std::string& text) {
    const size_t at = screen.find(text);
    if (at == std::string::npos) return {-1, -1};
    const size_t lineStart =
        screen.rfind('\n', at) == std::string::npos ? 0 : screen.rfind('\n', at) + 1;
    int column = 0;
    for (size_t i = lineStart; i < at; ++i) {
        if ((static_cast<unsigned char>(screen[i]) & 0xC0) != 0x80) ++column;  // a lead byte
    }
    const auto row = std::count(screen.begin(), screen.begin() + static_cast<long>(at), '\n');
    return {column, static_cast<int>(row)};
}

// Row `row` (counted from 0) of a captured screen, empty below its last.
inline std::string Line(const std::string& screen, int row) {
    size_t start = 0;
    for (int skipped = 0; skipped < row && start != std::string::npos; ++skipped) {
        start = screen.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return {};
    return screen.substr(start, screen.find('\n', start) - start);
}

// A test with a device of its own and a tmux server of its own for each command it runs: a
// session of one command in a terminal of the phone's size. A server is never used again once it
// was told to end (a command sent to a server that is still ending fails), and the test ends
// its last one.
class TmuxTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Shell("command -v tmux >/dev/null 2>&1 && echo yes") != "yes\n") {
            GTEST_SKIP() << "tmux is not installed";
        }
    }
    void TearDown() override { EndServer(); }

    // Runs `command` in a `columns` x `rows` session of a new server (the test's previous one
    // ended first); when it ends, its exit code and then the terminal's modes are written to
    // exitFile_. The shell survives an interrupt of the command (which gets the default
    // handling).
    void Run(const std::string& command, int columns = 40, int rows = 25) {
        EndServer();
        static int servers = 0;
        // The device folder's name is unique on the machine: so is the server's.
        tmux_ = "tmux -L " +
                Quote(device_.Folder().filename().string() + "-" + std::to_string(++servers));
        std::filesystem::remove(exitFile_);
        const std::string file = Quote(exitFile_.string());
        const std::string script = "trap true INT; " + command + "; echo $? > " + file +
                                   ".new; stty -a >> " + file + ".new; mv " + file + ".new " +
                                   file + "; sleep 60";
        int status = -1;
        const std::string said =
            Shell(tmux_ + " -f /dev/null new-session -d -s main -x " + std::to_string(columns) +
                      " -y " + std::to_string(rows) + " " + Quote(script) + " 2>&1",
                  &status);
        ASSERT_EQ(0, status) << said;
    }

    // CE_DEVICE naming the test's device, for a command line.
    std::string Environment() const { return "CE_DEVICE=" + Quote(device_.Folder().string()); }
    std::string Screen() const { return Shell(tmux_ + " capture-pane -p -t main 2>/dev/null"); }
    // The screen with the terminal's attribute sequences: a focused control is drawn in bold
    // reverse video ("\x1b[1;7m" before its text).
    std::string ScreenWithAttributes() const {
        return Shell(tmux_ + " capture-pane -p -e -t main 2>/dev/null");
    }
    void Keys(const std::string& keys) const { Shell(tmux_ + " send-keys -t main " + keys); }

    // Waits until the program in the pane has the terminal report the mouse, or no longer (as
    // tmux keeps it for the pane); whether it came to that.
    bool WaitForMouseReporting(bool on) const {
        const std::string wanted = on ? "1\n" : "0\n";
        for (int tries = 0; tries < 400; ++tries) {
            if (PaneFormat("#{mouse_any_flag}") == wanted) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // A click of the mouse (its first button pressed and released, in one write) on a cell of the
    // pane, counted from 0, and a notch of its wheel towards the user there: the bytes the
    // terminal sends for them, in the form the program asked for (SGR when it turned on mode
    // 1006, else X10).
    void ClickAt(int column, int row) const {
        WriteMouse(MouseEvent(0, false, column, row) + MouseEvent(0, true, column, row));
    }
    void WheelDownAt(int column, int row) const { WriteMouse(MouseEvent(65, false, column, row)); }

    // Polls the screen (with its attributes when `attributes`; up to `tries` times, 50 ms apart:
    // 400 is ample on a loaded machine) until it satisfies `ready`; the last screen seen.
    std::string WaitFor(const std::function<bool(const std::string&)>& ready,
                        bool attributes = false, int tries = 400) const {
        const auto capture = [this, attributes] {
            return attributes ? ScreenWithAttributes() : Screen();
        };
        std::string screen = capture();
        for (int polls = 1; polls < tries && !ready(screen); ++polls) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            screen = capture();
        }
        return screen;
    }
    // Waits for `text` and expects it; the screen.
    std::string Expect(const std::string& text) const {
        const std::string screen = WaitFor([&text](const std::string& s) { return Has(s, text); });
        EXPECT_TRUE(Has(screen, text)) << screen;
        return screen;
    }
    // Runs `command` in a second window of the session (another terminal of the same size) and
    // waits for it to end; its exit code (-1 when it did not end in time).
    int RunBeside(const std::string& command) const {
        const std::filesystem::path file = exitFile_.string() + "-beside";
        Shell(tmux_ + " new-window -d -t main " +
              Quote(command + "; echo $? > " + Quote(file.string() + ".new") + "; mv " +
                    Quote(file.string() + ".new") + " " + Quote(file.string())));
        return ReadExitCode(file, nullptr);
    }

    // What the command left once it has ended (polled as the screen is): its exit code (-1
    // before) and the terminal's modes.
    int ExitCode(std::string* modes = nullptr) const { return ReadExitCode(exitFile_, modes); }

    TempDevice device_;
    const std::filesystem::path exitFile_ = device_.Folder() / "exit-code";
    std::string tmux_;  // the tmux command of the test's server, empty when it has none

private:
    // Ends the test's server and waits until it no longer answers.
    void EndServer() {
        if (tmux_.empty()) return;
        Shell(tmux_ + " kill-server 2>/dev/null");
        for (int tries = 0;
             tries < 400 && Shell(tmux_ + " ls >/dev/null 2>&1 && echo up") == "up\n"; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        tmux_.clear();
    }
    std::string PaneFormat(const std::string& format) const {
        return Shell(tmux_ + " display-message -p -t main " + Quote(format) + " 2>/dev/null");
    }
    // SGR: ESC [ < button ; column ; row, then M (pressed) or m (released), counted from 1. X10:
    // ESC [ M, then 32 + the button (3 for a release), 33 + the column, 33 + the row.
    std::string MouseEvent(int button, bool release, int column, int row) const {
        if (PaneFormat("#{mouse_sgr_flag}") == "1\n") {
            return "\x1b[<" + std::to_string(button) + ";" + std::to_string(column + 1) + ";" +
                   std::to_string(row + 1) + (release ? "m" : "M");
        }
        return std::string("\x1b[M") + static_cast<char>(32 + (release ? 3 : button)) +
               static_cast<char>(33 + column) + static_cast<char>(33 + row);
    }
    // Writes bytes to the program as its terminal does, through tmux.
    void WriteMouse(const std::string& bytes) const {
        std::string hex;
        char byte[4];
        for (const unsigned char c : bytes) {
            std::snprintf(byte, sizeof byte, " %02x", c);
            hex += byte;
        }
        Shell(tmux_ + " send-keys -t main -H" + hex);
    }

    static int ReadExitCode(const std::filesystem::path& file, std::string* modes) {
        for (int i = 0; i < 400; ++i) {
            std::ifstream in(file);
            int code = -1;
            if (in >> code) {
                if (modes) modes->assign(std::istreambuf_iterator<char>(in), {});
                return code;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }
};

}  // namespace test
