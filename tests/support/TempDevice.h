// A simulated device in a temporary folder, made the process's current device for one test and
// removed afterwards.
#pragma once

#include <CePlatform/Device.h>

#include <filesystem>
#include <string>
#include <vector>

namespace test {

class TempDevice {
public:
    // Creates the device (seeded unless `seed` is false) and makes it current.
    explicit TempDevice(const ce::Profile& profile = {}, bool seed = true);
    ~TempDevice();
    TempDevice(const TempDevice&) = delete;
    TempDevice& operator=(const TempDevice&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    ce::Device& Device() const { return ce::CurrentDevice(); }

    // Changes the current device's profile.
    void SetPlatform(const std::string& platform) const {
        Device().UpdateProfile([&](ce::Profile& p) { p.platform = platform; });
    }
    void SetOsVersion(uint32_t major, uint32_t minor) const {
        Device().UpdateProfile([&](ce::Profile& p) { p.osMajor = major, p.osMinor = minor; });
    }
    void SetBluetoothMode(uint32_t mode) const {
        Device().UpdateProfile([&](ce::Profile& p) { p.bluetoothMode = mode; });
    }
    // Gives the device an optional module or stream device ("BAG0:"), or takes it away.
    void SetModule(const std::string& name, bool present) const;

    // The device journal's events after `afterSeq`, oldest first, and the last one's number (0
    // for an empty journal).
    std::vector<std::string> Events(int64_t afterSeq = 0) const;
    int64_t LastEventSeq() const;

private:
    std::filesystem::path folder_;
};

// The whole content of a file ("" when it cannot be read), and a file made to hold `bytes`.
std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// A new empty folder under the test's temporary area; removed, with what it holds, when the
// process that made it exits normally (a forked child leaves it alone), if not before.
std::filesystem::path MakeTempFolder(const std::string& hint = "t");

}  // namespace test
