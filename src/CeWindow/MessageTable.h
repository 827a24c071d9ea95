// A window procedure as a table: one small handler per message, found by the message's number.
#pragma once

#include <windows.h>

#include <span>

namespace ce::win {

// One message's handler, with a window procedure's parameters and result.
struct MessageHandler {
    UINT message;
    WNDPROC handle;
};

// Hands the message to its handler in `table`; a message without one goes to DefWindowProcW.
inline LRESULT DispatchMessageTo(std::span<const MessageHandler> table, HWND hwnd, UINT msg,
                                 WPARAM wParam, LPARAM lParam) {
    for (const MessageHandler& handler : table) {
        if (handler.message == msg) return handler.handle(hwnd, msg, wParam, lParam);
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace ce::win
