// Bitmaps of a program's resources: parsing of uncompressed BMP data and its reduction to
// character cells (a cell covers 4 x 8 pixels and shows them as two half blocks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ce::win {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// A decoded image, top row first.
struct DibImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // width * height, row-major

    const Rgb& At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The largest width or height accepted, in pixels: far beyond any screen of the device, small
// enough that a hostile header cannot make the decoder allocate without bound.
inline constexpr int kMaxBitmapSide = 8192;

// Decodes an uncompressed 24-bit (or 32-bit) BMP, with or without its 14-byte file header
// (resources store the bitmap without it). Bottom-up and top-down images are accepted. Any
// inconsistency (bad magic, unsupported depth or compression, sizes or offsets outside the data)
// gives no image.
std::optional<DibImage> ParseBmp(std::span<const uint8_t> data);

// One character cell of a drawn bitmap: the average colour of its upper and lower 4 x 4 pixels.
// A half that lies wholly outside the image has no ink and shows the background.
struct HalfCell {
    Rgb top;
    Rgb bottom;
    bool topInk = false;
    bool bottomInk = false;
};

// The size of an image in cells: width / 4 and height / 8, each rounded up.
int CellColumns(const DibImage& image);
int CellRows(const DibImage& image);

// The image reduced to CellColumns x CellRows cells, row-major, top row first.
std::vector<HalfCell> ReduceToCells(const DibImage& image);

// Grey level 0..255 of a colour (ITU-R 601 weights), for terminals without colour.
int Luminance(const Rgb& colour);

// An image ready to draw: its size in pixels and its cells.
struct CellImage {
    int width = 0;   // pixels
    int height = 0;  // pixels
    int columns = 0;
    int rows = 0;
    std::vector<HalfCell> cells;
};

// Decodes BMP data into cells; no image for broken data.
std::optional<CellImage> DecodeCellImage(std::span<const uint8_t> bmp);

class Canvas;

// Draws the image with its top-left cell at (x, y) of the canvas: each cell an upper half block
// in the upper colour over the lower colour. Without colours, a half is ink when it is light
// (luminance of at least 128): both halves give a full block, one a half block, none a blank.
// Cells without ink are left as they are.
void DrawCellImage(Canvas& canvas, int x, int y, const CellImage& image);

}  // namespace ce::win
