// Fixtures of the skinned controls' tests (see SkinTestSupport.h).
#include "SkinTestSupport.h"

#include <algorithm>
#include <memory>

namespace vornada::testing {

namespace {

void WritePixel(uint8_t* row, int x, int bytes, TColor c) {
  uint8_t* p = row + static_cast<ptrdiff_t>(x) * bytes;
  p[0] = static_cast<uint8_t>((c >> 16) & 0xFF);
  p[1] = static_cast<uint8_t>((c >> 8) & 0xFF);
  p[2] = static_cast<uint8_t>(c & 0xFF);
  if (bytes == 4) p[3] = 0;
}

}  // namespace

void MakeSkin(TBitmap& skin, int cells, int cell_width, int height, const CellPixel& pixel,
              int extra_columns, TPixelFormat format) {
  const int width = 1 + cells * cell_width + extra_columns;
  const bool direct = format == TPixelFormat::pf24bit || format == TPixelFormat::pf32bit;
  TBitmap picture;
  TBitmap& target = direct ? skin : picture;
  target.SetPixelFormat(direct ? format : TPixelFormat::pf32bit);
  target.SetSize(width, height);
  const int bytes = target.BitsPerPixel() / 8;
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<uint8_t*>(target.ScanLine(y));
    WritePixel(row, 0, bytes, y == 0 ? kMarker : 0x00FF00);
    for (int cell = 0; cell < cells; ++cell)
      for (int x = 0; x < cell_width; ++x)
        WritePixel(row, 1 + cell * cell_width + x, bytes, pixel(cell, x, y));
    for (int x = 1 + cells * cell_width; x < width; ++x) WritePixel(row, x, bytes, 0x123456);
  }
  if (!direct) {
    skin.SetPixelFormat(format);
    skin.SetSize(width, height);
    ScopedCanvasLock from(picture.Canvas());
    ScopedCanvasLock to(skin.Canvas());
    ::BitBlt(skin.Canvas().Handle(), 0, 0, width, height, picture.Canvas().Handle(), 0, 0,
             SRCCOPY);
  }
}

bool StandardCellTransparent(int x, int y, int cell_width, int height) {
  return (x == 0 && y == 0) || (x == 1 && y == 0) || (x == 0 && y == 1) ||
         (x == cell_width - 1 && y == height - 1);
}

TColor StandardCellPixel(int cell, int x, int y, int cell_width, int height) {
  if (StandardCellTransparent(x, y, cell_width, height)) return kMarker;
  const int red = 16 * cell + 8 + x % 8;
  const int green = 2 * y + 1;
  const int blue = 40 + x;
  return red | (green << 8) | (blue << 16);
}

void MakeStandardSkin(TBitmap& skin, int cells, int cell_width, int height, TPixelFormat format) {
  MakeSkin(
      skin, cells, cell_width, height,
      [=](int cell, int x, int y) { return StandardCellPixel(cell, x, y, cell_width, height); },
      0, format);
}

}  // namespace vornada::testing
