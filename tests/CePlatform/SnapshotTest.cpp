// Whole-device snapshots: names and errors, sizes and damage, what a restore brings back and how
// the change log goes on after it, a save beside writers in other processes, and restores killed
// at random moments.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDevice.h"

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {

// Expects `call` to throw a DeviceError whose message holds `words`.
template <typename Call>
void ExpectError(Call call, const std::string& words) {
    try {
        call();
        ADD_FAILURE() << "no error, expected: " << words;
    } catch (const ce::DeviceError& e) {
        EXPECT_THAT(e.what(), HasSubstr(words));
    }
}

// Every entry below a folder: its content, "<dir>" or "<link>".
std::map<std::string, std::string> Tree(const fs::path& folder) {
    std::map<std::string, std::string> tree;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(e.path(), folder).string();
        tree[name] = e.is_symlink()     ? "<link>"
                     : e.is_directory() ? "<dir>"
                                        : test::ReadFileBytes(e.path());
    }
    return tree;
}

// What a snapshot holds besides the change log: the registry, the profile, the journal and the
// files.
struct State {
    std::string registry;
    uint32_t bluetooth = 0;
    std::vector<std::string> journal;
    std::map<std::string, std::string> files;
    bool operator==(const State&) const = default;
};

State Capture(const ce::Device& device) {
    State s{ce::FormatRegFile(device.ExportKeys()), device.GetProfile().bluetoothMode, {}, {}};
    for (const ce::JournalEntry& e : device.Journal()) s.journal.push_back(e.event);
    s.files = Tree(device.FilesRoot());
    return s;
}

ce::RegFileOp SetDword(const std::u16string& key, const std::u16string& name, uint32_t value) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
    return {
        ce::RegFileOp::kSetValue, 0, ce::RootKey::CurrentUser, key, {name, 4, {bytes, bytes + 4}}};
}

uint32_t Dword(const ce::Device& device, const std::u16string& key, const std::u16string& name) {
    uint32_t value = 0;
    for (const ce::RegValue& v : device.ReadKey(ce::RootKey::CurrentUser, key).values)
        if (v.name == name) std::memcpy(&value, v.data.data(), 4);
    return value;
}

// Nothing of a restore is left beside the device.
void ExpectNoLeftovers(const fs::path& folder) {
    for (const char* leftover : {".restore", ".restore-fs", ".restore-old-fs"})
        EXPECT_FALSE(fs::exists(folder / leftover)) << leftover;
}

int64_t LastChange(const ce::Device& device) {
    const auto changes = device.Changes();
    return changes.empty() ? 0 : changes.back().seq;
}

TEST(Snapshots, BadNamesUnknownAndExistingSnapshotsAreRefusedAndChangeNothing) {
    test::TempDevice device;
    ce::Device& d = device.Device();
    d.SaveSnapshot("kept");
    d.SaveSnapshot(std::string(64, 'x'));  // the longest name
    const auto before = Tree(device.Folder() / "snapshots");
    const std::string registry = ce::FormatRegFile(d.ExportKeys());

    const std::pair<std::string, std::string> bad[] = {
        {"", "it is empty"},
        {std::string(65, 'x'), "longer than 64 characters"},
        {".hidden", "starts with a dot"},
        {"..", "starts with a dot"},
        {"a/b", "path separator"},
        {"a\\b", "path separator"},
        {"tab\there", "control character"},
        {"line\nbreak", "control character"},
        {"bad\xff", "not UTF-8"}};
    for (const auto& [name, why] : bad) {
        SCOPED_TRACE(name);
        ExpectError([&] { d.SaveSnapshot(name); }, why);
        ExpectError([&] { d.RestoreSnapshot(name); }, why);
        ExpectError([&] { d.DeleteSnapshot(name); }, why);
    }
    ExpectError([&] { d.SaveSnapshot("kept"); }, "a snapshot named \"kept\" exists already");
    ExpectError([&] { d.RestoreSnapshot("missing"); }, "no snapshot named \"missing\"");
    ExpectError([&] { d.DeleteSnapshot("missing"); }, "no snapshot named \"missing\"");
    EXPECT_EQ(Tree(device.Folder() / "snapshots"), before);
    EXPECT_EQ(ce::FormatRegFile(d.ExportKeys()), registry);
    EXPECT_TRUE(d.Changes().empty());
}

// The size is that of its files on the host. A snapshot whose database was taken away is listed
// as damaged and is not restored.
TEST(Snapshots, TheListShowsTheSizeOnTheHostAndWhatIsDamaged) {
    test::TempDevice device;
    ce::Device& d = device.Device();
    test::WriteFileBytes(d.FilesRoot() / "big.bin", std::string(100000, 'b'));
    const ce::SnapshotInfo saved = d.SaveSnapshot("zeta");
    uint64_t files = 0;
    for (const auto& e : fs::recursive_directory_iterator(device.Folder() / "snapshots/zeta")) {
        if (e.is_regular_file()) files += e.file_size();
    }
    EXPECT_EQ(saved.size, files);
    EXPECT_EQ(d.Snapshots().at(0).size, files);
    EXPECT_GE(files, 100000u);
    fs::remove(device.Folder() / "snapshots/zeta/device.db");
    EXPECT_THAT(d.Snapshots().at(0).damage, HasSubstr("no device.db"));
    ExpectError([&] { d.RestoreSnapshot("zeta"); }, "cannot be restored: it has no device.db");
}

