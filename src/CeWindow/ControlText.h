// What the system controls share: their state object, word wrapping to a width in cells and the
// '&' mnemonic marks of control labels.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Window.h"

namespace ce::win {

// The control's state of type T, created on first use. When the window cannot hold it (a handle
// that is no longer valid), a blank state that nothing keeps is used, so that a late message
// never touches freed memory.
template <typename T>
T& ControlState(HWND hwnd) {
    if (T* data = GetControlDataAs<T>(hwnd)) return *data;
    auto fresh = std::make_unique<T>();
    T* kept = fresh.get();
    if (SetControlData(hwnd, std::move(fresh))) return *kept;
    static T detached;
    detached = T{};
    return detached;
}

// One line of wrapped text: `length` characters from `start`; the next line starts at `next`
// (after the line break characters of a hard break, or right after the line for a soft one).
struct TextLine {
    size_t start = 0;
    size_t length = 0;
    size_t next = 0;
};

// Splits `text` into lines of at most `width` cells (at least 1): at "\r\n", "\n" and "\r", and
// after the last blank that fits; a word longer than the width is cut. The blanks at a soft break
// stay at the end of the line they follow (and hang past the width, undrawn). Always at least one
// line; the last line's `next` is the text's length.
std::vector<TextLine> WrapText(std::u16string_view text, int width);

// The text without its mnemonic marks: "&x" shows "x", "&&" shows "&". `marked` (optional) gets
// the index in the result of the marked character, or npos.
std::u16string StripMnemonic(std::u16string_view text, size_t* marked = nullptr);

}  // namespace ce::win
