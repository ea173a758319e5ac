// Helpers of the effect controls' Windows tests (see FxTestSupport.h).
#include "FxTestSupport.h"

#include <algorithm>
#include <sstream>

namespace vornada::testing {

ReferencePicture::ReferencePicture(int width, int height, RgbColor background) {
  MakeFilled32(bitmap_, width, height, static_cast<TColor>(background));
}

void ReferencePicture::Text(TFont& font, const std::wstring& text, RECT r, UINT flags, RgbColor color) {
  ScopedCanvasLock lock(bitmap_.Canvas());
  HDC dc = bitmap_.Canvas().Handle();
  win::ScopedSelectObject select(dc, font.Handle());
  ::SetTextColor(dc, color);
  ::SetBkMode(dc, TRANSPARENT);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
}

void ReferencePicture::Fill(const RECT& r, RgbColor color) {
  ScopedCanvasLock lock(bitmap_.Canvas());
  win::UniqueBrush brush(::CreateSolidBrush(color));
  ::FillRect(bitmap_.Canvas().Handle(), &r, brush.get());
}

Rendering ReferencePicture::Pixels() {
  Rendering out;
  out.width = bitmap_.Width();
  out.height = bitmap_.Height();
  out.pixels = PixelsOf(bitmap_);
  return out;
}

SIZE MeasureText(TFont& font, const std::wstring& text, UINT flags) {
  win::ScopedGetDC screen(nullptr);
  win::ScopedSelectObject select(screen, font.Handle());
  RECT r{0, 0, 0, 0};
  ::DrawTextW(screen, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
  return {r.right - r.left, r.bottom - r.top};
}

SIZE TextExtentOf(TFont& font, const std::wstring& text) {
  win::ScopedGetDC screen(nullptr);
  win::ScopedSelectObject select(screen, font.Handle());
  SIZE s{0, 0};
  ::GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &s);
  return s;
}

std::string Differences(const Rendering& got, const Rendering& want, int limit) {
  std::ostringstream out;
  if (got.width != want.width || got.height != want.height) {
    out << "size " << got.width << "x" << got.height << " vs " << want.width << "x" << want.height;
    return out.str();
  }
  int n = 0, total = 0;
  for (int y = 0; y < got.height; ++y)
    for (int x = 0; x < got.width; ++x)
      if (got.At(x, y) != want.At(x, y)) {
        ++total;
        if (n++ < limit)
          out << x << "," << y << ": " << std::hex << got.At(x, y) << "/" << want.At(x, y) << std::dec << "  ";
      }
  if (total > 0) out << "(" << total << " pixels differ)";
  return out.str();
}

RECT InkBounds(const Rendering& r, RgbColor background) {
  RECT box{r.width, r.height, 0, 0};
  for (int y = 0; y < r.height; ++y)
    for (int x = 0; x < r.width; ++x)
      if (r.At(x, y) != background) {
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  if (box.right == 0) return {0, 0, 0, 0};
  return box;
}

int CountColor(const Rendering& r, RgbColor color) {
  return static_cast<int>(std::count(r.pixels.begin(), r.pixels.end(), color));
}

}  // namespace vornada::testing
