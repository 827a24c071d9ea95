// BMP decoding and the reduction of images to half-block character cells.
#include "Bitmap.h"

#include "Paint.h"

namespace ce::win {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kBiRgb = 0;

uint16_t ReadU16(std::span<const uint8_t> data, size_t offset) {
    return static_cast<uint16_t>(data[offset] | (data[offset + 1] << 8));
}

uint32_t ReadU32(std::span<const uint8_t> data, size_t offset) {
    return static_cast<uint32_t>(data[offset]) | (static_cast<uint32_t>(data[offset + 1]) << 8) |
           (static_cast<uint32_t>(data[offset + 2]) << 16) |
           (static_cast<uint32_t>(data[offset + 3]) << 24);
}

int32_t ReadI32(std::span<const uint8_t> data, size_t offset) {
    return static_cast<int32_t>(ReadU32(data, offset));
}

}  // namespace

std::optional<DibImage> ParseBmp(std::span<const uint8_t> data) {
    // With a file header the pixel offset is given; without it the pixels follow the info
    // header directly.
    size_t infoOffset = 0;
    std::optional<uint32_t> pixelOffset;
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (data.size() < kFileHeaderSize) return std::nullopt;
        pixelOffset = ReadU32(data, 10);
        infoOffset = kFileHeaderSize;
    }
    if (data.size() < infoOffset + 40) return std::nullopt;
    const uint32_t infoSize = ReadU32(data, infoOffset);
    if (infoSize < 40 || infoSize > data.size() - infoOffset) return std::nullopt;
    const int32_t width = ReadI32(data, infoOffset + 4);
    const int32_t rawHeight = ReadI32(data, infoOffset + 8);
    const uint16_t planes = ReadU16(data, infoOffset + 12);
    const uint16_t bitCount = ReadU16(data, infoOffset + 14);
    const uint32_t compression = ReadU32(data, infoOffset + 16);
    if (planes != 1 || (bitCount != 24 && bitCount != 32) || compression != kBiRgb) {
        return std::nullopt;
    }
    // INT32_MIN has no positive counterpart; the side limit rules it out before negation.
    if (width <= 0 || width > kMaxBitmapSide || rawHeight == 0 || rawHeight < -kMaxBitmapSide ||
        rawHeight > kMaxBitmapSide) {
        return std::nullopt;
    }
    const bool topDown = rawHeight < 0;
    const int height = topDown ? -rawHeight : rawHeight;

    const size_t bytesPerPixel = bitCount / 8;
    const size_t stride =
        (static_cast<size_t>(width) * bytesPerPixel + 3) & ~static_cast<size_t>(3);
    const size_t start = pixelOffset ? *pixelOffset : infoOffset + infoSize;
    if (start > data.size()) return std::nullopt;
    // The last row needs only its pixels, not its padding: some writers drop the final pad.
    const size_t needed =
        stride * static_cast<size_t>(height - 1) + static_cast<size_t>(width) * bytesPerPixel;
    if (needed > data.size() - start) return std::nullopt;

    DibImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height);
    for (int row = 0; row < height; ++row) {
        const int target = topDown ? row : height - 1 - row;
        size_t at = start + stride * static_cast<size_t>(row);
        Rgb* out = &image.pixels[static_cast<size_t>(target) * width];
        for (int x = 0; x < width; ++x, at += bytesPerPixel) {
            out[x] = Rgb{data[at + 2], data[at + 1], data[at]};
        }
    }
    return image;
}

int CellColumns(const DibImage& image) { return (image.width + 3) / 4; }
int CellRows(const DibImage& image) { return (image.height + 7) / 8; }

std::vector<HalfCell> ReduceToCells(const DibImage& image) {
    const int columns = CellColumns(image);
    const int rows = CellRows(image);
    std::vector<HalfCell> cells(static_cast<size_t>(columns) * rows);
    // Average of the pixels of one 4 x 4 half that lie inside the image.
    auto average = [&](int x0, int y0, Rgb& out) {
        unsigned r = 0, g = 0, b = 0, count = 0;
        for (int y = y0; y < y0 + 4 && y < image.height; ++y) {
            for (int x = x0; x < x0 + 4 && x < image.width; ++x) {
                const Rgb& p = image.At(x, y);
                r += p.r;
                g += p.g;
                b += p.b;
                ++count;
            }
        }
        if (count == 0) return false;
        out = Rgb{static_cast<uint8_t>(r / count), static_cast<uint8_t>(g / count),
                  static_cast<uint8_t>(b / count)};
        return true;
    };
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            HalfCell& cell = cells[static_cast<size_t>(row) * columns + column];
            cell.topInk = average(column * 4, row * 8, cell.top);
            cell.bottomInk = average(column * 4, row * 8 + 4, cell.bottom);
        }
    }
    return cells;
}

int Luminance(const Rgb& colour) {
    return (299 * colour.r + 587 * colour.g + 114 * colour.b) / 1000;
}

std::optional<CellImage> DecodeCellImage(std::span<const uint8_t> bmp) {
    const std::optional<DibImage> image = ParseBmp(bmp);
    if (!image) return std::nullopt;
    CellImage out;
    out.width = image->width;
    out.height = image->height;
    out.columns = CellColumns(*image);
    out.rows = CellRows(*image);
    out.cells = ReduceToCells(*image);
    return out;
}

namespace {

constexpr char16_t kUpperHalf = u'\u2580';
constexpr char16_t kLowerHalf = u'\u2584';
constexpr char16_t kFullBlock = u'\u2588';

uint32_t Packed(const Rgb& colour) {
    return (static_cast<uint32_t>(colour.r) << 16) | (static_cast<uint32_t>(colour.g) << 8) |
           colour.b;
}

}  // namespace

void DrawCellImage(Canvas& canvas, int x, int y, const CellImage& image) {
    const bool colours = canvas.HasColors();
    for (int row = 0; row < image.rows; ++row) {
        for (int column = 0; column < image.columns; ++column) {
            const HalfCell& cell = image.cells[static_cast<size_t>(row) * image.columns + column];
            if (colours) {
                if (cell.topInk) {
                    canvas.Put(x + column, y + row, kUpperHalf, 0, Packed(cell.top),
                               cell.bottomInk ? Packed(cell.bottom) : kDefaultColor);
                } else if (cell.bottomInk) {
                    canvas.Put(x + column, y + row, kLowerHalf, 0, Packed(cell.bottom));
                }
                continue;
            }
            const bool top = cell.topInk && Luminance(cell.top) >= 128;
            const bool bottom = cell.bottomInk && Luminance(cell.bottom) >= 128;
            if (!cell.topInk && !cell.bottomInk) continue;
            const char16_t ch = top && bottom ? kFullBlock
                                : top         ? kUpperHalf
                                : bottom      ? kLowerHalf
                                              : u' ';
            canvas.Put(x + column, y + row, ch);
        }
    }
}

}  // namespace ce::win
