// What processes on one device share. Named mutexes across forked processes: lifetime bound to
// the holders (closed, exited or killed), one owner at a time. The registry of several processes
// at the same moment: every write must succeed (a busy database is waited for) and be in the
// change log, of racing creators of one key exactly one creates it, and a reader sees a state the
// registry really was in.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/ForkedChild.h"
#include "support/RegistryProbe.h"
#include "support/TempDevice.h"

namespace {

// CreateMutexW, expecting a handle and `error` as the last error (preset to junk, so that an
// untouched one is caught).
HANDLE Create(const std::u16string& name, DWORD error) {
    SetLastError(0xDEADBEEF);
    HANDLE handle = CreateMutexW(nullptr, FALSE, name.c_str());
    EXPECT_NE(nullptr, handle) << ce::ToUtf8(name);
    EXPECT_EQ(error, GetLastError()) << ce::ToUtf8(name);
    return handle;
}

// The last error a child saw when it created the mutex (-1 when it got no handle).
test::ForkedChild::Body Creates(LPCWSTR name) {
    return [name](test::ForkedChild&) -> int64_t {
        HANDLE handle = CreateMutexW(nullptr, FALSE, name);
        return handle ? static_cast<int>(GetLastError()) : -1;
    };
}

constexpr int kProcesses = 4;

// Runs `child(i)` for i in [0, kProcesses) in forked processes on `device` that start it together
// and live on until all are done; what each returned.
template <typename Child>
std::vector<int64_t> RunAtOnce(const std::filesystem::path& device, Child child) {
    int gate[2];
    if (pipe(gate) != 0) return {};
    std::vector<std::unique_ptr<test::ForkedChild>> children;
    for (int i = 0; i < kProcesses; ++i) {
        children.push_back(std::make_unique<test::ForkedChild>(
            device, [&gate, &child, i](test::ForkedChild&) -> int64_t {
                close(gate[1]);
                char c;
                (void)!read(gate[0], &c, 1);  // all start when the parent closes the gate
                return child(i);
            }));
    }
    close(gate[0]);
    close(gate[1]);
    std::vector<int64_t> results;
    for (auto& started : children) results.push_back(started->Next());
    return results;
}

class MutexTest : public ::testing::Test {
protected:
    test::TempDevice device_;
};

TEST_F(MutexTest, AnotherProcessSeesItExactlyWhileItsHolderLives) {
    for (const bool kill : {false, true}) {
        test::ForkedChild holder(device_.Folder(), Creates(u"Quenvale"));
        ASSERT_EQ(ERROR_SUCCESS, holder.Next());
        EXPECT_TRUE(CloseHandle(Create(u"quenVALE", ERROR_ALREADY_EXISTS)));
        kill ? holder.Kill() : holder.Finish();
    }
    // Nothing is left behind: the next creator creates it, and the next process sees that.
    HANDLE handle = Create(u"Quenvale", ERROR_SUCCESS);
    test::ForkedChild second(device_.Folder(), Creates(u"Quenvale"));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, second.Next());
    EXPECT_TRUE(CloseHandle(handle));
}

TEST_F(MutexTest, ClosingAndCreatingAtOnceNeverLosesTheMutex) {
    // One process keeps a handle for good while others create and close it in a loop: each of
    // them must always find it, whatever another closer is doing at that moment.
    HANDLE keeper = Create(u"Busy", ERROR_SUCCESS);
    auto churn = [](test::ForkedChild&) -> int64_t {
        for (int i = 0; i < 300; ++i) {
            HANDLE handle = CreateMutexW(nullptr, FALSE, u"Busy");
            if (!handle || GetLastError() != ERROR_ALREADY_EXISTS) return 1;
            CloseHandle(handle);
        }
        return 0;
    };
    test::ForkedChild a(device_.Folder(), churn), b(device_.Folder(), churn);
    EXPECT_EQ(0, a.Next());
    EXPECT_EQ(0, b.Next());
    EXPECT_TRUE(CloseHandle(keeper));
}

