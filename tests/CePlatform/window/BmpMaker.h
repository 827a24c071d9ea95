// Uncompressed BMP data made up by tests: images of any size and colours, and byte writers for
// breaking their headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "window/Bitmap.h"

namespace test {

inline void PutU16(std::vector<uint8_t>& out, size_t at, uint16_t value) {
    out[at] = value & 0xFF;
    out[at + 1] = value >> 8;
}

inline void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = (value >> (8 * i)) & 0xFF;
}

struct BmpOptions {
    bool fileHeader = true;
    bool topDown = false;
    uint16_t bitCount = 24;
};

// A BMP of `width` x `height` whose pixel (x, y), counted from the top, is `colour(x, y)`.
inline std::vector<uint8_t> MakeBmp(int width, int height,
                                    const std::function<ce::win::Rgb(int, int)>& colour,
                                    BmpOptions options = {}) {
    const size_t bytesPerPixel = options.bitCount / 8;
    const size_t stride = (width * bytesPerPixel + 3) & ~size_t{3};
    const size_t header = options.fileHeader ? 14 : 0;
    std::vector<uint8_t> out(header + 40 + stride * height, 0);
    if (options.fileHeader) {
        out[0] = 'B';
        out[1] = 'M';
        PutU32(out, 2, static_cast<uint32_t>(out.size()));
        PutU32(out, 10, static_cast<uint32_t>(header + 40));
    }
    PutU32(out, header, 40);
    PutU32(out, header + 4, static_cast<uint32_t>(width));
    PutU32(out, header + 8, static_cast<uint32_t>(options.topDown ? -height : height));
    PutU16(out, header + 12, 1);
    PutU16(out, header + 14, options.bitCount);
    for (int row = 0; row < height; ++row) {
        const int y = options.topDown ? row : height - 1 - row;
        for (int x = 0; x < width; ++x) {
            const ce::win::Rgb p = colour(x, y);
            const size_t at = header + 40 + row * stride + x * bytesPerPixel;
            out[at] = p.b;
            out[at + 1] = p.g;
            out[at + 2] = p.r;
        }
    }
    return out;
}

}  // namespace test
