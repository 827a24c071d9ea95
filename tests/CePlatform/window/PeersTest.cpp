// The peer channel between processes on one device (FindWindowW and SetForegroundWindow across
// processes are tested through the window system in CrossProcessTest): class names of any
// characters, dead publishers never found, requests to the owner only, one device's scope.
#include "window/Peers.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <filesystem>

#include "CePlatform/window/ForkedChild.h"
#include "support/TempDevice.h"

namespace {

using test::ForkedChild;

// A window handle of this process, as the window system makes them.
HWND OwnHandle(uint64_t serial) {
    return reinterpret_cast<HWND>(
        static_cast<uintptr_t>((static_cast<uint64_t>(getpid()) << 32) | (serial << 4)));
}

int64_t AsNumber(HWND hwnd) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(hwnd)); }
HWND AsHandle(int64_t value) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(value)); }

// A child that publishes a frame "Quenvale" and a second window, reports the frame's handle and
// then, on each signal, waits for one foreground request and reports the handle asked for.
int64_t Publisher(ForkedChild& self) {
    const HWND frame = OwnHandle(1);
    ce::win::PublishTopLevelWindows({{frame, u"Quenvale"}, {OwnHandle(2), u"Other Class"}});
    self.Report(AsNumber(frame));
    while (self.AwaitSignal()) {
        pollfd fd{ce::win::PeerFd(), POLLIN, 0};
        if (poll(&fd, 1, 10000) != 1) return -1;
        std::vector<HWND> asked;
        ce::win::TakePeerRequests([&asked](HWND hwnd) { asked.push_back(hwnd); });
        self.Report(asked.size() == 1 ? AsNumber(asked[0]) : -static_cast<int64_t>(asked.size()));
    }
    return 0;
}

class PeersTest : public ::testing::Test {
protected:
    test::TempDevice device_;
};

TEST_F(PeersTest, ClassNamesSurviveTheirWayThroughTheList) {
    const std::u16string odd = u"a%41 b\nc\u00e9\U0001F600";
    ForkedChild publisher(device_.Folder(), [&odd](ForkedChild&) {
        ce::win::PublishTopLevelWindows({{OwnHandle(1), odd}});
        return AsNumber(OwnHandle(1));
    });
    const HWND window = AsHandle(publisher.Next());
    EXPECT_EQ(window, ce::win::FindPeerWindow(odd));
    EXPECT_EQ(nullptr, ce::win::FindPeerWindow(u"aA b"));
}

TEST_F(PeersTest, ExitedOrKilledPublishersAreNotFound) {
    ForkedChild exiting(device_.Folder(), Publisher);
    ASSERT_NE(-1, exiting.Next());
    exiting.Finish();
    EXPECT_EQ(nullptr, ce::win::FindPeerWindow(u"Quenvale"));

    ForkedChild killed(device_.Folder(), Publisher);
    const HWND frame = AsHandle(killed.Next());
    killed.Kill();
    EXPECT_EQ(nullptr, ce::win::FindPeerWindow(u"Quenvale"));
    EXPECT_FALSE(ce::win::RequestForeground(frame));

    // What the dead left behind is cleared away by the look-up.
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(device_.Folder() / "run" / "windows")) {
        ++files;
    }
    EXPECT_EQ(0u, files);
}

TEST_F(PeersTest, ForegroundRequestsReachTheOwnerOnly) {
    ForkedChild publisher(device_.Folder(), Publisher);
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

    // Nothing is waiting for this process.
    int calls = 0;
    ce::win::TakePeerRequests([&calls](HWND) { ++calls; });
    EXPECT_EQ(0, calls);
}

TEST_F(PeersTest, PublishedWindowsBelongToOneDevice) {
    ForkedChild publisher(device_.Folder(), Publisher);
    const HWND frame = AsHandle(publisher.Next());
    {
        test::TempDevice other;
        EXPECT_EQ(nullptr, ce::win::FindPeerWindow(u"Quenvale"));
        EXPECT_FALSE(ce::win::RequestForeground(frame));
    }
    ce::UseDevice(device_.Folder());
    EXPECT_EQ(frame, ce::win::FindPeerWindow(u"Quenvale"));
}

}  // namespace
