// Runs the device tool as a program against a device in a temporary folder, as the tests of its
// commands do.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/Shell.h"
#include "support/TempDevice.h"

namespace test {

// Every file below a folder with its contents, to show that nothing was touched.
inline std::map<std::filesystem::path, std::string> Snapshot(const std::filesystem::path& folder) {
    std::map<std::filesystem::path, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        files[e.path()] = e.is_regular_file() ? ReadFileBytes(e.path()) : "<dir>";
    return files;
}

// A failure (status 1; 2 for bad usage) with a message naming `what`.
inline void ExpectFailure(const Result& r, const std::string& what, int status = 1) {
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_THAT(r.err, testing::AllOf(testing::StartsWith("cedevice: "), testing::HasSubstr(what)));
}

class Cedevice : public testing::Test {
protected:
    void SetUp() override { device_ = (scratch_ = MakeTempFolder("cedevice")) / "device"; }
    void TearDown() override {
        // A test may have left the device read-only, or a file system mounted in the scratch.
        std::error_code ignored;
        std::filesystem::permissions(device_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        umount2((scratch_ / "disk").c_str(), MNT_DETACH);
        std::filesystem::remove_all(scratch_);
    }

    // Runs `cedevice ARGS` (shell words) in the scratch folder with `env` added to the environment.
    Result Run(const std::string& args, const std::string& input = "",
               const std::string& env = "") {
        return test::Run("cd " + Quote(scratch_) + " && " + env + " " + Quote(CEDEVICE_PATH) + " " +
                             args,
                         input);
    }

    // Runs a command on the test's device.
    Result On(const std::string& args, const std::string& input = "") {
        return Run("--device " + Quote(device_) + " " + args, input);
    }

    // Runs a command on the test's device that must succeed; its output.
    std::string Ok(const std::string& args, const std::string& input = "") {
        const Result r = On(args, input);
        EXPECT_EQ(r.status, 0) << args << ": " << r.err;
        return r.out;
    }

    // Runs `cedevice --device DEVICE ARGS` as a user whom file permissions stop: this process's
    // own, or for root (whom they do not stop) the user nobody. Status 125: it cannot be run so.
    Result OnAsReader(const std::vector<std::string>& args, const std::string& input = "") {
        WriteFileBytes(scratch_ / "in", input);
        std::vector<std::string> words = {"cedevice", "--device", device_.string()};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        const std::string in = scratch_ / "in", out = scratch_ / "out", err = scratch_ / "err";
        const pid_t pid = fork();
        if (pid == 0) {
            const int fds[] = {open(in.c_str(), O_RDONLY),
                               open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
                               open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)};
            for (int i = 0; i < 3; ++i) {
                if (fds[i] < 0 || dup2(fds[i], i) < 0) _exit(125);
            }
            if (geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
                _exit(125);
            }
            execv(CEDEVICE_PATH, argv.data());
            _exit(125);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(out),
                ReadFileBytes(err)};
    }

    std::filesystem::path scratch_, device_;
};

}  // namespace test
