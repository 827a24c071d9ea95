#include "BenchMain.h"

#include <CePlatform/Device.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace fs = std::filesystem;

namespace bench {

namespace {

fs::path g_tempRoot;
int g_devices = 0;

}  // namespace

fs::path NewDevice() {
    fs::path folder = g_tempRoot / ("device" + std::to_string(++g_devices));
    ce::CreateDevice(folder, ce::Profile{});
    ce::UseDevice(folder);
    return folder;
}

void DropDevice(const fs::path& folder) {
    ce::CloseDevice();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

int RunBenchmarks(int argc, char** argv, const char* program) {
    std::string pattern = (fs::temp_directory_path() / "quenvale-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    g_tempRoot = pattern;
    setenv("HOME", (g_tempRoot / "home").c_str(), 1);
    setenv("XDG_DATA_HOME", (g_tempRoot / "data").c_str(), 1);
    unsetenv("CE_DEVICE");

    int result = 0;
    try {
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
            result = 1;
        } else {
            benchmark::RunSpecifiedBenchmarks();
        }
        benchmark::Shutdown();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        result = 1;
    }
    ce::CloseDevice();
    std::error_code ignored;
    fs::remove_all(g_tempRoot, ignored);
    return result;
}

}  // namespace bench
