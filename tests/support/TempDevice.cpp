#include "support/TempDevice.h"

#include <cstdlib>
#include <stdexcept>

namespace test {

std::filesystem::path MakeTempFolder(const std::string& hint) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("quenvale-" + hint + "-XXXXXX"));
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

TempDevice::TempDevice(const ce::Profile& profile, bool seed) : folder_(MakeTempFolder("device")) {
    ce::CreateDevice(folder_, profile, seed);
    ce::UseDevice(folder_);
}

TempDevice::~TempDevice() {
    ce::CloseDevice();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void TempDevice::SetPlatform(const std::string& platform) const {
    ce::Profile p = Device().GetProfile();
    p.platform = platform;
    Device().SetProfile(p);
}

void TempDevice::SetOsVersion(uint32_t major, uint32_t minor) const {
    ce::Profile p = Device().GetProfile();
    p.osMajor = major;
    p.osMinor = minor;
    Device().SetProfile(p);
}

void TempDevice::SetBluetoothMode(uint32_t mode) const {
    ce::Profile p = Device().GetProfile();
    p.bluetoothMode = mode;
    Device().SetProfile(p);
}

void TempDevice::SetModule(const std::string& name, bool present) const {
    ce::Profile p = Device().GetProfile();
    std::erase(p.modules, name);
    if (present) p.modules.push_back(name);
    Device().SetProfile(p);
}

}  // namespace test