// Of processes that create the mutex at once exactly one creates it; then they read, increment
// and write one registry value under it, and lose no increment, whether they wait without a time
// limit or with one (as the first backup's lock does).
TEST_F(MutexTest, OfRacingCreatorsOneCreatesItAndProcessesThatChangeAValueUnderItLoseNoUpdate) {
    constexpr DWORD kRounds = 40;
    const auto created = RunAtOnce(device_.Folder(), [](int) -> int64_t {
        HANDLE guard = CreateMutexW(nullptr, FALSE, u"Counter");
        const int64_t error = guard ? int64_t{GetLastError()} : -1;
        for (DWORD i = 0; i < kRounds; ++i) {
            if (WaitForSingleObject(guard, i % 2 ? INFINITE : 20000) != WAIT_OBJECT_0) return -1;
            DWORD value = 0;
            DWORD size = sizeof value;
            RegQueryValueExW(HKEY_LOCAL_MACHINE, u"count", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&value), &size);
            ++value;
            RegSetValueExW(HKEY_LOCAL_MACHINE, u"count", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&value), sizeof value);
            ReleaseMutex(guard);
        }
        return error;
    });
    EXPECT_EQ(1, std::count(created.begin(), created.end(), ERROR_SUCCESS));
    EXPECT_EQ(kProcesses - 1, std::count(created.begin(), created.end(), ERROR_ALREADY_EXISTS));
    EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, u"", u"count"),
              probe::DwordValue(kProcesses * kRounds));
}

// A process that exits closes its mutex handles, and the last holder removes the lock file; the
// files of holders that were killed are removed by the next process that creates a mutex on the
// device, while those of live holders stay.
TEST_F(MutexTest, NothingIsLeftOfHoldersThatExitedOrWereKilled) {
    const std::filesystem::path folder = device_.Folder() / "run" / "mutexes";
    const auto files = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    };
    test::ForkedChild live(device_.Folder(), Creates(u"Live"));
    ASSERT_EQ(ERROR_SUCCESS, live.Next());
    for (const char16_t* name : {u"Killed1", u"Killed2"}) {
        test::ForkedChild killed(device_.Folder(), Creates(name));
        ASSERT_EQ(ERROR_SUCCESS, killed.Next());
        killed.Kill();
    }
    EXPECT_EQ(files(), (std::set<std::string>{"m-LIVE", "m-KILLED2"}));
    test::ForkedChild exiting(device_.Folder(), [](test::ForkedChild& self) -> int64_t {
        CreateMutexW(nullptr, FALSE, u"Exited");
        self.Report(0);
        std::exit(0);
    });
    EXPECT_EQ(0, exiting.Next());
    exiting.Finish();
    EXPECT_EQ(files(), (std::set<std::string>{"m-LIVE"}));
    live.Kill();
    HANDLE check = Create(u"Check", ERROR_SUCCESS);
    EXPECT_EQ(files(), (std::set<std::string>{"m-CHECK"}));
    EXPECT_TRUE(CloseHandle(check));
    EXPECT_TRUE(files().empty());
}

constexpr DWORD kWrites = 150;

std::u16string OwnValue(int writer) { return u"w" + std::u16string(1, u'0' + writer); }

// Of the writers that create one key at once exactly one creates it; all their writes succeed
// and are in the change log.
TEST(TwoProcessTest, WritersAtOnceAllSucceedAndAreAllLoggedAndOneCreatesTheKey) {
    test::TempDevice device(ce::Profile{}, false);
    const auto codes = RunAtOnce(device.Folder(), [](int w) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Shared\\Deep\\Key", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, &disposition) != ERROR_SUCCESS) {
            return 9;
        }
        const std::u16string own = OwnValue(w);
        for (DWORD i = 0; i < kWrites; ++i) {
            for (LPCWSTR name : {own.c_str(), u"last"}) {
                if (RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4) !=
                    ERROR_SUCCESS) {
                    return 9;
                }
            }
        }
        return static_cast<int>(disposition);
    });
    EXPECT_EQ(1, std::count(codes.begin(), codes.end(), REG_CREATED_NEW_KEY));
    EXPECT_EQ(kProcesses - 1, std::count(codes.begin(), codes.end(), REG_OPENED_EXISTING_KEY));
    for (int w = 0; w < kProcesses; ++w) {
        EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, u"Shared\\Deep\\Key", OwnValue(w).c_str()),
                  probe::DwordValue(kWrites - 1));
    }
    size_t sets = 0;
    for (const auto& change : device.Device().Changes())
        sets += change.kind == ce::Change::kSetValue;
    EXPECT_EQ(size_t{kProcesses} * kWrites * 2, sets);
}

