// FrameBitmap: a frame's palette bitmap as a complete bitmap file image in memory ("BM" file
// header, 40-byte information header, colour table, bottom-up pixel rows), the form the Win32
// picture class hands to the framework's bitmap loader unchanged (headers and row layout from
// the framework's bitmap-file core, BmpFile.h). Also the colour reduction
// that turns true-colour pixels into an indexed bitmap for encoding.
//
// Ownership: a FrameBitmap owns its byte vector; it is a plain value (copyable, movable).
// Frames share finished bitmaps as std::shared_ptr<const FrameBitmap>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "GifTypes.h"

namespace vornada::gif {

// Geometry of a bottom-up palette bitmap: bits per pixel 1, 4 or 8, rows padded to 32 bits
// (the bitmap-file layout of the framework's BmpFile).
struct BitmapLayout {
  int bit_count = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  size_t stride = 0;        // ((width * bit_count + 31) / 32) * 4
  size_t pixel_bytes = 0;   // height * stride
  size_t table_entries = 0; // 2^bit_count
  size_t pixel_offset = 0;  // 54 + 4 * table_entries
  size_t file_size = 0;     // pixel_offset + pixel_bytes
};

// The bitmap bit count for a frame of `bits_per_pixel` (1 -> 1, 2..4 -> 4, 5..8 -> 8);
// any other value throws "Wrong number of colors; must be a power of 2".
int BitCountForBitsPerPixel(int bits_per_pixel);

// Computes the layout of a `bit_count` bitmap (1, 4 or 8) of the given size, refusing with
// GifError::TooLarge what exceeds `limits` (all arithmetic in 64 bits).
BitmapLayout ComputeBitmapLayout(int bit_count, uint32_t width, uint32_t height,
                                 const Limits& limits);

class FrameBitmap {
 public:
  FrameBitmap() = default;

  // A zero-filled bitmap of the given layout whose colour table holds `map`'s entries and
  // 128, 128, 128, 128 in every slot beyond the map's count.
  static FrameBitmap Create(const BitmapLayout& layout, const ColorMap& map);
  // The same headers and colour table, with the pixel rows left unwritten: for a writer that
  // fills every byte of them (the LZW decoder), so that they are not zeroed for nothing.
  static FrameBitmap CreateUnfilled(const BitmapLayout& layout, const ColorMap& map);

  bool IsNull() const { return file_.empty(); }
  int BitCount() const { return layout_.bit_count; }
  uint32_t Width() const { return layout_.width; }
  uint32_t Height() const { return layout_.height; }
  size_t Stride() const { return layout_.stride; }
  const BitmapLayout& Layout() const { return layout_; }

  // The whole bitmap file image.
  const uint8_t* FileData() const { return file_.data(); }
  size_t FileSize() const { return file_.size(); }

  // Pixel rows, bottom-up, `Stride()` bytes each.
  uint8_t* Pixels() { return file_.data() + layout_.pixel_offset; }
  const uint8_t* Pixels() const { return file_.data() + layout_.pixel_offset; }
  // Row `y` counted from the top.
  uint8_t* RowFromTop(uint32_t y) { return Pixels() + (layout_.height - 1 - y) * layout_.stride; }
  const uint8_t* RowFromTop(uint32_t y) const {
    return Pixels() + (layout_.height - 1 - y) * layout_.stride;
  }

  // Colour index at (x, y), y counted from the top.
  uint8_t IndexAt(uint32_t x, uint32_t y) const;
  void SetIndexAt(uint32_t x, uint32_t y, uint8_t index);
  // Colour value of colour-table entry `index` (0x00BBGGRR).
  Color TableColor(size_t index) const;
  // Colour value the pixel at (x, y) shows.
  Color ColorAt(uint32_t x, uint32_t y) const { return TableColor(IndexAt(x, y)); }
  // The colour table as a colour map of 2^bit count entries.
  ColorMap TableAsMap() const;
  void SetTableEntry(size_t index, RgbEntry entry);

 private:
  // Growing the vector leaves new bytes unwritten instead of zeroing them.
  template <typename T>
  struct UnfilledAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
      using other = UnfilledAllocator<U>;
    };
    UnfilledAllocator() = default;
    template <typename U>
    UnfilledAllocator(const UnfilledAllocator<U>&) noexcept {}
    template <typename U>
    void construct(U* p) noexcept {
      ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
      ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
  };
  static FrameBitmap WithHeaders(const BitmapLayout& layout, const ColorMap& map, bool zeroed);

  BitmapLayout layout_;
  std::vector<uint8_t, UnfilledAllocator<uint8_t>> file_;
};

// Turns `width` x `height` colour values (0x00BBGGRR, rows top-down) into an 8-bit indexed
// bitmap: exact colours when there are at most 256 distinct ones, otherwise a fixed palette of
// 8 red x 8 green x 4 blue levels with each pixel mapped to the nearest level; with `gray` the
// palette is 256 gray levels and each pixel takes its luminance (0.299 R + 0.587 G + 0.114 B).
FrameBitmap ReduceToIndexed(const Color* pixels, uint32_t width, uint32_t height, bool gray,
                            const Limits& limits = Limits{});

}  // namespace vornada::gif
