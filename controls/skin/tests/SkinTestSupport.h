// Fixtures of the skinned controls' tests: skin strips generated pixel by pixel by the test code
// (never by the code under test) and the rule that says which of their pixels are transparent.
// Regions as runs, real mouse input and loading like the design reader are in WinTestSupport.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Graphics.h"
#include "WinTestSupport.h"

namespace vornada::testing {

constexpr TColor kMarker = 0xFF00FF;  // the transparent colour of the generated skins

// A skin strip of `cells` cells of `cell_width` x `height`: column 0 holds the marker colour at
// its top (and a different colour below, which must not matter), cell i's pixel (x, y) is
// `pixel(i, x, y)`, and `extra_columns` unused columns follow the last cell. Written through the
// bitmap's rows in the given format (24 or 32 bits) or, for other formats, through a 32-bit
// picture drawn onto a bitmap of that format.
using CellPixel = std::function<TColor(int cell, int x, int y)>;
void MakeSkin(TBitmap& skin, int cells, int cell_width, int height, const CellPixel& pixel,
              int extra_columns = 0, TPixelFormat format = TPixelFormat::pf24bit);

// The standard cell picture: an opaque colour that tells cell, column and row apart
// (red = 16 * cell + 8 + x mod 8, green = 2 * y + 1, blue = 40 + x), with the marker colour on
// the corner pixels (0, 0), (1, 0), (0, 1) and (w - 1, h - 1).
TColor StandardCellPixel(int cell, int x, int y, int cell_width, int height);
bool StandardCellTransparent(int x, int y, int cell_width, int height);
void MakeStandardSkin(TBitmap& skin, int cells, int cell_width, int height,
                      TPixelFormat format = TPixelFormat::pf24bit);

}  // namespace vornada::testing
