// Several writers on one device: the same scenario run in one process, one writer after the
// other, and across forked processes at the same moment. Every write must succeed (a busy
// database is waited for) and every write must be in the change log.
#include <CePlatform/Device.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <windows.h>

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
        for (const auto& change : device_.Device().Changes()) sets += change.kind == ce::Change::kSetValue;
        EXPECT_EQ(size_t{kWriters} * kWrites * 2, sets);
    }

    test::TempDevice device_{ce::Profile{}, false};
};

TEST_F(TwoProcessTest, WritersOneAfterAnotherInOneProcess) {
    for (int w = 0; w < kWriters; ++w) EXPECT_EQ(0, WriteMany(w));
    Check();
}

TEST_F(TwoProcessTest, WritersAtOnceInSeparateProcesses) {
    ce::CloseDevice();  // no connection is carried across fork
    int gate[2];
    ASSERT_EQ(0, pipe(gate));
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        ASSERT_NE(-1, pid);
        if (pid == 0) {
            close(gate[1]);
            char c;
            (void)read(gate[0], &c, 1);  // all writers start together
            ce::UseDevice(device_.Folder());
            _exit(WriteMany(w) == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
    }
    Check();
}

TEST_F(TwoProcessTest, RacingCreatorsOfOneKeyBothSucceedOnceNew) {
    ce::CloseDevice();
    int gate[2];
    ASSERT_EQ(0, pipe(gate));
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        ASSERT_NE(-1, pid);
        if (pid == 0) {
            close(gate[1]);
            char c;
            (void)read(gate[0], &c, 1);
            ce::UseDevice(device_.Folder());
            HKEY key = nullptr;
            DWORD disposition = 0;
            const LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, u"Race\\Deep\\Key", 0, nullptr, 0, 0,
                                            nullptr, &key, &disposition);
            _exit(rc != ERROR_SUCCESS ? 9 : static_cast<int>(disposition));
        }
        children.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    int created = 0, opened = 0;
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        ASSERT_TRUE(WIFEXITED(status));
        created += WEXITSTATUS(status) == REG_CREATED_NEW_KEY;
        opened += WEXITSTATUS(status) == REG_OPENED_EXISTING_KEY;
    }
    EXPECT_EQ(1, created);
    EXPECT_EQ(kWriters - 1, opened);
    ce::UseDevice(device_.Folder());
}

}  // namespace
