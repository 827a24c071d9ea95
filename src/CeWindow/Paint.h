// Drawing of windows into the composed screen. The composer walks the windows from the bottom of
// the z-order to the top and calls the painter of each visible window's class with a Canvas
// clipped to the window (and to its ancestors); then, above everything, the overlay painters of
// the windows that asked for one (SetOverlay, Window.h) with a canvas clipped to the screen only.
// A window whose class has no painter is filled with blanks.
#pragma once

#include <CeWindow/Screen.h>
#include <windows.h>

#include <string_view>
#include <vector>

namespace ce::win {

using screen::Cell;
using screen::kAttrBold;
using screen::kAttrDim;
using screen::kAttrFocus;
using screen::kAttrOverlay;
using screen::kAttrReverse;
using screen::kAttrUnderline;
using screen::kDefaultColor;

enum class PaintLayer {
    kWindow,   // the window itself, clipped to its rectangle
    kOverlay,  // drawn over every window, clipped to the screen (an open drop-down list)
};

// The composed screen: its cells, and for each cell the window that drew it last (null where
// none did, or the shell drew over it).
struct Grid {
    Grid(int columns, int rows)
        : columns(columns),
          rows(rows),
          cells(static_cast<size_t>(columns) * rows),
          owners(cells.size()) {}
    int columns;
    int rows;
    std::vector<Cell> cells;
    std::vector<HWND> owners;
};

// A view of the screen for one window. Coordinates are cells relative to the window's top-left
// cell (they may be negative or beyond the window in the overlay layer); whatever falls outside
// the clip is dropped, so painters never need to check bounds.
class Canvas {
public:
    // Draws for `owner` (null: the shell) into `grid`. `window` and `clip` are in screen cells
    // (right and bottom exclusive). `reach` (default: the clip) is how far Widen may take the
    // clip: the part of the parent that shows.
    Canvas(Grid* grid, HWND owner, RECT window, RECT clip, bool overlay,
           const RECT* reach = nullptr);

    // The window's size in cells.
    int Width() const { return window_.right - window_.left; }
    int Height() const { return window_.bottom - window_.top; }
    // The window's rectangle in screen cells, and the screen's size.
    RECT WindowCells() const { return window_; }
    int ScreenColumns() const { return grid_->columns; }
    int ScreenRows() const { return grid_->rows; }
    // Whether colours can be shown (always in the headless screen, which keeps them).
    bool HasColors() const;

    // One cell. In the overlay layer kAttrOverlay is added.
    void Put(int x, int y, char16_t ch, uint16_t attr = 0, uint32_t fg = kDefaultColor,
             uint32_t bg = kDefaultColor);
    // Text on row y from column x, one cell per character, cut at `maxWidth` cells (-1: no
    // limit but the clip). Returns the number of cells it covered.
    int Text(int x, int y, std::u16string_view text, uint16_t attr = 0, int maxWidth = -1);
    // A rectangle of `ch`.
    void Fill(int x, int y, int width, int height, char16_t ch = u' ', uint16_t attr = 0);
    // The border of a rectangle in box-drawing lines; its inside is left as it is.
    void Frame(int x, int y, int width, int height, uint16_t attr = 0);
    // Shows the terminal's caret at (x, y) of this window; only the focused window's caret is
    // shown.
    void SetCaret(int x, int y);
    // Lets the painter draw `left` columns left and `right` columns right of the window, on its
    // rows, as far as the reach allows (the overflow of a label, see PlaceLabel).
    void Widen(int left, int right);

private:
    Grid* grid_;
    HWND owner_;
    RECT window_;
    RECT clip_;
    RECT reach_;
    bool overlay_;
};

}  // namespace ce::win
