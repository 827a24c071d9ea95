// Windows of two processes on one device: FindWindowW in one process finds the other's top-level
// windows by class name, and SetForegroundWindow on such a window brings it forward in its own
// process. Beneath them, the peer channel: class names of any characters, dead publishers never
// found, requests to the owner only, one device's scope.
#include <CePlatform/Screen.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <windows.h>

#include <filesystem>

#include "CePlatform/window/ForkedChild.h"
#include "support/TempDevice.h"
#include "window/Peers.h"

namespace {

using test::ForkedChild;

int64_t AsNumber(HWND hwnd) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(hwnd)); }
HWND AsHandle(int64_t value) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(value)); }

// A window handle of this process, as the window system makes them.
HWND OwnHandle(uint64_t serial) {
    return AsHandle(static_cast<int64_t>((static_cast<uint64_t>(getpid()) << 32) | (serial << 4)));
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A child that publishes a frame of class `name` and a second window, reports the frame's handle
// and then, on each signal, waits for one foreground request and reports the handle asked for.
ForkedChild::Body Publisher(std::u16string name = u"Quenvale") {
    return [name](ForkedChild& self) -> int64_t {
        const HWND frame = OwnHandle(1);
        ce::win::PublishTopLevelWindows({{frame, name}, {OwnHandle(2), u"Other Class"}});
        self.Report(AsNumber(frame));
        while (self.AwaitSignal()) {
            pollfd fd{ce::win::PeerFd(), POLLIN, 0};
            if (poll(&fd, 1, 10000) != 1) return -1;
            std::vector<HWND> asked;
            ce::win::TakePeerRequests([&asked](HWND hwnd) { asked.push_back(hwnd); });
            self.Report(asked.size() == 1 ? AsNumber(asked[0]) : -int64_t(asked.size()));
        }
        return 0;
    };
}

// A child with a window system of its own (nothing of the parent's) that reports what
// FindWindowW gives for `className`, then, on each signal, the result of SetForegroundWindow on
// that window with its lowest bit set.
int64_t Finder(ForkedChild& self, const char16_t* className) {
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

class CrossProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ce::screen::UseHeadlessScreen(40, 12);
        for (const char16_t* name : {u"FirstClass", u"SecondClass"}) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = PlainProc;
            wc.lpszClassName = name;
            RegisterClassW(&wc);  // already there after the first test: that is fine
        }
    }

    static HWND Create(const char16_t* className, const char16_t* title) {
        return CreateWindowExW(0, className, title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    }

    test::TempDevice device_;
};

TEST_F(CrossProcessTest, AnotherProcessFindsTheWindowAndBringsItForwardWhileItLives) {
    const HWND first = Create(u"FirstClass", u"First");
    const HWND second = Create(u"SecondClass", u"Second");
    ASSERT_NE(nullptr, first);
    ASSERT_EQ(second, GetForegroundWindow());
    {
        ForkedChild finder(device_.Folder(),
                           [](ForkedChild& self) { return Finder(self, u"NoSuchClass"); });
        EXPECT_EQ(-ERROR_FILE_NOT_FOUND, finder.Next());
    }
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

    ASSERT_TRUE(DestroyWindow(first));
    finder.Signal();
    EXPECT_EQ(FALSE, finder.Next());  // the window is gone: not found, nothing brought forward
}

TEST_F(CrossProcessTest, PeerClassNamesOfAnyCharactersAreFoundOnTheirDeviceOnly) {
    const std::u16string odd = u"a%41 b\nc\u00e9\U0001F600";
    ForkedChild publisher(device_.Folder(), Publisher(odd));
    const HWND window = AsHandle(publisher.Next());
    EXPECT_EQ(window, ce::win::FindPeerWindow(odd));
    EXPECT_EQ(nullptr, ce::win::FindPeerWindow(u"aA b"));
    {
        test::TempDevice other;
        EXPECT_EQ(nullptr, ce::win::FindPeerWindow(odd));
        EXPECT_FALSE(ce::win::RequestForeground(window));
    }
    ce::UseDevice(device_.Folder());
    EXPECT_EQ(window, ce::win::FindPeerWindow(odd));
}

TEST_F(CrossProcessTest, PeerRequestsReachTheOwnerOnlyAndDeadPeersAreNotFound) {
    ForkedChild publisher(device_.Folder(), Publisher());
    const HWND frame = AsHandle(publisher.Next());
    ASSERT_NE(nullptr, frame);
    // With the lowest bit set ("with its owned windows") the request names the window itself.
    publisher.Signal();
    EXPECT_TRUE(ce::win::RequestForeground(AsHandle(AsNumber(frame) | 1)));
    EXPECT_EQ(AsNumber(frame), publisher.Next());
    // Windows that the owner did not publish, and this process's own, are refused.
    EXPECT_FALSE(ce::win::RequestForeground(AsHandle(AsNumber(frame) + 0x100)));
    EXPECT_FALSE(ce::win::RequestForeground(OwnHandle(1)));
    EXPECT_FALSE(ce::win::RequestForeground(nullptr));
    int calls = 0;  // nothing is waiting for this process
    ce::win::TakePeerRequests([&calls](HWND) { ++calls; });
    EXPECT_EQ(0, calls);

    publisher.Finish();
    EXPECT_EQ(nullptr, ce::win::FindPeerWindow(u"Quenvale"));
    ForkedChild killed(device_.Folder(), Publisher());
    const HWND killedFrame = AsHandle(killed.Next());
    killed.Kill();
    EXPECT_EQ(nullptr, ce::win::FindPeerWindow(u"Quenvale"));
    EXPECT_FALSE(ce::win::RequestForeground(killedFrame));
    // What the dead left behind is cleared away by the look-up.
    EXPECT_TRUE(std::filesystem::is_empty(device_.Folder() / "run" / "windows"));
}

}  // namespace
