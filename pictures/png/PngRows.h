// Sample conversion between PNG rows and the decoded image's store, and the Adam7 interlace
// geometry.
//
// Store form of a pixel (see PngStore.h): 1-bit and 4-bit packed indices or gray samples
// (2-bit samples widened to 4 bits), 8-bit index or gray, or 24-bit blue, green, red; alpha, when
// the image has an alpha channel, goes to a separate byte plane. 16-bit samples keep their
// high-order byte. Converters work on caller-owned rows of the sizes their comments give.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vornada::png {

// Converts one unfiltered PNG row of `count` pixels into store form: `store` receives the
// packed store row (StoreRowBytes(bitCount, count) bytes) and `alpha`, for formats with alpha,
// one byte per pixel. `gamma` is the 256-entry decode table applied to RGB samples.
using DecodeRowFn = void (*)(const uint8_t* png, uint32_t count, uint8_t* store, uint8_t* alpha,
                             const uint8_t* gamma);

// Converts `count` store-form pixels (and their alpha) into one PNG row of the given depth.
// `gamma` is the 256-entry encode table applied to RGB samples.
using EncodeRowFn = void (*)(const uint8_t* store, const uint8_t* alpha, uint32_t count,
                             uint8_t* png, const uint8_t* gamma);

// True for the colour type / bit depth pairs PNG allows.
bool IsValidColourFormat(uint8_t colourType, uint8_t bitDepth);

// Store bit count of an allowed format: 1, 4, 8 or 24.
unsigned StoreBitCount(uint8_t colourType, uint8_t bitDepth);

// Channels per pixel of a colour type (1 to 4).
unsigned ChannelCount(uint8_t colourType);

// Bytes of a PNG row of `count` pixels (without the filter byte), and the filter distance.
uint64_t PngRowBytes(uint8_t colourType, uint8_t bitDepth, uint32_t count);
unsigned FilterDistance(uint8_t colourType, uint8_t bitDepth);

// Bytes of `count` pixels in store form.
inline uint64_t StoreRowBytes(unsigned bitCount, uint32_t count) {
  return (static_cast<uint64_t>(bitCount) * count + 7) / 8;
}

// Selects the converter for an allowed format. `gammaIsIdentity` picks a variant that skips
// the table.
DecodeRowFn SelectDecodeRow(uint8_t colourType, uint8_t bitDepth, bool gammaIsIdentity);
EncodeRowFn SelectEncodeRow(uint8_t colourType, uint8_t bitDepth, bool gammaIsIdentity);

// Copies `count` packed store-form pixels (and alpha bytes when `alpha` is given) to columns
// x0, x0 + dx, ... of a store row (and alpha row).
void ScatterPixels(unsigned bitCount, const uint8_t* packed, const uint8_t* packedAlpha,
                   uint32_t count, uint32_t x0, uint32_t dx, uint8_t* storeRow,
                   uint8_t* alphaRow);

// The reverse: gathers columns x0, x0 + dx, ... of a store row into packed form.
void GatherPixels(unsigned bitCount, const uint8_t* storeRow, const uint8_t* alphaRow,
                  uint32_t count, uint32_t x0, uint32_t dx, uint8_t* packed,
                  uint8_t* packedAlpha);

// Reads / writes pixel x of a packed store row as an integer (index, gray sample, or blue in
// bits 0-7, green 8-15, red 16-23 for 24-bit).
uint32_t ReadStorePixel(unsigned bitCount, const uint8_t* storeRow, uint32_t x);
void WriteStorePixel(unsigned bitCount, uint8_t* storeRow, uint32_t x, uint32_t value);

// One Adam7 pass over an image.
struct InterlacePass {
  uint32_t x0, y0, dx, dy;  // first column and row, column and row step
  uint32_t columns, rows;   // pixels per pass row and rows in the pass (0 = pass skipped)
};

// Pass p (0..6) of a width x height image.
InterlacePass Adam7Pass(int pass, uint32_t width, uint32_t height);

// The whole image as one pass (no interlacing).
InterlacePass FullImagePass(uint32_t width, uint32_t height);

}  // namespace vornada::png
