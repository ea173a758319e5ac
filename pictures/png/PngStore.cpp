// Heap-backed pixel stores and the portable halftone palette.
#include "PngStore.h"

#include <cstdlib>

#include "PngErrors.h"

namespace vornada::png {
namespace {

class HeapPixelStore final : public PixelStore {
 public:
  explicit HeapPixelStore(uint8_t* bits) : PixelStore(bits) {}
  ~HeapPixelStore() override { std::free(Bits()); }
};

}  // namespace

void ImageStoreHost::HalftonePalette(RgbQuad (&entries)[256]) const {
  static const uint8_t kVga[16][3] = {
      {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
      {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
      {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
      {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
  };
  int n = 0;
  for (const auto& c : kVga) entries[n++] = RgbQuad{c[2], c[1], c[0], 0};
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        entries[n++] = RgbQuad{static_cast<uint8_t>(b * 51), static_cast<uint8_t>(g * 51),
                               static_cast<uint8_t>(r * 51), 0};
  for (int i = 0; n < 256; ++i, ++n) {
    uint8_t v = static_cast<uint8_t>(8 + i * 10);
    entries[n] = RgbQuad{v, v, v, 0};
  }
}

std::unique_ptr<PixelStore> HeapStoreHost::CreateStore(const BitmapInfo& info, uint64_t bytes) {
  (void)info;
  if (bytes > SIZE_MAX) throw PngError(ErrorKind::OutMemory);
  // calloc: zero-filled, and large blocks come straight from the system untouched.
  void* bits = std::calloc(bytes == 0 ? 1 : static_cast<size_t>(bytes), 1);
  if (bits == nullptr) throw PngError(ErrorKind::OutMemory);
  return std::make_unique<HeapPixelStore>(static_cast<uint8_t*>(bits));
}

ImageStoreHost& DefaultStoreHost() {
  static HeapStoreHost host;
  return host;
}

}  // namespace vornada::png
