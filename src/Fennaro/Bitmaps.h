// The bitmaps of the application's resources, compiled in from data/ by the build: uncompressed
// 24-bit BMP files.
#pragma once

#include <cstdint>
#include <vector>

// Bitmap 203: the splash screen's product picture, 172 x 74.
std::vector<uint8_t> SplashBitmapBytes();
// Icon 128: the application's icon, 16 x 16.
std::vector<uint8_t> IconBytes();
