// Windows of two processes on one device: FindWindowW in one process finds the other's top-level
// windows by class name, and SetForegroundWindow on such a window brings it forward in its own
// process.
#include <CePlatform/Screen.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "CePlatform/window/ForkedChild.h"
#include "support/TempDevice.h"

namespace {

using test::ForkedChild;

int64_t AsNumber(HWND hwnd) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(hwnd)); }
HWND AsHandle(int64_t value) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(value)); }

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class CrossProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ce::screen::UseHeadlessScreen(40, 12);
        for (const char16_t* name : {u"FirstClass", u"SecondClass"}) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = PlainProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = name;
            RegisterClassW(&wc);  // already there after the first test: that is fine
        }
    }
    void TearDown() override { ce::screen::UseHeadlessScreen(40, 12); }

    static HWND Create(const char16_t* className, const char16_t* title) {
        return CreateWindowExW(0, className, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }

    // A child process that starts with a window system of its own (nothing of the parent's) and
    // reports what FindWindowW gives for `className`, then, on each signal, the result of
    // SetForegroundWindow on that window with its lowest bit set.
    static int64_t Finder(ForkedChild& self, const char16_t* className) {
        ce::screen::UseHeadlessScreen(40, 12);
        SetLastError(0xDEADBEEF);
        const HWND found = FindWindowW(className, nullptr);
        self.Report(found ? AsNumber(found) : -static_cast<int64_t>(GetLastError()));
        while (self.AwaitSignal()) {
            const HWND target = FindWindowW(className, nullptr);
            self.Report(SetForegroundWindow(AsHandle(AsNumber(target) | 1)));
        }
        return 0;
    }

    test::TempDevice device_;
};

TEST_F(CrossProcessTest, AnotherProcessFindsTheWindowAndBringsItForward) {
    const HWND first = Create(u"FirstClass", u"First");
    const HWND second = Create(u"SecondClass", u"Second");
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    ASSERT_EQ(second, GetForegroundWindow());
    EXPECT_NE(std::string::npos, ce::screen::RowUtf8(0).find("Second"));

    ForkedChild finder(device_.Folder(),
                       [](ForkedChild& self) { return Finder(self, u"FIRSTCLASS"); });
    EXPECT_EQ(AsNumber(first), finder.Next());

    finder.Signal();
    EXPECT_EQ(TRUE, finder.Next());
    // The request is waiting in this process; the loop takes it and brings the window forward.
    EXPECT_EQ(second, GetForegroundWindow());
    ce::screen::PumpMessages();
    EXPECT_EQ(first, GetForegroundWindow());
    EXPECT_EQ(first, GetActiveWindow());
    EXPECT_NE(std::string::npos, ce::screen::RowUtf8(0).find("First")) << ce::screen::RowUtf8(0);
}

TEST_F(CrossProcessTest, DestroyedWindowsAndUnknownClassesAreNotFound) {
    const HWND first = Create(u"FirstClass", u"First");
    ASSERT_NE(nullptr, first);
    {
        ForkedChild finder(device_.Folder(),
                           [](ForkedChild& self) { return Finder(self, u"NoSuchClass"); });
        EXPECT_EQ(-ERROR_FILE_NOT_FOUND, finder.Next());
    }
    ForkedChild finder(device_.Folder(),
                       [](ForkedChild& self) { return Finder(self, u"FirstClass"); });
    EXPECT_EQ(AsNumber(first), finder.Next());

    ASSERT_TRUE(DestroyWindow(first));
    finder.Signal();
    EXPECT_EQ(FALSE, finder.Next());  // the window is gone: not found, nothing brought forward
}

}  // namespace
