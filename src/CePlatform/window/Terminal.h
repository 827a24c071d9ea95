// The terminal behind the screen, drawn with ncurses: opened when the program starts showing
// windows with standard input and output on a terminal, restored when the program ends (also on
// a fatal signal).
#pragma once

#include <CePlatform/Screen.h>

#include <deque>
#include <memory>
#include <vector>

#include "window/WindowSystem.h"

namespace ce::win {

class Terminal {
public:
    // The terminal, or null when standard input or output is not one (or it cannot be set up).
    static std::unique_ptr<Terminal> Open();
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // The descriptor that becomes readable when a key arrives.
    int InputFd() const;
    void Size(int* columns, int* rows) const;
    bool HasColors() const;
    // Appends the keys that have arrived; sets *resized when the terminal changed its size.
    void ReadKeys(std::deque<KeyEvent>* keys, bool* resized);
    // Draws the composed screen; the caret is hidden when caretX is negative.
    void Render(const std::vector<screen::Cell>& cells, int columns, int rows, int caretX,
                int caretY);

private:
    Terminal() = default;
};

}  // namespace ce::win
