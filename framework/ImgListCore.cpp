// Pixel work of image lists (see ImgListCore.h).
#include "ImgListCore.h"

namespace vornada {

std::vector<ImageListPixels> SplitImageStrip(const std::vector<uint32_t>& strip, int strip_width,
                                             int strip_height, int width, int height,
                                             uint32_t transparent_color) {
  std::vector<ImageListPixels> images;
  if (width <= 0 || height <= 0 || strip_width <= 0 || strip_height <= 0) return images;
  if (strip.size() < static_cast<size_t>(strip_width) * static_cast<size_t>(strip_height))
    return images;
  const int count = strip_width / width;
  for (int i = 0; i < count; ++i) {
    ImageListPixels image;
    image.width = width;
    image.height = height;
    const size_t area = static_cast<size_t>(width) * static_cast<size_t>(height);
    image.pixels.assign(area, transparent_color & 0xFFFFFF);
    image.transparent.assign(area, 1);
    for (int y = 0; y < height && y < strip_height; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint32_t c =
            strip[static_cast<size_t>(y) * static_cast<size_t>(strip_width) +
                  static_cast<size_t>(i * width + x)] & 0xFFFFFF;
        const size_t k = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
        image.pixels[k] = c;
        image.transparent[k] = c == (transparent_color & 0xFFFFFF) ? 1 : 0;
      }
    }
    images.push_back(std::move(image));
  }
  return images;
}

std::vector<uint8_t> DisabledShape(const ImageListPixels& image) {
  std::vector<uint8_t> shape(image.pixels.size(), 0);
  for (size_t k = 0; k < shape.size(); ++k)
    shape[k] = !image.transparent[k] && (image.pixels[k] & 0xFFFFFF) != 0xFFFFFF ? 1 : 0;
  return shape;
}

namespace {
void Put(std::vector<uint32_t>& dest, int dest_width, int dest_height, int x, int y, uint32_t c) {
  if (x < 0 || y < 0 || x >= dest_width || y >= dest_height) return;
  dest[static_cast<size_t>(y) * static_cast<size_t>(dest_width) + static_cast<size_t>(x)] = c;
}
}  // namespace

void ComposeImage(std::vector<uint32_t>& dest, int dest_width, int dest_height,
                  const ImageListPixels& image, int x, int y, bool enabled, uint32_t highlight,
                  uint32_t shadow, bool has_background, uint32_t background) {
  if (dest.size() < static_cast<size_t>(dest_width) * static_cast<size_t>(dest_height)) return;
  if (enabled) {
    for (int iy = 0; iy < image.height; ++iy)
      for (int ix = 0; ix < image.width; ++ix) {
        const size_t k = static_cast<size_t>(iy) * static_cast<size_t>(image.width) + static_cast<size_t>(ix);
        if (!image.transparent[k]) Put(dest, dest_width, dest_height, x + ix, y + iy, image.pixels[k]);
        else if (has_background) Put(dest, dest_width, dest_height, x + ix, y + iy, background);
      }
    return;
  }
  const std::vector<uint8_t> shape = DisabledShape(image);
  for (int pass = 0; pass < 2; ++pass) {
    const int offset = pass == 0 ? 1 : 0;
    const uint32_t colour = pass == 0 ? highlight : shadow;
    for (int iy = 0; iy < image.height; ++iy)
      for (int ix = 0; ix < image.width; ++ix)
        if (shape[static_cast<size_t>(iy) * static_cast<size_t>(image.width) + static_cast<size_t>(ix)])
          Put(dest, dest_width, dest_height, x + ix + offset, y + iy + offset, colour);
  }
}

}  // namespace vornada
