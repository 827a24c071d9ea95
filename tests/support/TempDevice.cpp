#include "support/TempDevice.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace test {

std::filesystem::path MakeTempFolder(const std::string& hint) {
    // The folders of this process, removed when it exits (not when a forked child does).
    static struct TempFolders {
        pid_t owner = getpid();
        std::vector<std::filesystem::path> folders;
        ~TempFolders() {
            std::error_code ignored;
            for (const auto& folder : folders) {
                if (getpid() == owner) std::filesystem::remove_all(folder, ignored);
            }
        }
    } made;
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("quenvale-" + hint + "-XXXXXX"));
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    made.folders.push_back(pattern);
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
