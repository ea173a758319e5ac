// The pixel work of image lists, portable (no windows.h): splitting a strip of images into
// single images with a transparent colour, and putting one image onto a destination area,
// enabled (opaque pixels replace the destination) or disabled (the image's shape embossed:
// a highlight copy one pixel down and right, then a shadow copy in place). Pixels are 0x00BBGGRR.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vornada {

struct ImageListPixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;     // rows top-down
  std::vector<uint8_t> transparent;  // 1 where the destination shows through
};

// Cuts `count` images of width x height from the top-down pixels of a strip (strip_width wide,
// strip_height high; rows missing at the bottom count as transparent), marking every pixel of
// `transparent_color` transparent.
std::vector<ImageListPixels> SplitImageStrip(const std::vector<uint32_t>& strip, int strip_width,
                                             int strip_height, int width, int height,
                                             uint32_t transparent_color);

// The pixels of the disabled look's shape: opaque pixels that are not white.
std::vector<uint8_t> DisabledShape(const ImageListPixels& image);

// Puts `image` onto `dest` (dest_width x dest_height, rows top-down) with its top-left corner at
// (x, y), clipped to the destination. `background` (when `has_background`) fills the image's
// transparent pixels. Disabled: the shape in `highlight` at (x + 1, y + 1), then in `shadow` at
// (x, y); nothing else of the image shows.
void ComposeImage(std::vector<uint32_t>& dest, int dest_width, int dest_height,
                  const ImageListPixels& image, int x, int y, bool enabled, uint32_t highlight,
                  uint32_t shadow, bool has_background, uint32_t background);

}  // namespace vornada
