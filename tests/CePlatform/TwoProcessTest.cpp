// Several processes on one device at the same moment: every write must succeed (a busy database
// is waited for) and be in the change log, of racing creators of one key exactly one creates it,
// and a reader sees a state the registry really was in.
#include <CePlatform/Device.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "device/DeviceImpl.h"
#include "support/RegistryProbe.h"
#include "support/TempDevice.h"

namespace {

constexpr int kProcesses = 4;
constexpr DWORD kWrites = 150;

// Runs `child(i)` for i in [0, kProcesses) in forked processes that start together, each on
// `device`; their exit codes. The parent uses the device again afterwards.
template <typename Child>
std::vector<int> RunAtOnce(const std::filesystem::path& device, Child child) {
    ce::CloseDevice();  // no connection is carried across fork
    int gate[2];
    if (pipe(gate) != 0) return {};
    std::vector<pid_t> children;
    for (int i = 0; i < kProcesses; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            close(gate[1]);
            char c;
            (void)read(gate[0], &c, 1);  // returns when the parent closes the gate
            ce::UseDevice(device);
            _exit(child(i));
        }
        children.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    std::vector<int> codes;
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        codes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    ce::UseDevice(device);
    return codes;
}

std::u16string OwnValue(int writer) { return u"w" + std::u16string(1, u'0' + writer); }

TEST(TwoProcessTest, WritersAtOnceAllSucceedAndAreAllLogged) {
    test::TempDevice device(ce::Profile{}, false);
    const auto codes = RunAtOnce(device.Folder(), [](int w) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Shared", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr) != ERROR_SUCCESS) {
            return 1;
        }
        const std::u16string own = OwnValue(w);
        for (DWORD i = 0; i < kWrites; ++i) {
            for (LPCWSTR name : {own.c_str(), u"last"}) {
                if (RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4) !=
                    ERROR_SUCCESS) {
                    return 1;
                }
            }
        }
        return 0;
    });
    EXPECT_EQ(std::vector<int>(kProcesses, 0), codes) << "a writer failed";
    for (int w = 0; w < kProcesses; ++w) {
        EXPECT_EQ(probe::Query(HKEY_LOCAL_MACHINE, u"Shared", OwnValue(w).c_str()),
                  probe::DwordValue(kWrites - 1));
    }
    size_t sets = 0;
    for (const auto& change : device.Device().Changes())
        sets += change.kind == ce::Change::kSetValue;
    EXPECT_EQ(size_t{kProcesses} * kWrites * 2, sets);
}

TEST(TwoProcessTest, RacingCreatorsOfOneKeyAllSucceedAndOneCreatesIt) {
    test::TempDevice device(ce::Profile{}, false);
    const auto codes = RunAtOnce(device.Folder(), [](int) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        const LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, u"Race\\Deep\\Key", 0, nullptr, 0, 0,
                                        nullptr, &key, &disposition);
        return rc != ERROR_SUCCESS ? 9 : static_cast<int>(disposition);
    });
    EXPECT_EQ(1, std::count(codes.begin(), codes.end(), REG_CREATED_NEW_KEY));
    EXPECT_EQ(kProcesses - 1, std::count(codes.begin(), codes.end(), REG_OPENED_EXISTING_KEY));
}

// Another connection to the device imports a new generation of 200 values, one import after the
// other, while this one exports them: SQLite's progress handler runs the imports in the midst of
// the export's queries. The export holds one generation throughout; so does a key read while
// another connection deletes it.
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

    struct Writer {
        std::unique_ptr<ce::Device> device;
        std::function<void(ce::Device&)> write;
        int writes = 0;
    } writer{ce::Device::Open(device.Folder()), nullptr};
    sqlite3* reader = device.Device().impl().Db().handle();
    const auto whileReading = [&](const std::function<void(ce::Device&)>& write, auto read) {
        writer.write = write;
        writer.writes = 0;
        sqlite3_progress_handler(
            reader, 200,
            [](void* context) {
                auto* w = static_cast<Writer*>(context);
                if (w->writes < 20) w->write(*w->device), ++w->writes;
                return 0;
            },
            &writer);
        auto result = read();
        sqlite3_progress_handler(reader, 0, nullptr, nullptr);
        return result;
    };

    DWORD next = 1;
    const auto keys = whileReading(
        [&](ce::Device& d) { d.Import(generation(next++)); },
        [&] { return device.Device().ExportKeys(ce::RootKey::LocalMachine, u"Snap"); });
    ASSERT_GT(writer.writes, 1) << "the imports did not run during the export";
    ASSERT_EQ(keys.size(), size_t{kKeys} + 1);
    std::set<std::vector<uint8_t>> generations;
    for (size_t k = 1; k < keys.size(); ++k) generations.insert(keys[k].values.at(0).data);
    EXPECT_EQ(generations.size(), 1u) << "the export mixes " << generations.size() << " imports";

    const ce::RegKey key = whileReading(
        [](ce::Device& d) {
            d.Import({{ce::RegFileOp::kDeleteKey, 0, ce::RootKey::LocalMachine, u"Snap\\K7", {}}});
        },
        [&] { return device.Device().ReadKey(ce::RootKey::LocalMachine, u"snap\\k7"); });
    ASSERT_GT(writer.writes, 0);
    EXPECT_EQ(key.path, u"Snap\\K7");
    EXPECT_EQ(key.values.size(), 1u);
}

}  // namespace
