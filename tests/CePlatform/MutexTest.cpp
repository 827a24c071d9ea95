// Named mutexes: creation and opening within one process and across forked processes, lifetime
// bound to the holders (closed, exited or killed), case-insensitive names, one device's scope.
#include <CePlatform/Device.h>
#include <CePlatform/Unicode.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "CePlatform/window/ForkedChild.h"
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

class MutexTest : public ::testing::Test {
protected:
    test::TempDevice device_;
};

TEST_F(MutexTest, ASecondCreateFindsTheFirstWhateverTheCaseUntilTheLastHandleIsClosed) {
    HANDLE first = Create(u"Quenvale", ERROR_SUCCESS);
    HANDLE second = Create(u"QUENVALE", ERROR_ALREADY_EXISTS);
    EXPECT_NE(first, second);
    HANDLE other = Create(u"Quenvale2", ERROR_SUCCESS);
    EXPECT_TRUE(CloseHandle(first));
    HANDLE third = Create(u"quenvale", ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(CloseHandle(third));
    HANDLE fresh = Create(u"Quenvale", ERROR_SUCCESS);
    EXPECT_TRUE(CloseHandle(fresh));
    EXPECT_TRUE(CloseHandle(other));
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(CloseHandle(fresh));
    EXPECT_EQ(DWORD{ERROR_INVALID_HANDLE}, GetLastError());

    // Unnamed mutexes are private objects.
    EXPECT_TRUE(CloseHandle(Create(u"", ERROR_SUCCESS)));
    EXPECT_TRUE(CloseHandle(Create(u"", ERROR_SUCCESS)));
    SetLastError(0xDEADBEEF);
    EXPECT_NE(nullptr, CreateMutexW(nullptr, FALSE, nullptr));
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, GetLastError());

    // Names that an escaping or a hash of the name could confuse are distinct.
    const std::u16string longName(300, u'x');
    std::vector<HANDLE> handles;
    for (const std::u16string name : {u"a/b", u"a\\b", u"a%2Fb", u"a b", u"..", u"\u00e9t\u00e9"}) {
        handles.push_back(Create(name, ERROR_SUCCESS));
    }
    handles.push_back(Create(longName, ERROR_SUCCESS));
    handles.push_back(Create(longName.substr(1) + u"y", ERROR_SUCCESS));
    handles.push_back(Create(u"\u00c9T\u00c9", ERROR_ALREADY_EXISTS));  // a Latin-1 upper case
    handles.push_back(Create(std::u16string(300, u'X'), ERROR_ALREADY_EXISTS));
    for (HANDLE handle : handles) EXPECT_TRUE(CloseHandle(handle));
}

TEST_F(MutexTest, ScopedToTheCurrentDeviceAndNotReadyWithoutOne) {
    HANDLE here = Create(u"Quenvale", ERROR_SUCCESS);
    {
        test::TempDevice other;
        EXPECT_TRUE(CloseHandle(Create(u"Quenvale", ERROR_SUCCESS)));
    }
    ce::UseDevice(device_.Folder());
    EXPECT_TRUE(CloseHandle(here));

    ce::CloseDevice();
    setenv("CE_DEVICE", (device_.Folder() / "missing").c_str(), 1);
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, CreateMutexW(nullptr, FALSE, u"Quenvale"));
    EXPECT_EQ(DWORD{ERROR_NOT_READY}, GetLastError());
    unsetenv("CE_DEVICE");
    ce::UseDevice(device_.Folder());
}

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

    // Whatever a child does with the handle value it was forked with, the parent's mutex stays;
    // and the child, which lives on, does not keep it in existence.
    handle = Create(u"Inherited", ERROR_SUCCESS);
    test::ForkedChild child(device_.Folder(), [handle](test::ForkedChild&) -> int64_t {
        CloseHandle(handle);
        HANDLE own = CreateMutexW(nullptr, FALSE, u"Inherited");
        const DWORD result = GetLastError();
        CloseHandle(own);
        return result;
    });
    EXPECT_EQ(ERROR_ALREADY_EXISTS, child.Next());
    EXPECT_TRUE(CloseHandle(handle));
    EXPECT_TRUE(CloseHandle(Create(u"Inherited", ERROR_SUCCESS)));
}

TEST_F(MutexTest, OfRacingCreatorsExactlyOneCreatesIt) {
    constexpr int kCreators = 6;
    int gate[2];
    ASSERT_EQ(0, pipe(gate));
    std::vector<std::unique_ptr<test::ForkedChild>> children;
    for (int i = 0; i < kCreators; ++i) {
        children.push_back(
            std::make_unique<test::ForkedChild>(device_.Folder(), [&gate](test::ForkedChild& self) {
                close(gate[1]);
                char c;
                (void)!read(gate[0], &c, 1);  // all start when the parent closes the gate
                return Creates(u"Race")(self);
            }));
    }
    close(gate[0]);
    close(gate[1]);
    int created = 0, opened = 0;
    for (auto& child : children) {
        const int result = child->Next();
        created += result == ERROR_SUCCESS;
        opened += result == ERROR_ALREADY_EXISTS;
    }
    EXPECT_EQ(1, created);
    EXPECT_EQ(kCreators - 1, opened);
}

TEST_F(MutexTest, ClosingAndCreatingAtOnceNeverLosesTheMutex) {
    // One process keeps a handle for good while others create and close it in a loop: each of
    // them must always find it, although a closer may be removing its file at that moment if the
    // bookkeeping were wrong.
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

}  // namespace