TEST(Snapshots, ARestoreBringsBackTheWholeDeviceButRunAndTheChangeLogGoesOn) {
    test::TempDevice device;
    ce::Device& d = device.Device();
    d.Import({SetDword(u"Kept", u"v", 1), SetDword(u"Gone\\Sub", u"w", 2)});
    d.AddJournalEntry("restart");
    device.SetBluetoothMode(1);
    test::WriteFileBytes(d.FilesRoot() / "Windows/a.txt", "old");
    fs::create_symlink("a.txt", d.FilesRoot() / "Windows/link");
    const State saved = Capture(d);
    const std::vector<ce::Change> savedLog = d.Changes();
    d.SaveSnapshot("before");

    d.Import({SetDword(u"Kept", u"v", 5),
              SetDword(u"New", u"n", 1),
              {ce::RegFileOp::kDeleteKey, 0, ce::RootKey::CurrentUser, u"Gone", {}}});
    d.AddJournalEntry("restart");
    device.SetBluetoothMode(2);
    test::WriteFileBytes(d.FilesRoot() / "Windows/a.txt", "new");
    test::WriteFileBytes(d.FilesRoot() / "b.txt", "added");
    fs::remove_all(d.FilesRoot() / "Program Files");
    test::WriteFileBytes(device.Folder() / "run/live.txt", "a process's");
    const int64_t highest = LastChange(d);
    const int64_t highestEvent = device.LastEventSeq();
    ASSERT_NE(Capture(d), saved);

    EXPECT_EQ(d.RestoreSnapshot("before"), highest + 1);
    EXPECT_EQ(Capture(d), saved);
    EXPECT_EQ(test::ReadFileBytes(device.Folder() / "run/live.txt"), "a process's");
    EXPECT_TRUE(fs::is_symlink(d.FilesRoot() / "Windows/link"));
    EXPECT_EQ("old", d.ReadFile(u"\\Windows\\a.txt"));  // the device's own walk meets them too
    // The snapshot's log, then the restore, numbered above everything used before.
    std::vector<ce::Change> log = d.Changes();
    ASSERT_EQ(log.size(), savedLog.size() + 1);
    for (size_t i = 0; i < savedLog.size(); ++i) {
        EXPECT_EQ(log[i].seq, savedLog[i].seq);
        EXPECT_EQ(log[i].key, savedLog[i].key);
    }
    EXPECT_EQ(log.back().seq, highest + 1);
    EXPECT_EQ(log.back().kind, ce::Change::kRestore);
    EXPECT_EQ(log.back().snapshot, "before");
    // Nothing is numbered again: neither a change nor a journal entry.
    d.Import({SetDword(u"Kept", u"v", 7)});
    EXPECT_EQ(LastChange(d), highest + 2);
    d.AddJournalEntry("restart");
    EXPECT_GT(device.LastEventSeq(), highestEvent);
    EXPECT_EQ(d.RestoreSnapshot("before"), highest + 3);
    EXPECT_EQ(Dword(d, u"Kept", u"v"), 1u);

    ExpectNoLeftovers(device.Folder());
}

// Writers in other processes commit two counters at once, equal, ever higher, while snapshots are
// saved: each snapshot shows them equal (a state the device was in), and never lower than the
// one saved before.
TEST(Snapshots, ASaveBesideWritersIsAStateTheDeviceWasIn) {
    const fs::path folder = test::MakeTempFolder("writers") / "device";
    ce::CreateDevice(folder, {}, false);
    const std::u16string keys[] = {u"Writer0", u"Writer1"};
    std::vector<pid_t> writers;
    for (const std::u16string& key : keys) {
        const pid_t pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives the test
            try {
                auto d = ce::Device::Open(folder);
                for (uint32_t k = 1;; ++k) {
                    d->Import({SetDword(key, u"a", k), SetDword(key, u"b", k)});
                }
            } catch (...) {
            }
            _exit(1);
        }
        writers.push_back(pid);
    }
    constexpr int kSnapshots = 8;
    {
        auto d = ce::Device::Open(folder);
        while (d->Changes().size() < 200) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int i = 0; i < kSnapshots; ++i) {
            d->SaveSnapshot("s" + std::to_string(i));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    for (const pid_t pid : writers) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    auto d = ce::Device::Open(folder);
    std::map<std::u16string, uint32_t> last;
    for (int i = 0; i < kSnapshots; ++i) {
        const std::string name = "s" + std::to_string(i);
        const int64_t savedSeq = d->Snapshots()[static_cast<size_t>(i)].changeSeq;
        d->RestoreSnapshot(name);
        const std::vector<ce::Change> log = d->Changes();
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[log.size() - 2].seq, savedSeq) << name;
        for (const std::u16string& key : keys) {
            if (!d->KeyExists(ce::RootKey::CurrentUser, key)) continue;
            const uint32_t a = Dword(*d, key, u"a"), b = Dword(*d, key, u"b");
            EXPECT_EQ(a, b) << name << ": a torn pair";
            EXPECT_GE(a, last[key]) << name;
            last[key] = a;
        }
    }
    EXPECT_GT(last[keys[0]] + last[keys[1]], 0u);
}

