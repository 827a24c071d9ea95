// Named mutexes: creation and opening within one process and across forked processes, lifetime
// bound to the holders (closed, exited or killed), case-insensitive names, one device's scope.
#include <CePlatform/Device.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "CePlatform/window/ForkedChild.h"
#include "support/TempDevice.h"

namespace {

constexpr DWORD kJunk = 0xDEADBEEF;

// CreateMutexW with the last error preset to junk, so that an untouched one is caught.
HANDLE Create(LPCWSTR name, DWORD* error) {
    SetLastError(kJunk);
    HANDLE handle = CreateMutexW(nullptr, FALSE, name);
    *error = GetLastError();
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

TEST_F(MutexTest, SecondCreateInOneProcessFindsTheFirstWhateverTheCase) {
    DWORD error = 0;
    HANDLE first = Create(u"Quenvale", &error);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, error);

    HANDLE second = Create(u"QUENVALE", &error);
    ASSERT_NE(nullptr, second);
    EXPECT_NE(first, second);
    EXPECT_EQ(DWORD{ERROR_ALREADY_EXISTS}, error);

    HANDLE other = Create(u"Quenvale2", &error);
    ASSERT_NE(nullptr, other);
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, error);

    // It lives until its last handle is closed.
    EXPECT_TRUE(CloseHandle(first));
    HANDLE third = Create(u"quenvale", &error);
    EXPECT_EQ(DWORD{ERROR_ALREADY_EXISTS}, error);
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(CloseHandle(third));
    HANDLE fresh = Create(u"Quenvale", &error);
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, error);

    EXPECT_TRUE(CloseHandle(fresh));
    EXPECT_TRUE(CloseHandle(other));

    // Unnamed mutexes are private objects.
    HANDLE unnamed = Create(nullptr, &error);
    ASSERT_NE(nullptr, unnamed);
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, error);
    EXPECT_NE(nullptr, Create(u"", &error));
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, error);
    EXPECT_TRUE(CloseHandle(unnamed));
    SetLastError(kJunk);
    EXPECT_FALSE(CloseHandle(fresh));
    EXPECT_EQ(DWORD{ERROR_INVALID_HANDLE}, GetLastError());
}

TEST_F(MutexTest, NamesThatDifferOnlyInPunctuationOrLengthAreDistinct) {
    // Names that an escaping or a hash of the name could confuse.
    const std::u16string longName(300, u'x');
    std::u16string longOther = longName;
    longOther.back() = u'y';
    const std::vector<std::u16string> names = {u"a/b", u"a\\b",          u"a%2Fb", u"a b",
                                               u"..",  u"\u00e9t\u00e9", longName, longOther};
    std::vector<HANDLE> handles;
    for (const auto& name : names) {
        DWORD error = 0;
        handles.push_back(Create(name.c_str(), &error));
        ASSERT_NE(nullptr, handles.back());
        EXPECT_EQ(DWORD{ERROR_SUCCESS}, error) << handles.size();
    }
    DWORD error = 0;
    HANDLE again = Create(u"\u00c9T\u00c9", &error);  // upper case of a Latin-1 name
    EXPECT_EQ(DWORD{ERROR_ALREADY_EXISTS}, error);
    handles.push_back(again);
    again = Create(std::u16string(300, u'X').c_str(), &error);
    EXPECT_EQ(DWORD{ERROR_ALREADY_EXISTS}, error);
    handles.push_back(again);
    for (HANDLE handle : handles) EXPECT_TRUE(CloseHandle(handle));
}

TEST_F(MutexTest, ScopedToTheCurrentDevice) {
    DWORD error = 0;
    HANDLE here = Create(u"Quenvale", &error);
    ASSERT_NE(nullptr, here);
    {
        test::TempDevice other;
        HANDLE there = Create(u"Quenvale", &error);
        ASSERT_NE(nullptr, there);
        EXPECT_EQ(DWORD{ERROR_SUCCESS}, error);
        EXPECT_TRUE(CloseHandle(there));
    }
    ce::UseDevice(device_.Folder());
    EXPECT_TRUE(CloseHandle(here));
}

TEST_F(MutexTest, WithoutADeviceFailsWithNotReady) {
    ce::CloseDevice();
    setenv("CE_DEVICE", (device_.Folder() / "missing").c_str(), 1);
    DWORD error = 0;
    EXPECT_EQ(nullptr, Create(u"Quenvale", &error));
    EXPECT_EQ(DWORD{ERROR_NOT_READY}, error);
    unsetenv("CE_DEVICE");
    ce::UseDevice(device_.Folder());
}

TEST_F(MutexTest, AnotherProcessSeesItExactlyWhileItsHolderLives) {
    DWORD error = 0;
    for (const bool kill : {false, true}) {
        test::ForkedChild holder(device_.Folder(), Creates(u"Quenvale"));
        ASSERT_EQ(ERROR_SUCCESS, holder.Next());
        HANDLE handle = Create(u"quenVALE", &error);
        ASSERT_NE(nullptr, handle);
        EXPECT_EQ(DWORD{ERROR_ALREADY_EXISTS}, error);
        EXPECT_TRUE(CloseHandle(handle));
        if (kill) {
            holder.Kill();
        } else {
            holder.Finish();
        }
    }
    // Nothing is left behind: the next creator creates it, and the next process sees that.
    HANDLE handle = Create(u"Quenvale", &error);
    ASSERT_NE(nullptr, handle);
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, error);
    test::ForkedChild second(device_.Folder(), Creates(u"Quenvale"));
    EXPECT_EQ(ERROR_ALREADY_EXISTS, second.Next());
    EXPECT_TRUE(CloseHandle(handle));
}

TEST_F(MutexTest, AForkedChildDoesNotInheritTheParentsHandles) {
    DWORD error = 0;
    HANDLE handle = Create(u"Quenvale", &error);
    ASSERT_NE(nullptr, handle);
    // Whatever the child does with the handle value it was forked with, the parent's mutex stays;
    // and the child, which lives on, does not keep it in existence.
    test::ForkedChild child(device_.Folder(), [handle](test::ForkedChild&) -> int64_t {
        CloseHandle(handle);
        HANDLE own = CreateMutexW(nullptr, FALSE, u"Quenvale");
        const DWORD result = GetLastError();
        CloseHandle(own);
        return result;
    });
    EXPECT_EQ(ERROR_ALREADY_EXISTS, child.Next());

    EXPECT_TRUE(CloseHandle(handle));
    handle = Create(u"Quenvale", &error);
    EXPECT_EQ(DWORD{ERROR_SUCCESS}, error);
    EXPECT_TRUE(CloseHandle(handle));
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
    DWORD error = 0;
    HANDLE keeper = Create(u"Busy", &error);
    ASSERT_NE(nullptr, keeper);
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
