// A simulated device in a temporary folder, made the process's current device for one test and
// removed afterwards.
#pragma once

#include <CePlatform/Device.h>

#include <filesystem>
#include <string>

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

    // Changes the profile of the current device (platform text, OS version, modules).
    void SetPlatform(const std::string& platform) const;
    void SetOsVersion(uint32_t major, uint32_t minor) const;
    void SetBluetoothMode(uint32_t mode) const;
    // Gives the device an optional module or stream device ("BAG0:"), or takes it away.
    void SetModule(const std::string& name, bool present) const;

private:
    std::filesystem::path folder_;
};

// A new empty folder under the test's temporary area; removed at process exit at the latest.
std::filesystem::path MakeTempFolder(const std::string& hint = "t");

}  // namespace test
