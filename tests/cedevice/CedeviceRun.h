// Runs the device tool as a program against a device in a temporary folder, as the tests of its
// commands do.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/RegistryProbe.h"
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

    // Runs `cedevice ARGS` (shell words) in the scratch folder, after `prefix` (variables set
    // for it, or a program that runs it).
    Result Run(const std::string& args, const std::string& input = "",
               const std::string& prefix = "") {
        return test::Run(
            "cd " + Quote(scratch_) + " && " + prefix + " " + Quote(CEDEVICE_PATH) + " " + args,
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

    // Sets a value as a program on the device would: names that no registry file can carry
    // reach the registry this way.
    void SetOnDevice(HKEY root, std::u16string_view path, std::u16string_view name,
                     const probe::Value& value) {
        ce::UseDevice(device_);
        probe::Set(root, path, name, value);
        ce::CloseDevice();
    }

    std::filesystem::path scratch_, device_;
};

}  // namespace test
