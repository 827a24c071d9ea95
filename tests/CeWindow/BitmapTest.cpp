// BMP decoding, its reduction to half-block cells and its rejection of broken data.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "Bitmap.h"
#include "support/WindowSupport.h"

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

// An uncompressed BMP of `width` x `height` whose pixel (x, y), counted from the top, is
// `colour(x, y)`.
std::vector<uint8_t> MakeBmp(int width, int height, const std::function<Rgb(int, int)>& colour,
                             bool fileHeader = true, bool topDown = false, uint16_t bitCount = 24) {
    const size_t bytesPerPixel = bitCount / 8;
    const size_t stride = (width * bytesPerPixel + 3) & ~size_t{3};
    const size_t header = fileHeader ? 14 : 0;
    std::vector<uint8_t> out(header + 40 + stride * height, 0);
    if (fileHeader) {
        out[0] = 'B';
        out[1] = 'M';
        PutU32(out, 2, static_cast<uint32_t>(out.size()));
        PutU32(out, 10, static_cast<uint32_t>(header + 40));
    }
    PutU32(out, header, 40);
    PutU32(out, header + 4, static_cast<uint32_t>(width));
    PutU32(out, header + 8, static_cast<uint32_t>(topDown ? -height : height));
    PutU16(out, header + 12, 1);
    PutU16(out, header + 14, bitCount);
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
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

TEST(BitmapParse, ReadsEveryLayoutWithRowsInScreenOrder) {
    // Width 3 makes rows of 9 bytes padded to 12, so a wrong stride shows.
    for (bool fileHeader : {true, false}) {
        for (bool topDown : {false, true}) {
            for (uint16_t bits : {uint16_t{24}, uint16_t{32}}) {
                SCOPED_TRACE(testing::Message() << fileHeader << topDown << bits);
                const auto bytes = MakeBmp(3, 5, Gradient, fileHeader, topDown, bits);
                const std::optional<DibImage> image = ParseBmp(bytes);
                ASSERT_TRUE(image.has_value());
                ASSERT_EQ(image->width, 3);
                ASSERT_EQ(image->height, 5);
                for (int i = 0; i < 15; ++i) {
                    ASSERT_EQ(image->At(i % 3, i / 3), Gradient(i % 3, i / 3)) << i;
                }
            }
        }
    }
}

TEST(BitmapParse, RejectsInconsistentHeadersAndEveryTruncationButTheLastRowsPad) {
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

    // Every truncation is refused but that of the last row's pad.
    const auto bytes = MakeBmp(6, 4, Gradient);  // rows of 18 bytes padded to 20
    for (size_t length = 0; length < bytes.size(); ++length) {
        std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + length);
        EXPECT_EQ(ParseBmp(prefix).has_value(), length >= bytes.size() - 2) << length;
    }
}

TEST(BitmapCells, AveragesEachHalfOverThePixelsInsideTheImage) {
    // 5 x 10 pixels: 2 x 2 cells. The first cell is red over blue; the right column of cells is
    // one pixel wide; the lower row of cells has two pixel rows, both in its upper half.
    const auto bytes = MakeBmp(5, 10, [](int x, int y) {
        if (x == 4) return Rgb{200, 100, 50};
        if (y >= 8) return Rgb{10, 20, 30};
        return y < 4 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
    });
    const auto image = ParseBmp(bytes);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(ce::win::CellColumns(*image), 2);
    EXPECT_EQ(ce::win::CellRows(*image), 2);
    const auto cells = ce::win::ReduceToCells(*image);
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[0].top, (Rgb{255, 0, 0}));
    EXPECT_EQ(cells[0].bottom, (Rgb{0, 0, 255}));
    EXPECT_EQ(cells[1].top, (Rgb{200, 100, 50}));
    EXPECT_EQ(cells[2].top, (Rgb{10, 20, 30}));
    EXPECT_TRUE(cells[3].topInk);
    EXPECT_FALSE(cells[3].bottomInk);
    EXPECT_FALSE(cells[2].bottomInk);
}

using ImageStaticTest = test::ControlsTest;

TEST_F(ImageStaticTest, StaticsTakeTheBitmapsSizeAndDrawHalfBlocksAndBrokenOnesNothing) {
    constexpr UINT kPicture = 401, kBroken = 402, kIcon = 403;
    // 8 x 16 pixels, 2 x 2 cells: red over blue on the left, white over black on the right,
    // green below.
    const auto picture = MakeBmp(8, 16, [](int x, int y) {
        if (y >= 8) return Rgb{0, 255, 0};
        if (x < 4) return y < 4 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
        return y < 4 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    });
    ce::res::Table table;
    table.bitmaps = {{kPicture, picture}, {kBroken, {picture.begin(), picture.begin() + 40}}};
    table.icons = {{kIcon, MakeBmp(4, 8, [](int, int) { return Rgb{1, 2, 3}; })}};
    using ce::res::MakeControl;
    ce::res::Dialog dialog{.id = 310, .style = WS_POPUP | WS_VISIBLE, .y = 8, .cx = 160, .cy = 120};
    dialog.controls = {MakeControl(1, u"STATIC", u"", 8, 8, 40, 40, SS_BITMAP, kPicture),
                       MakeControl(2, u"STATIC", u"", 80, 8, 16, 16, SS_BITMAP, kBroken),
                       MakeControl(3, u"STATIC", u"", 8, 64, 20, 20, SS_ICON, kIcon)};
    ASSERT_NE(CreateDialogFrom(dialog, std::move(table)), nullptr);

    EXPECT_EQ(test::RectOf(GetDlgItem(dialog_, 1)), (std::array<LONG, 4>{8, 16, 16, 32}));

    EXPECT_EQ(At(2, 1).ch, u'\u2580');
    EXPECT_EQ(std::make_pair(At(2, 1).fg, At(2, 1).bg), std::make_pair(0xFF0000u, 0x0000FFu));
    EXPECT_EQ(std::make_pair(At(3, 1).fg, At(3, 1).bg), std::make_pair(0xFFFFFFu, 0x000000u));
    EXPECT_EQ(At(2, 2).fg, 0x00FF00u);
    EXPECT_EQ(At(4, 1).ch, u' ');  // nothing beyond the bitmap

    // The icon static shows its icon the same way.
    EXPECT_EQ(At(2, 8).ch, u'\u2580');
    EXPECT_EQ(At(2, 8).fg, 0x010203u);

    // A broken resource: the control stays, keeps its size and draws nothing.
    EXPECT_EQ(test::RectOf(GetDlgItem(dialog_, 2)), (std::array<LONG, 4>{80, 16, 96, 32}));
    for (int column = 20; column < 24; ++column) EXPECT_EQ(At(column, 1).ch, u' ');
}

}  // namespace
