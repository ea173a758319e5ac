// The decoded image's memory layout and who provides its pixel memory.
//
// The pixel store is laid out as a device-independent bitmap (DIB): rows bottom-up (image row 0
// is the last row in memory), stride ((bit count * width + 31) / 32) * 4 bytes, 24-bit pixels
// as blue, green, red. BitmapInfo mirrors the platform's BITMAPINFOHEADER followed by a
// 256-entry colour table byte for byte, so a wrapper can hand it to the platform as is.
//
// The pixel memory belongs to a PixelStore that an ImageStoreHost creates: the Win32 picture
// makes it a DIB section selected into a memory device context; HeapStoreHost uses the heap
// (native use and tests). The core owns the PixelStore object (RAII) and releases the memory by
// destroying it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vornada::png {

struct RgbQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
};

struct BitmapInfoHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;  // positive: rows stored bottom-up
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = 0;  // BI_RGB
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;  // colour-table size (the palette's entry count)
  uint32_t clrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "BITMAPINFOHEADER layout");

struct BitmapInfo {
  BitmapInfoHeader header;
  RgbQuad colours[256];
};
static_assert(sizeof(BitmapInfo) == 40 + 256 * 4, "BITMAPINFO with 256 colours layout");

// Row stride in bytes of a DIB, computed without overflow.
inline uint64_t DibStride(uint32_t bitCount, uint32_t width) {
  return ((static_cast<uint64_t>(bitCount) * width + 31) / 32) * 4;
}

// Pixel memory of one image. Subclasses own the memory and free it in their destructor.
class PixelStore {
 public:
  explicit PixelStore(uint8_t* bits) : bits_(bits) {}
  PixelStore(const PixelStore&) = delete;
  PixelStore& operator=(const PixelStore&) = delete;
  virtual ~PixelStore() = default;

  uint8_t* Bits() const { return bits_; }

  // Called after the image's palette changed: `info.colours[0 .. info.header.clrUsed - 1]` is
  // the new palette. A DIB-section store updates its colour table and realises the palette.
  virtual void PaletteInstalled(const BitmapInfo& info) { (void)info; }

 private:
  uint8_t* bits_;
};

class ImageStoreHost {
 public:
  virtual ~ImageStoreHost() = default;
  // Creates zero-filled pixel memory of `bytes` bytes (stride * height) for an image that
  // `info` describes (its colour table holds the initial palette). Throws
  // PngError(ErrorKind::OutMemory) when it cannot.
  virtual std::unique_ptr<PixelStore> CreateStore(const BitmapInfo& info, uint64_t bytes) = 0;
  // The palette a palette image starts with until its PLTE chunk arrives. The default is a
  // fixed halftone palette: the 16 standard VGA colours, a 6x6x6 colour cube and a gray ramp.
  virtual void HalftonePalette(RgbQuad (&entries)[256]) const;
};

// Pixel memory on the heap.
class HeapStoreHost final : public ImageStoreHost {
 public:
  std::unique_ptr<PixelStore> CreateStore(const BitmapInfo& info, uint64_t bytes) override;
};

// A process-wide HeapStoreHost, used when a picture is given no host.
ImageStoreHost& DefaultStoreHost();

}  // namespace vornada::png
