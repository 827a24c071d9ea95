#include "Snapshots.h"

#include <CePlatform/Unicode.h>
#include <ProductLayout/Install.h>
#include <windows.h>

#include <iostream>
#include <stdexcept>

#include "Json.h"

int SaveSnapshot(ce::Device& device, const std::string& name) {
    const ce::SnapshotInfo info = device.SaveSnapshot(name);
    std::cout << "saved snapshot " << info.name << " (" << info.size << " bytes, change "
              << info.changeSeq << ")\n";
    return 0;
}

int ListSnapshots(const ce::Device& device, bool json) {
    const std::vector<ce::SnapshotInfo> snapshots = device.Snapshots();
    if (json) return PrintSnapshotsJson(snapshots);
    for (const ce::SnapshotInfo& s : snapshots) {
        std::cout << s.name << '\t' << (s.damage.empty() ? s.time : "(damaged: " + s.damage + ")")
                  << '\t' << s.size << '\t'
                  << (s.damage.empty() ? std::to_string(s.changeSeq) : "-") << '\n';
    }
    return 0;
}

int RestoreSnapshot(ce::Device& device, const std::string& name) {
    // The tweak manager's instance mutex is named after its window.
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, kWindowName);
    if (mutex == nullptr) {
        throw std::runtime_error(
            "cannot tell whether the tweak manager runs on the device (error " +
            std::to_string(GetLastError()) + "); nothing changed");
    }
    struct Closer {
        HANDLE handle;
        ~Closer() { CloseHandle(handle); }
    } closer{mutex};
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        throw std::runtime_error("the tweak manager runs on the device (it holds the mutex \"" +
                                 ce::ToUtf8(kWindowName) +
                                 "\"); close it before a restore; nothing changed");
    }
    const int64_t seq = device.RestoreSnapshot(name);
    std::cout << "restored snapshot " << name << " (change " << seq << ")\n";
    return 0;
}

int DeleteSnapshot(ce::Device& device, const std::string& name) {
    device.DeleteSnapshot(name);
    std::cout << "deleted snapshot " << name << '\n';
    return 0;
}
