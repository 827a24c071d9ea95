// The terminal behind the screen, drawn with ncurses, with its mouse as the stylus: opened when
// the program starts showing windows with standard input and output on a terminal, restored when
// the program ends (also on a fatal signal).
#pragma once

#include <CeWindow/Screen.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "WindowSystem.h"

namespace ce::win {

class Terminal {
public:
    // The terminal, or null when there is no usable one: standard input or output is not a
    // terminal, TERM is unset, names an unknown type or a terminal that cannot place its cursor
    // ("dumb"); *whyNot then says so in a few words.
    static std::unique_ptr<Terminal> Open(std::string* whyNot);
    // Whether Open would find a usable terminal, without taking it.
    static bool Usable(std::string* whyNot);
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // The descriptor that becomes readable when a key arrives.
    int InputFd() const;
    void Size(int* columns, int* rows) const;
    bool HasColors() const;
    // Appends the keys and the mouse's events (the stylus's) that have arrived, in order; sets
    // *resized when the terminal changed its size.
    void ReadInput(std::deque<InputEvent>* input, bool* resized);
    // Draws the composed screen; the caret is hidden when caretX is negative. Under a locale
    // without UTF-8 the lines, arrows, blocks and marks are drawn as ASCII.
    void Render(const std::vector<screen::Cell>& cells, int columns, int rows, int caretX,
                int caretY);

private:
    Terminal() = default;
};

}  // namespace ce::win
