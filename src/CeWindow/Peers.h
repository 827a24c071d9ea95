// The peer channel: how the window systems of the processes on one device see each other's
// top-level windows and ask each other to bring a window forward.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ce::win {

// Publishes this process's top-level windows (handle and class name) so that FindWindowW in
// other processes on the same device sees them. Called by the window system whenever the set
// of top-level windows changes. Empty list: nothing published.
void PublishTopLevelWindows(const std::vector<std::pair<HWND, std::u16string>>& windows);
// A top-level window of another live process on the current device whose class name equals
// `className` without regard to case; null when none.
HWND FindPeerWindow(std::u16string_view className);
// Asks the process owning `hwnd` to bring it forward; true when the request was delivered.
bool RequestForeground(HWND hwnd);
// A file descriptor that becomes readable when requests for this process arrive (-1 when the
// channel cannot be opened); the window system polls it in GetMessageW.
int PeerFd();
// Reads pending requests and calls `bringForward` for each window asked for.
void TakePeerRequests(const std::function<void(HWND)>& bringForward);

}  // namespace ce::win
