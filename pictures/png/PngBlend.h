// Pure pixel computations on a loaded picture that the drawing code and the tools share:
// alpha blending onto a 32-bit top-down BGRA buffer (the work bitmap of alpha-blended drawing)
// and export of the image as 8-bit RGBA as the picture shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "PngPicture.h"

namespace vornada::png {

struct BlendRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Swaps left/right and top/bottom of a reversed rectangle.
BlendRect NormalizeRect(BlendRect rect);

// Blends the picture, scaled to width x height by truncating nearest neighbour, onto `bgra`
// (top-down rows of `stride` bytes, 4 bytes per pixel: blue, green, red, fourth byte), which
// holds a copy of the destination. For each destination pixel with source alpha a, each of
// blue, green and red becomes (s * a + d * (255 - a) + 255) >> 8:
//   colour type 6: a = 0 leaves the pixel, a = 255 copies the source and sets the fourth byte
//     to 255, other values blend and set it to 255 - (((255 - fourth) * (255 - a) + 255) >> 8);
//   colour type 4: every pixel blends with its gray value;
//   palette images: every pixel blends with its palette colour and tRNS alpha; an index beyond
//     the palette throws PngError(Error, "There is no such palette entry.").
// Other colour types and a zero width or height leave the buffer unchanged.
void BlendOnto(const PngPicture& picture, uint8_t* bgra, uint32_t width, uint32_t height,
               size_t stride);

// The image as width * height * 4 bytes, top row first, red, green, blue, alpha: colours as
// shown (after the storage conversions and the decode gamma table); alpha from the alpha plane,
// from the tRNS alpha table for palette images, or for gray and RGB images with tRNS 0 for
// pixels showing the key colour and 255 otherwise. Palette indices beyond the palette show
// black. Throws PngError(HeaderNotPresent) without an image, PngError(OutMemory) when the copy
// does not fit the picture's memory budget beside what the picture holds.
std::vector<uint8_t> ExportRgba(const PngPicture& picture);

}  // namespace vornada::png
