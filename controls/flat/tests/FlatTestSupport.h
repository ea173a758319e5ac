// Helpers of the flat controls' Windows tests: the colours a dithered gradient has row by row
// (worked out independently of the code under test, for heights below 62 where the dithering
// marks only each band's first row), and a PNG file made with zlib for glyph tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace vornada::testing {

// The colour (0x00BBGGRR) of row `row` of a 32-band dithered gradient `height` rows high from
// `top` to `bottom`. Band i starts at row (i × height + 16) div 32 and has colour
// top + Round(i × (bottom − top) / 31) per channel; below 62 rows the dithering draws only
// k = 0 (and k = 1, whose random row is 0), so each band's first row shows the previous colour.
COLORREF DitheredGradientRow(int row, int height, COLORREF top, COLORREF bottom);

// A PNG file of an 8-bit RGBA image (`rgba` holds 0xAABBGGRR per pixel, rows top-down), its
// chunks and compression made with zlib.
std::vector<uint8_t> EncodeRgbaPng(int width, int height, const std::vector<uint32_t>& rgba);

}  // namespace vornada::testing
