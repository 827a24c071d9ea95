#include "support/TempDevice.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace test {

namespace {

// The temporary folders of this process, removed when it exits.
class TempFolders {
public:
    ~TempFolders() {
        if (getpid() != owner_) return;  // a forked child exiting: they are its parent's
        for (const std::filesystem::path& folder : folders_) {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    }
    void Add(std::filesystem::path folder) { folders_.push_back(std::move(folder)); }

private:
    pid_t owner_ = getpid();
    std::vector<std::filesystem::path> folders_;
};

TempFolders& Made() {
    static TempFolders folders;
    return folders;
}

}  // namespace

std::filesystem::path MakeTempFolder(const std::string& hint) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("quenvale-" + hint + "-XXXXXX"));
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    Made().Add(pattern);
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
    Device().UpdateProfile([&](ce::Profile& p) { p.platform = platform; });
}

void TempDevice::SetOsVersion(uint32_t major, uint32_t minor) const {
    Device().UpdateProfile([&](ce::Profile& p) {
        p.osMajor = major;
        p.osMinor = minor;
    });
}

void TempDevice::SetBluetoothMode(uint32_t mode) const {
    Device().UpdateProfile([&](ce::Profile& p) { p.bluetoothMode = mode; });
}

void TempDevice::SetModule(const std::string& name, bool present) const {
    Device().UpdateProfile([&](ce::Profile& p) {
        std::erase(p.modules, name);
        if (present) p.modules.push_back(name);
    });
}

std::vector<std::string> TempDevice::Events(int64_t afterSeq) const {
    std::vector<std::string> events;
    for (const ce::JournalEntry& e : Device().Journal(afterSeq)) events.push_back(e.event);
    return events;
}

int64_t TempDevice::LastEventSeq() const {
    const auto journal = Device().Journal();
    return journal.empty() ? 0 : journal.back().seq;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace test
