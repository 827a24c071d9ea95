// The message queue and the message loop: posted and sent messages, keys and taps from the
// terminal or from tests, timers, and the wait for the next of them.
#include <CePlatform/WindowSystemServices.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "Peers.h"
#include "Terminal.h"
#include "WindowSystem.h"

namespace ce::win {

namespace {

class SteadyClock : public screen::Clock {
public:
    uint64_t NowMs() override {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
    }
};

HWND DesktopHandle() { return reinterpret_cast<HWND>(static_cast<uint64_t>(getpid()) << 32); }

// The message of a key event, or false when nobody takes keys now. The soft keys (F1 to F4) are
// the active window's: its soft-key bar's, else the left one presses its caption's OK button;
// without either they go to the focus like any other key.
bool KeyMessage(const KeyEvent& key, MSG* msg) {
    System& sys = Sys();
    HWND target = nullptr;
    const int softKey = SoftKeyOf(key.vk);
    if (sys.keyCapture && FindWindowObject(sys.keyCapture, false)) {
        target = sys.keyCapture;
    } else if (softKey >= 0) {
        if (const HWND bar = ActiveSoftKeyBar()) {
            target = bar;
        } else if (const HWND owner = softKey == 0 ? CaptionOkOwner() : nullptr) {
            if (key.up) return false;
            *msg = CaptionOkCommand(owner);
            return true;
        }
    }
    if (!target) target = sys.focus ? sys.focus : sys.active;
    if (!target || !FindWindowObject(target, false)) return false;
    const bool alt = (key.modifiers & screen::kModAlt) != 0;
    UINT message = key.up ? WM_KEYUP : WM_KEYDOWN;
    if (alt) message = key.up ? WM_SYSKEYUP : WM_SYSKEYDOWN;
    LPARAM lParam = 1;
    if (alt) lParam |= 1 << 29;
    if (key.up) lParam |= static_cast<LPARAM>(3) << 30;
    *msg = MSG{target, message, key.vk, lParam, static_cast<DWORD>(NowMs()), {}};
    sys.keyModifiers = key.modifiers;
    if (message == WM_KEYDOWN) sys.lastKey = {target, key.vk, key.ch};
    return true;
}

// The earliest due time of the timers, or false when there are none.
bool NextTimerDue(uint64_t* due) {
    const auto& timers = Sys().timers;
    if (timers.empty()) return false;
    *due = std::min_element(timers.begin(), timers.end(), [](const Timer& a, const Timer& b) {
               return a.due < b.due;
           })->due;
    return true;
}

// Reads what the terminal and the peer channel have for us, waiting up to `timeoutMs` (-1: for
// ever) when nothing is there.
void PollSources(int timeoutMs) {
    System& sys = Sys();
    pollfd fds[2];
    nfds_t count = 0;
    const int terminalFd = sys.terminal ? sys.terminal->InputFd() : -1;
    const int peerFd = PeerFd();
    if (terminalFd >= 0) fds[count++] = pollfd{terminalFd, POLLIN, 0};
    if (peerFd >= 0) fds[count++] = pollfd{peerFd, POLLIN, 0};
    if (count == 0 && timeoutMs == 0) return;
    const int ready = poll(fds, count, timeoutMs);
    if (ready < 0 && errno != EINTR) return;
    if (sys.terminal) {
        // Also after EINTR: a resize of the terminal interrupts the wait.
        bool resized = false;
        sys.terminal->ReadInput(&sys.input, &resized);
        if (resized) {
            int columns = 0;
            int rows = 0;
            sys.terminal->Size(&columns, &rows);
            Relayout(columns, rows);
        }
    }
    if (peerFd >= 0 && ready > 0) {
        TakePeerRequests([](HWND hwnd) { SetForegroundWindow(hwnd); });
    }
}

}  // namespace

System& Sys() {
    static auto* system = new System;  // never destroyed: windows may be used during exit
    return *system;
}

void EnsureStarted() {
    System& sys = Sys();
    if (sys.started) return;
    sys.started = true;
    RegisterDialogClass();
    if (!sys.clock) sys.clock = std::make_shared<SteadyClock>();
    if (!sys.headlessForced) {
        sys.terminal = Terminal::Open(&sys.terminalProblem);
        if (sys.terminal) sys.terminal->Size(&sys.columns, &sys.rows);
    }
    sys.dirty = true;
}

uint64_t NowMs() {
    System& sys = Sys();
    if (!sys.clock) sys.clock = std::make_shared<SteadyClock>();
    return sys.clock->NowMs();
}

void MarkDirty() { Sys().dirty = true; }

void RemoveTimersOf(HWND hwnd) {
    std::erase_if(Sys().timers, [hwnd](const Timer& timer) { return timer.hwnd == hwnd; });
}

namespace {

// A posted message, else the quit message when one is pending.
bool TakeQueued(MSG* msg, bool remove) {
    System& sys = Sys();
    if (!sys.posted.empty()) {
        *msg = sys.posted.front();
        if (remove) sys.posted.pop_front();
        return true;
    }
    if (!sys.quitPending) return false;
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(sys.quitCode), 0, static_cast<DWORD>(NowMs()),
               {}};
    if (remove) sys.quitPending = false;
    return true;
}

// The message of the first key or stylus event that a window takes; events that none takes are
// dropped.
bool TakeInput(MSG* msg, bool remove) {
    System& sys = Sys();
    while (!sys.input.empty()) {
        const InputEvent event = sys.input.front();
        const auto* key = std::get_if<KeyEvent>(&event);
        const bool taken =
            key ? KeyMessage(*key, msg) : StylusMessage(std::get<StylusEvent>(event), remove, msg);
        if (!taken) {
            sys.input.pop_front();
            continue;
        }
        if (remove) {
            sys.input.pop_front();
        } else {
            sys.lastKey = {};
        }
        return true;
    }
    return false;
}

// WM_TIMER of the first timer that is due; taking it sets its next due time.
bool TakeDueTimer(MSG* msg, bool remove) {
    const uint64_t now = NowMs();
    for (Timer& timer : Sys().timers) {
        if (timer.due > now) continue;
        *msg = MSG{timer.hwnd,
                   WM_TIMER,
                   timer.id,
                   reinterpret_cast<LPARAM>(timer.proc),
                   static_cast<DWORD>(now),
                   {}};
        if (remove) timer.due = now + timer.period;
        return true;
    }
    return false;
}

// Waiting under the tests' manual clock, without a terminal: time jumps to the next timer. With no
// timer and nothing else to come the loop would wait for ever: unless the starved hook brings
// something, *msg becomes WM_QUIT with kStarvedExitCode and the result is true.
bool WaitOnManualClock(MSG* msg) {
    System& sys = Sys();
    uint64_t due = 0;
    if (NextTimerDue(&due)) {
        if (due > sys.manualClock->NowMs()) sys.manualClock->Set(due);
        PollSources(0);
        return false;
    }
    PollSources(0);
    if (!sys.posted.empty() || !sys.input.empty() || sys.quitPending) return false;
    if (sys.starvedHook && sys.starvedHook()) return false;
    ++sys.starvedCount;
    *msg = MSG{nullptr,
               WM_QUIT,
               static_cast<WPARAM>(screen::kStarvedExitCode),
               0,
               static_cast<DWORD>(NowMs()),
               {}};
    return true;
}

// Waits for input, a peer's request or the next timer (a minute at most).
void WaitForSources() {
    uint64_t due = 0;
    int timeout = -1;
    if (NextTimerDue(&due)) {
        const uint64_t now = NowMs();
        timeout = due <= now ? 0 : static_cast<int>(std::min<uint64_t>(due - now, 60000));
    }
    PollSources(timeout);
}

}  // namespace