// Opens the device in `folder` and gives the SQLite connection that it reads through, caught as
// SQLite hands every new connection to its automatic extensions.
std::unique_ptr<ce::Device> OpenWithConnection(const std::filesystem::path& folder,
                                               sqlite3** connection) {
    static sqlite3* opened = nullptr;
    using Entry = int (*)(sqlite3*, const char**, const sqlite3_api_routines*);
    const Entry catchConnection = [](sqlite3* db, const char**, const sqlite3_api_routines*) {
        opened = db;
        return SQLITE_OK;
    };
    const auto entry = reinterpret_cast<void (*)()>(catchConnection);
    opened = nullptr;
    sqlite3_auto_extension(entry);
    auto device = ce::Device::Open(folder);
    sqlite3_cancel_auto_extension(entry);
    *connection = opened;
    return device;
}

// Another connection imports new generations of 200 values while this one exports them (SQLite's
// progress handler runs the imports in the midst of the export's queries, once the export holds
// its snapshot): the export holds one generation throughout; so does a key read while another
// connection deletes it.
TEST(TwoProcessTest, ReadsAreSnapshotsWhateverAnotherConnectionCommitsMeanwhile) {
    constexpr int kKeys = 200;
    test::TempDevice device(ce::Profile{}, false);
    const auto generation = [](DWORD g) {
        std::vector<ce::RegFileOp> ops;
        for (int k = 0; k < kKeys; ++k) {
            const ce::RegValue value = {u"gen", REG_DWORD, probe::DwordValue(g).data};
            ops.push_back({ce::RegFileOp::kSetValue, 0, ce::RootKey::LocalMachine,
                           u"Snap\\K" + ce::FromUtf8(std::to_string(k)), value});
        }
        return ops;
    };
    device.Device().Import(generation(0));

    // Runs `read`, and `write` on another connection every `everyOps` steps of SQLite's machine
    // while the reader holds a read transaction, at most 20 times.
    struct Writer {
        std::unique_ptr<ce::Device> device;
        sqlite3* reader = nullptr;
        std::function<void(ce::Device&)> write;
        int writes = 0;
    } writer{ce::Device::Open(device.Folder()), nullptr, nullptr, 0};
    const std::unique_ptr<ce::Device> reader = OpenWithConnection(device.Folder(), &writer.reader);
    ASSERT_NE(writer.reader, nullptr);
    const auto whileReading = [&](const std::function<void(ce::Device&)>& write, int everyOps,
                                  auto read) {
        writer.write = write;
        writer.writes = 0;
        const auto step = [](void* context) {
            auto* w = static_cast<Writer*>(context);
            if (w->writes < 20 && sqlite3_txn_state(w->reader, "main") == SQLITE_TXN_READ)
                w->write(*w->device), ++w->writes;
            return 0;
        };
        sqlite3_progress_handler(writer.reader, everyOps, step, &writer);
        auto result = read();
        sqlite3_progress_handler(writer.reader, 0, nullptr, nullptr);
        return result;
    };

    DWORD next = 1;
    const auto keys =
        whileReading([&](ce::Device& d) { d.Import(generation(next++)); }, 200,
                     [&] { return reader->ExportKeys(ce::RootKey::LocalMachine, u"Snap"); });
    ASSERT_GT(writer.writes, 1) << "the imports did not run during the export";
    ASSERT_EQ(keys.size(), size_t{kKeys} + 1);
    std::set<std::vector<uint8_t>> generations;
    for (size_t k = 1; k < keys.size(); ++k) generations.insert(keys[k].values.at(0).data);
    EXPECT_EQ(generations.size(), 1u) << "the export mixes " << generations.size() << " imports";

    const ce::RegKey key = whileReading(
        [](ce::Device& d) {
            d.Import({{ce::RegFileOp::kDeleteKey, 0, ce::RootKey::LocalMachine, u"Snap\\K7", {}}});
        },
        1, [&] { return reader->ReadKey(ce::RootKey::LocalMachine, u"snap\\k7"); });
    ASSERT_GT(writer.writes, 0);
    EXPECT_EQ(key.path, u"Snap\\K7");
    EXPECT_EQ(key.values.size(), 1u);
}

}  // namespace
