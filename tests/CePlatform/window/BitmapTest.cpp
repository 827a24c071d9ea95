// BMP decoding, its reduction to half-block cells and its rejection of broken data.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "window/Bitmap.h"

using ce::win::DibImage;
using ce::win::ParseBmp;
using ce::win::Rgb;

namespace {

void PutU16(std::vector<uint8_t>& out, size_t at, uint16_t value) {
    out[at] = value & 0xFF;
    out[at + 1] = value >> 8;
}

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = (value >> (8 * i)) & 0xFF;
}

struct BmpOptions {
    bool fileHeader = true;
    bool topDown = false;
    uint16_t bitCount = 24;
};

// A BMP of `width` x `height` whose pixel (x, y), counted from the top, is `colour(x, y)`.
std::vector<uint8_t> MakeBmp(int width, int height, const std::function<Rgb(int, int)>& colour,
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
            const Rgb p = colour(x, y);
            const size_t at = header + 40 + row * stride + x * bytesPerPixel;
            out[at] = p.b;
            out[at + 1] = p.g;
            out[at + 2] = p.r;
        }
    }
    return out;
}

Rgb Gradient(int x, int y) {
    return Rgb{static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 10),
               static_cast<uint8_t>(x + y)};
}

void ExpectGradient(const DibImage& image, int width, int height) {
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            ASSERT_EQ(image.At(x, y), Gradient(x, y)) << x << "," << y;
        }
    }
}

TEST(BitmapParse, ReadsEveryLayoutWithRowsInScreenOrder) {
    // Width 3 makes rows of 9 bytes padded to 12, so a wrong stride shows.
    for (bool fileHeader : {true, false}) {
        for (bool topDown : {false, true}) {
            for (uint16_t bits : {uint16_t{24}, uint16_t{32}}) {
                SCOPED_TRACE(testing::Message() << fileHeader << topDown << bits);
                const auto bytes = MakeBmp(3, 5, Gradient, {fileHeader, topDown, bits});
                const auto image = ParseBmp(bytes);
                ASSERT_TRUE(image.has_value());
                ExpectGradient(*image, 3, 5);
            }
        }
    }
}

TEST(BitmapParse, AcceptsMissingPadOfLastRow) {
    auto bytes = MakeBmp(3, 2, Gradient);
    bytes.resize(bytes.size() - 3);
    const auto image = ParseBmp(bytes);
    ASSERT_TRUE(image.has_value());
    ExpectGradient(*image, 3, 2);
}

TEST(BitmapParse, RejectsEveryTruncationWithoutCrashing) {
    const auto bytes = MakeBmp(6, 4, Gradient);
    for (size_t length = 0; length + 2 < bytes.size(); ++length) {
        std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + length);
        EXPECT_FALSE(ParseBmp(prefix).has_value()) << "length " << length;
    }
}

TEST(BitmapParse, RejectsInconsistentHeaders) {
    const auto good = MakeBmp(4, 4, Gradient);
    ASSERT_TRUE(ParseBmp(good).has_value());
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"8 bits per pixel", [](auto& b) { PutU16(b, 14 + 14, 8); }},
        {"run-length compression", [](auto& b) { PutU32(b, 14 + 16, 1); }},
        {"two planes", [](auto& b) { PutU16(b, 14 + 12, 2); }},
        {"zero width", [](auto& b) { PutU32(b, 14 + 4, 0); }},
        {"negative width", [](auto& b) { PutU32(b, 14 + 4, static_cast<uint32_t>(-4)); }},
        {"zero height", [](auto& b) { PutU32(b, 14 + 8, 0); }},
        {"huge height", [](auto& b) { PutU32(b, 14 + 8, 0x7FFFFFFF); }},
        {"most negative height", [](auto& b) { PutU32(b, 14 + 8, 0x80000000u); }},
        {"huge width", [](auto& b) { PutU32(b, 14 + 4, 0x40000000); }},
        {"pixels past the end", [](auto& b) { PutU32(b, 10, static_cast<uint32_t>(b.size())); }},
        {"pixel offset overflow", [](auto& b) { PutU32(b, 10, 0xFFFFFFFFu); }},
        {"info header too small", [](auto& b) { PutU32(b, 14, 12); }},
        {"info header past the end", [](auto& b) { PutU32(b, 14, 0xFFFFFFF0u); }},
    };
    for (const Case& c : cases) {
        auto bytes = good;
        c.damage(bytes);
        EXPECT_FALSE(ParseBmp(bytes).has_value()) << c.what;
    }
}

TEST(BitmapCells, AveragesUpperAndLowerHalvesOfEachCell) {
    // 8 x 8: left cell red over blue, right cell white over black.
    const auto bytes = MakeBmp(8, 8, [](int x, int y) {
        if (x < 4) return y < 4 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
        return y < 4 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    });
    const auto image = ParseBmp(bytes);
    ASSERT_TRUE(image.has_value());
    const auto cells = ce::win::ReduceToCells(*image);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].top, (Rgb{255, 0, 0}));
    EXPECT_EQ(cells[0].bottom, (Rgb{0, 0, 255}));
    EXPECT_EQ(cells[1].top, (Rgb{255, 255, 255}));
    EXPECT_EQ(cells[1].bottom, (Rgb{0, 0, 0}));
    EXPECT_TRUE(cells[1].topInk && cells[1].bottomInk);
}

TEST(BitmapCells, PartialCellsAtTheEdgesHaveInkOnlyWhereThereArePixels) {
    // 5 x 10 pixels: 2 x 2 cells; the second row of cells has 2 pixel rows, all in its top half.
    const auto bytes = MakeBmp(5, 10, [](int x, int) {
        return x < 4 ? Rgb{0, 0, 0} : Rgb{200, 100, 50};
    });
    const auto image = ParseBmp(bytes);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(ce::win::CellColumns(*image), 2);
    EXPECT_EQ(ce::win::CellRows(*image), 2);
    const auto cells = ce::win::ReduceToCells(*image);
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[1].top, (Rgb{200, 100, 50}));  // one pixel column, averaged alone
    EXPECT_TRUE(cells[3].topInk);
    EXPECT_FALSE(cells[3].bottomInk);
    EXPECT_FALSE(cells[2].bottomInk);
}

}  // namespace
