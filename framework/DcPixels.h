// Reading and writing the pixels of an area of any device context as plain colours
// (0x00BBGGRR, the COLORREF order), rows from the top, through a 32-bit top-down
// device-independent bitmap. For pixel work done in memory (image lists, gradients, blending)
// and for tests that look at what was drawn.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace vornada::win {

// The header of a 32-bit, top-down, uncompressed device-independent bitmap.
BITMAPINFO TopDown32BitInfo(int width, int height);

// The colours of the area (x, y, width, height) of `dc`; empty for an empty area. Fails with
// EOutOfResources when the work bitmap cannot be made.
std::vector<uint32_t> ReadDcPixels(HDC dc, int x, int y, int width, int height);

// Puts `pixels` (width * height colours, rows from the top) onto the area of `dc`.
void WriteDcPixels(HDC dc, int x, int y, int width, int height,
                   const std::vector<uint32_t>& pixels);

}  // namespace vornada::win