// A device saved in two states, "state0" and "state1" (1,500 keys of 4 values, 40 files, the
// profile), left in state 1; restores of it run in child processes.
class TwoStates : public testing::Test {
protected:
    void SetUp() override {
        ce::CreateDevice(folder_, {}, false);
        auto d = ce::Device::Open(folder_);
        for (uint32_t round = 0; round < 2; ++round) {
            std::vector<ce::RegFileOp> ops;
            for (uint32_t k = 0; k < 1500; ++k) {
                const std::u16string key = u"Key" + ce::FromUtf8(std::to_string(k));
                for (const char16_t* name : {u"a", u"b", u"c", u"d"}) {
                    ops.push_back(SetDword(key, name, k * 10 + round));
                }
            }
            d->Import(ops);
            for (int f = 0; f < 40; ++f) {
                test::WriteFileBytes(d->FilesRoot() / ("file" + std::to_string(f + round)),
                                     std::string(1000 * (f + 1), static_cast<char>('a' + round)));
            }
            d->UpdateProfile([&](ce::Profile& p) { p.bluetoothMode = round; });
            states_[round] = Capture(*d);
            d->SaveSnapshot("state" + std::to_string(round));
        }
    }

    // Starts a child that restores state `target`; it exits with 0 when the restore succeeded.
    pid_t StartRestore(int target) const {
        const pid_t pid = fork();
        if (pid == 0) {
            try {
                ce::Device::Open(folder_)->RestoreSnapshot("state" + std::to_string(target));
            } catch (...) {
                _exit(1);
            }
            _exit(0);
        }
        return pid;
    }

    // Waits up to `delay` for the child, then kills it; whether it ended with success first.
    static bool EndWithin(pid_t pid, std::chrono::microseconds delay) {
        int status = 0;
        const auto end = std::chrono::steady_clock::now() + delay;
        while (std::chrono::steady_clock::now() < end) {
            if (waitpid(pid, &status, WNOHANG) == pid) {
                return WIFEXITED(status) && WEXITSTATUS(status) == 0;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return false;
    }

    // The state the device is in: 0 or 1, or -1 for a mix.
    int StateNow(const ce::Device& device) const {
        const State now = Capture(device);
        return now == states_[0] ? 0 : now == states_[1] ? 1 : -1;
    }

    const fs::path folder_ = test::MakeTempFolder("states") / "device";
    State states_[2];
};

// A process restoring the device is killed at random moments. Each time the device opens after
// it, and is wholly the old state or wholly the restored one, registry and files alike; change
// numbers never go backwards.
TEST_F(TwoStates, ARestoreKilledAtAnyMomentLeavesTheOldOrTheRestoredDevice) {
    // How long a whole restore takes here.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(EndWithin(StartRestore(0), std::chrono::seconds(30)));
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);

    std::mt19937 random(17);
    std::uniform_int_distribution<int64_t> moment(0, whole.count() * 6 / 5);
    int current = 0, finished = 0, undone = 0;
    int64_t highest = 0;
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int target = 1 - current;
        EndWithin(StartRestore(target), std::chrono::microseconds(moment(random)));
        auto d = ce::Device::Open(folder_);
        const int now = StateNow(*d);
        ASSERT_NE(now, -1) << "a mix of the two states";
        if (now == target) {
            ++finished;
            current = target;
        } else {
            ++undone;
        }
        EXPECT_GE(LastChange(*d), highest);
        highest = LastChange(*d);
        ExpectNoLeftovers(folder_);
    }
    EXPECT_GT(finished, 0);
    EXPECT_GT(undone, 0);
}

// Another process that opens the device while a restore runs waits for it, and sees the old or
// the restored state, never a mix.
TEST_F(TwoStates, AnotherUserDuringARestoreSeesTheOldOrTheRestoredDevice) {
    for (int round = 0; round < 4; ++round) {
        const int target = round % 2 == 0 ? 0 : 1;
        const pid_t pid = StartRestore(target);
        int status = 0;
        bool sawTarget = false;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            {
                auto d = ce::Device::Open(folder_);
                const int now = StateNow(*d);
                ASSERT_NE(now, -1) << "a mix of the two states";
                sawTarget = sawTarget || now == target;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the restore failed";
        auto d = ce::Device::Open(folder_);
        EXPECT_EQ(StateNow(*d), target);
    }
}

}  // namespace
