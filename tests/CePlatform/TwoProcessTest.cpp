// Several writers on one device: the same scenario run in one process, one writer after the
// other, and across forked processes at the same moment. Every write must succeed (a busy
// database is waited for) and every write must be in the change log.
#include <CePlatform/Device.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/TempDevice.h"

namespace {

constexpr int kWriters = 4;
constexpr int kWrites = 150;

// One writer's work; returns the number of calls that failed.
int WriteMany(int writer) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Shared", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return kWrites;
    }
    const std::u16string own = u"w" + std::u16string(1, static_cast<char16_t>(u'0' + writer));
    int failures = 0;
    for (DWORD i = 0; i < kWrites; ++i) {
        if (RegSetValueExW(key, own.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4) !=
            ERROR_SUCCESS) {
            ++failures;
        }
        if (RegSetValueExW(key, u"last", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4) !=
            ERROR_SUCCESS) {
            ++failures;
        }
    }
    RegCloseKey(key);
    return failures;
}

// Runs `child(i)` for i in [0, n) in forked processes that start together; their exit codes.
template <typename Child>
std::vector<int> RunAtOnce(int n, Child child) {
    ce::CloseDevice();  // no connection is carried across fork
    int gate[2];
    if (pipe(gate) != 0) return {};
    std::vector<pid_t> children;
    for (int i = 0; i < n; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            close(gate[1]);
            char c;
            (void)read(gate[0], &c, 1);  // returns when the parent closes the gate
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
    return codes;
}

class TwoProcessTest : public ::testing::Test {
protected:
    void Check() {
        ce::UseDevice(device_.Folder());
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Shared", 0, 0, &key));
        for (int w = 0; w < kWriters; ++w) {
            const std::u16string own = u"w" + std::u16string(1, static_cast<char16_t>(u'0' + w));
            DWORD value = 0, size = 4;
            ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, own.c_str(), nullptr, nullptr,
                                                      reinterpret_cast<BYTE*>(&value), &size));
            EXPECT_EQ(DWORD{kWrites - 1}, value);
        }
        RegCloseKey(key);
        size_t sets = 0;
        for (const auto& change : device_.Device().Changes()) {
            sets += change.kind == ce::Change::kSetValue;
        }
        EXPECT_EQ(size_t{kWriters} * kWrites * 2, sets);
    }

    test::TempDevice device_{ce::Profile{}, false};
};

TEST_F(TwoProcessTest, WritersOneAfterAnotherInOneProcess) {
    for (int w = 0; w < kWriters; ++w) EXPECT_EQ(0, WriteMany(w));
    Check();
}

TEST_F(TwoProcessTest, WritersAtOnceInSeparateProcesses) {
    const auto codes = RunAtOnce(kWriters, [this](int w) {
        ce::UseDevice(device_.Folder());
        return WriteMany(w) == 0 ? 0 : 1;
    });
    EXPECT_EQ(std::vector<int>(kWriters, 0), codes) << "a writer failed";
    Check();
}

TEST_F(TwoProcessTest, RacingCreatorsOfOneKeyAllSucceedAndOneCreatesIt) {
    const auto codes = RunAtOnce(kWriters, [this](int) {
        ce::UseDevice(device_.Folder());
        HKEY key = nullptr;
        DWORD disposition = 0;
        const LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, u"Race\\Deep\\Key", 0, nullptr, 0, 0,
                                        nullptr, &key, &disposition);
        return rc != ERROR_SUCCESS ? 9 : static_cast<int>(disposition);
    });
    EXPECT_EQ(1, std::count(codes.begin(), codes.end(), REG_CREATED_NEW_KEY));
    EXPECT_EQ(kWriters - 1, std::count(codes.begin(), codes.end(), REG_OPENED_EXISTING_KEY));
    ce::UseDevice(device_.Folder());
}

}  // namespace
