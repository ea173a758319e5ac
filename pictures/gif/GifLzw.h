// LZW decoding of a frame's encoded data into caller-provided palette bitmap rows, and LZW
// encoding of palette bitmap rows into GIF image data.
//
// Encoded data always has the layout a GIF frame stores: the minimum code size byte, data
// sub-blocks (a length byte, then that many bytes), a zero-length block.
// Ownership: the decoder writes only into the rows it is given and owns nothing beyond its
// call; the encoder returns a new byte vector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "GifTypes.h"

namespace vornada::gif {

// Palette bitmap rows owned by the caller: `bit_count` 1, 4 or 8 (pixels packed from the most
// significant bits), `height` rows of `stride` bytes, stored bottom-up when `bottom_up` is set
// (the bitmap-file layout) and top-down otherwise.
struct PixelRows {
  uint8_t* pixels = nullptr;
  size_t stride = 0;
  int bit_count = 8;
  uint32_t width = 0;
  uint32_t height = 0;
  bool bottom_up = true;
};

struct ConstPixelRows {
  const uint8_t* pixels = nullptr;
  size_t stride = 0;
  int bit_count = 8;
  uint32_t width = 0;
  uint32_t height = 0;
  bool bottom_up = true;
};

struct LzwDecodeResult {
  // The data was incomplete or inconsistent: a minimum code size outside 2..9, a code that
  // refers beyond the table, a string chain longer than the table, or data that ended before
  // every pixel was decoded. Pixels that were not decoded keep index 0.
  bool damaged = false;
};

// Decodes `encoded` into `rows` and writes every byte of them: the decoded pixels, index 0
// for every pixel that was not decoded and 0 in the padding after each row's pixels, so the
// rows need no zeroing beforehand. Pixel values are masked to
// `bits_per_pixel` (1..8) bits; `interlaced` stores the rows in the four interlace passes.
// `progress` (may be null) hears kStarting, kRunning with the percentage of the encoded data
// consumed whenever that percentage changes, and kEnding (also when the callback itself throws
// while running). Never reads outside `encoded` nor writes outside `rows`.
LzwDecodeResult DecodeLzw(std::span<const uint8_t> encoded, int bits_per_pixel, bool interlaced,
                          const PixelRows& rows, const ProgressCallback* progress = nullptr);

// Encodes `rows` (bit count 1, 4 or 8; anything else throws "GIF image encoding error") as GIF
// image data: minimum code size 2, 4 or 8, a clear code first, codes growing with the table,
// a restart (pending code, clear code) when the last assigned code exceeds 4093, the end code,
// sub-blocks of 255 bytes and a zero-length block.
std::vector<uint8_t> EncodeLzw(const ConstPixelRows& rows);

// The minimum code size the encoder uses for a bitmap bit count (1 -> 2, 4 -> 4, 8 -> 8).
int MinCodeSizeForBitCount(int bit_count);

}  // namespace vornada::gif
