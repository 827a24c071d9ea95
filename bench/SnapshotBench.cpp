// Cost of a snapshot save and of a restore of a device with N keys of 10 values each (and a file
// system of 1 MB): time in proportion to the device's size. The figure the README states is that
// of 10,000 keys and 100,000 values.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchMain.h"

namespace fs = std::filesystem;

namespace {

constexpr int kValuesPerKey = 10;

// A seeded device grown by `keys` keys of 10 DWORD values, and 100 files of 10 KB, made current.
fs::path GrownDevice(int64_t keys) {
    const fs::path folder = bench::NewDevice();
    std::vector<ce::RegFileOp> ops;
    for (int64_t k = 0; k < keys; ++k) {
        const std::u16string key = u"Software\\Bench\\Key" + ce::FromUtf8(std::to_string(k));
        for (int v = 0; v < kValuesPerKey; ++v) {
            ops.push_back({ce::RegFileOp::kSetValue,
                           0,
                           ce::RootKey::LocalMachine,
                           key,
                           {u"Value" + ce::FromUtf8(std::to_string(v)), 4, {1, 2, 3, 4}}});
        }
    }
    ce::CurrentDevice().Import(ops, /*logChanges=*/false);
    for (int f = 0; f < 100; ++f) {
        std::ofstream(folder / "fs" / ("file" + std::to_string(f)), std::ios::binary)
            << std::string(10240, 'f');
    }
    return folder;
}

void BM_SnapshotSave(benchmark::State& state) {
    const fs::path folder = GrownDevice(state.range(0));
    ce::Device& device = ce::CurrentDevice();
    int saved = 0;
    for (auto _ : state) {
        const std::string name = "s" + std::to_string(saved++);
        device.SaveSnapshot(name);
        state.PauseTiming();
        device.DeleteSnapshot(name);
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0) * kValuesPerKey);
    bench::DropDevice(folder);
}
BENCHMARK(BM_SnapshotSave)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_SnapshotRestore(benchmark::State& state) {
    const fs::path folder = GrownDevice(state.range(0));
    ce::Device& device = ce::CurrentDevice();
    device.SaveSnapshot("saved");
    for (auto _ : state) device.RestoreSnapshot("saved");
    state.SetComplexityN(state.range(0) * kValuesPerKey);
    bench::DropDevice(folder);
}
BENCHMARK(BM_SnapshotRestore)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarks(argc, argv, "SnapshotBench"); }
