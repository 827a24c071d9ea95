// The device's services to the window system: the journal and the runtime area of the current
// device, reached without an exception crossing into the window system.
#include <CePlatform/WindowSystemServices.h>

#include <mutex>
#include <system_error>

#include "device/DeviceImpl.h"

namespace ce {

bool JournalEvent(std::string_view event) {
    std::lock_guard<std::recursive_mutex> lock(PlatformLock());
    try {
        Device::Impl* device = TryCurrentDevice();
        if (!device) return false;
        device->AddJournalEntry(event);
        return true;
    } catch (...) {
        return false;
    }
}

std::filesystem::path RuntimeFolder(std::string_view name) {
    std::lock_guard<std::recursive_mutex> lock(PlatformLock());
    try {
        Device::Impl* device = TryCurrentDevice();
        if (!device) return {};
        std::filesystem::path folder = device->Folder() / "run" / name;
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        return ec ? std::filesystem::path() : folder;
    } catch (...) {
        return {};
    }
}

}  // namespace ce
