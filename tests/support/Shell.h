// Programs run from the tests: shell words, a shell command's output or its whole result, and the
// programs built beside the test programs.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/TempDevice.h"

namespace test {

// One shell word.
inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs a shell command; its standard output, and its exit status in *status.
inline std::string Shell(const std::string& command, int* status = nullptr) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    const int result = pclose(pipe);
    if (status) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

struct Result {
    int status;  // -1 when a signal ended it
    std::string out, err;
};

// Runs a shell command with `input` as its standard input (a file, not a terminal).
inline Result Run(const std::string& command, const std::string& input = "") {
    static const std::filesystem::path scratch = MakeTempFolder("run");
    WriteFileBytes(scratch / "in", input);
    const std::string redirect = " <" + Quote(scratch / "in") + " >" + Quote(scratch / "out") +
                                 " 2>" + Quote(scratch / "err");
    const int raw = std::system(("{ " + command + "; }" + redirect).c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFileBytes(scratch / "out"),
            ReadFileBytes(scratch / "err")};
}

// A program built beside the test programs.
inline std::filesystem::path BuiltProgram(const std::string& name) {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / name;
}

}  // namespace test
