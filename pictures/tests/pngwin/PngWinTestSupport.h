// Helpers shared by the tests of the PNG picture class under Wine: loading and saving through
// framework streams, failures as class name and message, 32-bit bitmaps with chosen bytes,
// comparison of a picture's image with a plain core load, and a GDI object count for leak
// checks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Graphics.h"
#include "PngGraphic.h"
#include "png/PngPicture.h"

namespace vornada::pngwin_test {

// A picture read from the bytes through LoadFromStream (fails the test on an error).
std::unique_ptr<TPngGraphic> LoadGraphic(const std::vector<uint8_t>& bytes);
// The bytes SaveToStream writes.
std::vector<uint8_t> SaveGraphic(TPngGraphic& graphic);

struct Failure {
  bool thrown = false;
  std::string class_name;  // the framework exception's class name
  std::string message;
};
// Runs `action` and reports the framework exception it raised, if any.
Failure FailureOf(const std::function<void()>& action);

// A 32-bit DIB-section bitmap whose pixel (x, y) holds the four bytes of `bgrx(x, y)`
// (blue in bits 0-7, green 8-15, red 16-23, fourth byte 24-31).
void MakeBitmap32(TBitmap& bitmap, int width, int height,
                  const std::function<uint32_t(int x, int y)>& bgrx);
// The four bytes of pixel (x, y) of a 32-bit DIB-section bitmap, packed as above.
uint32_t Bytes32(TBitmap& bitmap, int x, int y);
// Colour values (0x00BBGGRR) of all pixels of any bitmap, rows top-down, read as 32 bits.
std::vector<uint32_t> ColoursOf(TBitmap& bitmap);

// Expects `actual` to hold exactly the image of `expected`: header values, store layout and
// bytes, alpha plane, palette, transparency mode, key colour and chunk types.
void ExpectSameImage(const png::PngPicture& expected, const png::PngPicture& actual);
// Expects the GDI objects behind a picture's image to mirror the core: the DIB section's
// colour table equals the colour table and the palette holds its entries.
void ExpectGdiMirrorsCore(TPngGraphic& graphic);

// The GDI objects behind a picture's image (binds the picture's canvas to it): its memory
// device context, the DIB section selected into it and the palette (nullptr for RGB images).
struct ImageHandles {
  HDC dc = nullptr;
  HBITMAP dib = nullptr;
  HPALETTE palette = nullptr;
};
ImageHandles HandlesOf(TPngGraphic& graphic);
// True while every handle (but nullptr) names a GDI object of its kind.
bool Alive(const ImageHandles& handles);
// True when none of the handles names a GDI object any more.
bool Released(const ImageHandles& handles);

// 0x00BBGGRR from a packed 4-byte pixel (fourth byte dropped).
inline uint32_t ColourOfBytes(uint32_t bgrx) {
  return (bgrx >> 16 & 0xFF) | (bgrx & 0xFF00) | (bgrx & 0xFF) << 16;
}

}  // namespace vornada::pngwin_test
