// Helpers of the tests of the PNG picture class under Wine that are about PNG pictures: loading
// and saving through framework streams, comparison of a picture's image with a plain core
// load, and the GDI objects behind a picture's image. Everything general (failures raised,
// 32-bit bitmaps with chosen bytes, pixels) is the shared test support's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Graphics.h"
#include "PngGraphic.h"
#include "WinTestSupport.h"
#include "png/PngPicture.h"

namespace vornada::pngwin_test {

// A picture read from the bytes through LoadFromStream (fails the test on an error).
std::unique_ptr<TPngGraphic> LoadGraphic(const std::vector<uint8_t>& bytes);
// The bytes SaveToStream writes.
std::vector<uint8_t> SaveGraphic(TPngGraphic& graphic);

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

}  // namespace vornada::pngwin_test