bool TakeMessage(MSG* msg, bool remove, bool wait) {
    EnsureStarted();
    System& sys = Sys();
    PollSources(0);
    for (;;) {
        if (TakeQueued(msg, remove) || TakeInput(msg, remove) || TakeDueTimer(msg, remove)) {
            return true;
        }
        if (!wait) return false;
        RenderIfDirty();
        if (!sys.manualClock || sys.terminal) {
            WaitForSources();
        } else if (WaitOnManualClock(msg)) {
            return true;
        }
    }
}

MSG CaptionOkCommand(HWND owner) {
    return MSG{owner, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0, static_cast<DWORD>(NowMs()), {}};
}

bool RunModalLoop(HWND dialog, const std::function<bool()>& done) {
    MSG msg{};
    while (!done()) {
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (dialog && FindWindowObject(dialog, false) && IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

}  // namespace ce::win

using namespace ce::win;

extern "C" {

HWND WINAPI GetDesktopWindow(void) { return DesktopHandle(); }

BOOL WINAPI GetMessageW(LPMSG lpMsg, HWND /*hWnd*/, UINT /*wMsgFilterMin*/,
                        UINT /*wMsgFilterMax*/) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    TakeMessage(lpMsg, true, true);
    return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WINAPI PeekMessageW(LPMSG lpMsg, HWND /*hWnd*/, UINT /*wMsgFilterMin*/, UINT /*wMsgFilterMax*/,
                         UINT wRemoveMsg) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TakeMessage(lpMsg, (wRemoveMsg & PM_REMOVE) != 0, false) ? TRUE : FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    System& sys = Sys();
    if (!lpMsg || (lpMsg->message != WM_KEYDOWN && lpMsg->message != WM_SYSKEYDOWN)) {
        return FALSE;
    }
    const auto key = sys.lastKey;
    sys.lastKey = {};
    if (!key.ch || key.hwnd != lpMsg->hwnd || key.vk != lpMsg->wParam) return FALSE;
    const UINT message = lpMsg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    sys.posted.push_front(MSG{lpMsg->hwnd, message, key.ch, lpMsg->lParam, lpMsg->time, {}});
    return TRUE;
}

LRESULT WINAPI DispatchMessageW(const MSG* lpMsg) {
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        // Only a procedure that a running timer was set with is called: a WM_TIMER posted with
        // any other lParam is dropped.
        const auto& timers = Sys().timers;
        auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        if (std::none_of(timers.begin(), timers.end(),
                         [proc](const Timer& timer) { return timer.proc == proc; })) {
            return 0;
        }
        proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, lpMsg->time);
        MarkDirty();
        return 0;
    }
    if (!lpMsg->hwnd) return 0;
    if (!FindWindowObject(lpMsg->hwnd)) return 0;
    return CallProc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

BOOL WINAPI PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    System& sys = Sys();
    const DWORD time = static_cast<DWORD>(NowMs());
    if (hWnd == HWND_BROADCAST) {
        for (HWND top : sys.topLevels)
            sys.posted.push_back(MSG{top, Msg, wParam, lParam, time, {}});
        return TRUE;
    }
    if (hWnd && !FindWindowObject(hWnd)) return FALSE;
    sys.posted.push_back(MSG{hWnd, Msg, wParam, lParam, time, {}});
    return TRUE;
}

LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == HWND_BROADCAST || hWnd == DesktopHandle()) {
        // The journal is a record for observers; a failing write does not fail the broadcast.
        if (Msg == WM_SETTINGCHANGE) ce::JournalEvent("settings change (WM_SETTINGCHANGE)");
        if (hWnd == HWND_BROADCAST) {
            const std::vector<HWND> tops = Sys().topLevels;
            for (HWND top : tops) CallProc(top, Msg, wParam, lParam);
        }
        return 0;
    }
    if (!FindWindowObject(hWnd)) return 0;
    return CallProc(hWnd, Msg, wParam, lParam);
}

void WINAPI PostQuitMessage(int nExitCode) {
    System& sys = Sys();
    sys.quitPending = true;
    sys.quitCode = nExitCode;
}

short WINAPI GetKeyState(int nVirtKey) {
    const unsigned modifiers = Sys().keyModifiers;
    unsigned wanted = 0;
    if (nVirtKey == VK_SHIFT) wanted = ce::screen::kModShift;
    if (nVirtKey == VK_MENU) wanted = ce::screen::kModAlt;
    if (nVirtKey == VK_CONTROL) wanted = ce::screen::kModControl;
    return (modifiers & wanted) ? static_cast<short>(0x8000) : 0;
}

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    System& sys = Sys();
    if (hWnd && !FindWindowObject(hWnd)) return 0;
    const UINT period = std::max<UINT>(uElapse, 1);
    const uint64_t due = NowMs() + period;
    UINT_PTR id = nIDEvent;
    if (!hWnd) {
        const bool running = std::any_of(sys.timers.begin(), sys.timers.end(), [&](const Timer& t) {
            return !t.hwnd && t.id == nIDEvent;
        });
        if (!running) id = sys.nextThreadTimer++;
    }
    for (Timer& timer : sys.timers) {
        if (timer.hwnd == hWnd && timer.id == id) {
            timer.period = period;
            timer.proc = lpTimerFunc;
            timer.due = due;
            return id;
        }
    }
    sys.timers.push_back(Timer{hWnd, id, period, lpTimerFunc, due});
    return id;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    System& sys = Sys();
    const size_t removed = std::erase_if(
        sys.timers, [&](const Timer& timer) { return timer.hwnd == hWnd && timer.id == uIDEvent; });
    std::erase_if(sys.posted, [&](const MSG& msg) {
        return msg.message == WM_TIMER && msg.hwnd == hWnd && msg.wParam == uIDEvent;
    });
    if (!removed) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
