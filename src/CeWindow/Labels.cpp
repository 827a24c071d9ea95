// Where labels draw: their own cells, or the free cells beside them when their text is wider.
#include <algorithm>

#include "WindowSystem.h"

namespace ce::win {

namespace {

// The free cells left and right of a child window on its rows, up to its parent's edge or to the
// nearest visible sibling (then `sibling...` is true).
struct Beside {
    int left = 0;
    int right = 0;
    bool siblingLeft = false;
    bool siblingRight = false;
};

Beside FreeCellsBeside(HWND hwnd) {
    const Window* window = FindWindowObject(hwnd, false);
    const Window* parent =
        window && window->IsChild() ? FindWindowObject(window->parent, false) : nullptr;
    if (!parent) return {};
    const RECT self = PixelsToCells(ScreenRect(*window));
    const RECT area = PixelsToCells(ScreenRect(*parent));
    Beside beside{std::max<int>(0, self.left - area.left),
                  std::max<int>(0, area.right - self.right)};
    for (HWND sibling : parent->children) {
        const Window* other = FindWindowObject(sibling, false);
        if (!other || sibling == hwnd || !(other->style & WS_VISIBLE)) continue;
        const RECT cells = PixelsToCells(ScreenRect(*other));
        if (cells.right <= cells.left || cells.bottom <= self.top || cells.top >= self.bottom) {
            continue;
        }
        if (cells.left >= self.right && cells.left - self.right <= beside.right) {
            beside.right = cells.left - self.right;
            beside.siblingRight = true;
        } else if (cells.right <= self.left && self.left - cells.right <= beside.left) {
            beside.left = self.left - cells.right;
            beside.siblingLeft = true;
        }
    }
    return beside;
}

}  // namespace

LabelSpan PlaceLabel(HWND hwnd, Canvas& canvas, Align align, const std::function<bool(int)>& fits) {
    const int columns = canvas.Width();
    if (columns <= 0 || canvas.Height() <= 0) return {};  // a control without a size shows nothing
    const Beside beside = FreeCellsBeside(hwnd);
    LabelSpan span;
    LabelSpan widest;
    // First with a blank cell kept before a neighbouring sibling, then without; a label that
    // fits neither way keeps the blank.
    for (const bool keepGap : {true, false}) {
        const int firstLimit = -(beside.left - (keepGap && beside.siblingLeft ? 1 : 0));
        const int endLimit = columns + beside.right - (keepGap && beside.siblingRight ? 1 : 0);
        int first = std::max(0, firstLimit);
        int end = std::min(columns, endLimit);
        bool rightward = align != Align::kRight;
        while (!fits(end - first)) {
            const bool canRight = end < endLimit;
            const bool canLeft = first > firstLimit;
            if (!canRight && !canLeft) break;
            if (canRight && (rightward || !canLeft)) {
                ++end;
            } else {
                --first;
            }
            if (align == Align::kCentre) rightward = !rightward;
        }
        span = LabelSpan{first, std::max(0, end - first)};
        if (fits(span.width)) break;
        if (keepGap) widest = span;
        span = widest;
    }
    canvas.Widen(std::max(0, -span.first), std::max(0, span.first + span.width - columns));
    return span;
}

}  // namespace ce::win
