// Cost of building the catalogue and of the first backup, against the bare database look-ups that
// opening the same keys needs. Goal: construction within 2x of the look-ups, peak memory under
// 10 MB.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <Lorrimek/TweakersFactory.h>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "BenchMain.h"
#include "support/PlatformHooks.h"

namespace fs = std::filesystem;

namespace {

// A key that the factory opened: its root (0 HKCR, 1 HKCU, 2 HKLM) and its path as given.
struct OpenedKey {
    int root;
    std::u16string path;
};

std::vector<OpenedKey> g_openedKeys;

LONG RecordOpen(HKEY root, LPCWSTR path, bool /*create*/) {
    if (path == nullptr) return ERROR_SUCCESS;
    int index = -1;
    if (root == HKEY_CLASSES_ROOT) index = 0;
    if (root == HKEY_CURRENT_USER) index = 1;
    if (root == HKEY_LOCAL_MACHINE) index = 2;
    g_openedKeys.push_back({index, path});
    return ERROR_SUCCESS;
}

using bench::DropDevice;
using bench::NewDevice;

void ReportPeakMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_kb"] = static_cast<double>(usage.ru_maxrss);
}

// The key path as the database stores its fold: components joined by single backslashes,
// upper-cased, in UTF-8.
std::string Fold(std::u16string_view path) {
    std::u16string normalised;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos) end = path.size();
        if (end > start) {
            if (!normalised.empty()) normalised.push_back(u'\\');
            normalised.append(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return ce::ToUtf8(ce::FoldCase(normalised));
}

// (a) Building and destroying the catalogue where the store keys already exist.
void BM_ConstructAndDestroyFactory(benchmark::State& state) {
    const fs::path folder = NewDevice();
    { CTweakersFactory warmUp; }
    for (auto _ : state) {
        CTweakersFactory factory;
        benchmark::DoNotOptimize(&factory);
    }
    state.counters["tweaks"] = static_cast<double>(CTweakersFactory().GetAllTweaks().size());
    ReportPeakMemory(state);
    DropDevice(folder);
}
BENCHMARK(BM_ConstructAndDestroyFactory)->Unit(benchmark::kMicrosecond);

// (b) The first backup of every tweak, on a device that has never had one.
void BM_FirstBackup(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path folder = NewDevice();
        auto factory = std::make_unique<CTweakersFactory>();
        state.ResumeTiming();
        benchmark::DoNotOptimize(factory->DoBackupIfNeeded());
        state.PauseTiming();
        factory.reset();
        DropDevice(folder);
        state.ResumeTiming();
    }
    ReportPeakMemory(state);
}
BENCHMARK(BM_FirstBackup)->Unit(benchmark::kMicrosecond)->Iterations(30);

// (c) Baseline: one prepared, indexed look-up per key that a factory opens (the two store keys
// of every tweak and the target keys that tweaks hold), straight on the database. The keys are
// the ones a real construction opened, recorded through the registry hooks, so count and folds
// are exact.
void BM_RawKeyLookups(benchmark::State& state) {
    const fs::path folder = NewDevice();
    { CTweakersFactory warmUp; }
    g_openedKeys.clear();
    hooks::beforeOpenKey = RecordOpen;
    { CTweakersFactory recorded; }
    hooks::Clear();
    std::vector<std::pair<int, std::string>> keys;
    keys.reserve(g_openedKeys.size());
    for (const OpenedKey& key : g_openedKeys) keys.emplace_back(key.root, Fold(key.path));

    sqlite3* db = nullptr;
    const std::string path = (folder / "device.db").string();
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        state.SkipWithError("cannot open device.db");
        sqlite3_close(db);
        return;
    }
    sqlite3_stmt* lookup = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT id FROM keys WHERE root = ? AND fold = ?", -1, &lookup,
                           nullptr) != SQLITE_OK) {
        state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_close(db);
        return;
    }
    int64_t found = 0;
    for (auto _ : state) {
        found = 0;
        for (const auto& [root, fold] : keys) {
            sqlite3_bind_int(lookup, 1, root);
            sqlite3_bind_text(lookup, 2, fold.data(), static_cast<int>(fold.size()), SQLITE_STATIC);
            if (sqlite3_step(lookup) == SQLITE_ROW) {
                benchmark::DoNotOptimize(sqlite3_column_int64(lookup, 0));
                ++found;
            }
            sqlite3_reset(lookup);
        }
    }
    sqlite3_finalize(lookup);
    sqlite3_close(db);
    state.counters["lookups"] = static_cast<double>(keys.size());
    state.counters["found"] = static_cast<double>(found);
    ReportPeakMemory(state);
    DropDevice(folder);
}
BENCHMARK(BM_RawKeyLookups)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return bench::RunBenchmarks(argc, argv, "FactoryBench"); }
