// Cost of writing a change file: the net change of 10,000 registry writes since a sequence
// number, worked out from the change log and written as a REGEDIT4 file, as its undo file, and as
// provisioning XML. Goal: well under a second each.
#include <CePlatform/ChangeFile.h>
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "BenchMain.h"

namespace fs = std::filesystem;
using namespace std::string_view_literals;

namespace {

constexpr int kKeys = 1000;
constexpr int kValuesPerKey = 10;  // 10,000 writes in all

// The seeded device with 1,000 keys made before the sequence number returned, and 10,000 logged
// value writes after it: each key's ten values, of the four common types, written once.
int64_t WriteTenThousandChanges(ce::Device& device) {
    std::vector<ce::RegFileOp> keys, writes;
    for (int k = 0; k < kKeys; ++k) {
        const std::u16string path = u"Software\\Bench\\Key" + ce::FromUtf8(std::to_string(k));
        keys.push_back({ce::RegFileOp::kCreateKey, 0, ce::RootKey::LocalMachine, path, {}});
        for (int v = 0; v < kValuesPerKey; ++v) {
            ce::RegValue value{u"Value" + ce::FromUtf8(std::to_string(v)), 0, {}};
            switch (v % 4) {
                case 0:
                    value.type = 4;
                    value.data = {uint8_t(k), uint8_t(v), 0, 0};
                    break;
                case 1:
                    value.type = 1;
                    for (char c : "some text\0"sv)
                        value.data.insert(value.data.end(), {uint8_t(c), 0});
                    break;
                case 2:
                    value.type = 3;
                    value.data.assign(32, uint8_t(v));
                    break;
                default:
                    value.type = 7;
                    for (char c : "a\0b\0\0"sv)
                        value.data.insert(value.data.end(), {uint8_t(c), 0});
                    break;
            }
            writes.push_back({ce::RegFileOp::kSetValue, 0, ce::RootKey::LocalMachine, path, value});
        }
    }
    device.Import(keys, /*logChanges=*/false);
    const std::vector<ce::Change> before = device.Changes();
    device.Import(writes);
    return before.empty() ? 0 : before.back().seq;
}

void ChangeFile(benchmark::State& state, ce::ChangeDirection direction, bool xml) {
    const fs::path folder = bench::NewDevice();
    ce::Device& device = ce::CurrentDevice();
    const int64_t seq = WriteTenThousandChanges(device);
    size_t bytes = 0;
    for (auto _ : state) {
        const auto ops = ce::RegistryChangeSince(device, seq, direction);
        const std::string file = xml ? ce::FormatProvXml(ops) : ce::FormatRegFileOps(ops);
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["changes"] = static_cast<double>(device.Changes(seq).size());
    state.counters["bytes"] = static_cast<double>(bytes);
    bench::DropDevice(folder);
}

void BM_ChangeFileReg(benchmark::State& state) {
    ChangeFile(state, ce::ChangeDirection::kForward, false);
}
void BM_UndoFileReg(benchmark::State& state) {
    ChangeFile(state, ce::ChangeDirection::kUndo, false);
}
void BM_ChangeFileProvXml(benchmark::State& state) {
    ChangeFile(state, ce::ChangeDirection::kForward, true);
}
BENCHMARK(BM_ChangeFileReg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoFileReg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangeFileProvXml)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarks(argc, argv, "ChangeFileBench"); }
