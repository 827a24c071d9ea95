// The device lock, run/device.lock: every process that has the device open holds it shared, a
// restore holds it to itself, so that nobody sees the device halfway through a restore.
#pragma once

#include <chrono>
#include <filesystem>

#include "files/DevicePaths.h"

namespace ce {

class Database;

class DeviceLock {
public:
    DeviceLock() = default;
    explicit DeviceLock(UniqueFd fd) : fd_(std::move(fd)) {}

    // False for a device whose lock file cannot be opened for writing (one that cannot be
    // written): nobody can restore it, so its users need no lock.
    explicit operator bool() const { return static_cast<bool>(fd_); }

    // Turns the shared lock into an exclusive one, waiting up to `timeout` for the other holders
    // to let go; false when they do not.
    bool TakeToItself(std::chrono::milliseconds timeout);
    // Turns the exclusive lock back into a shared one.
    void Share();

private:
    UniqueFd fd_;
};

// Takes the shared lock of the device in `folder`, whose database `db` is open: waits while a
// restore runs, and first finishes or undoes a restore that a killed process left behind.
DeviceLock LockDevice(const std::filesystem::path& folder, Database& db);

}  // namespace ce
