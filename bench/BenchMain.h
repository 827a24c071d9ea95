// What every benchmark program shares: devices in a private temporary folder (HOME and
// XDG_DATA_HOME point there too, so that the user's default device is never touched) and the
// program's main.
#pragma once

#include <filesystem>

namespace bench {

// A new seeded device with the default profile, made current.
std::filesystem::path NewDevice();
// Closes the current device and removes its folder.
void DropDevice(const std::filesystem::path& folder);

// Runs the registered benchmarks with the private folder in place; removes it afterwards.
int RunBenchmarks(int argc, char** argv, const char* program);

}  // namespace bench
