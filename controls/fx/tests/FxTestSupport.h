// Helpers of the effect controls' Windows tests: colour values of renderings, reference text
// drawn with the plain platform calls (to compare the controls' pictures with), and pixel
// searches.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FxCommonCore.h"
#include "Graphics.h"
#include "WinTestSupport.h"

namespace vornada::testing {

// A rendering pixel (0x00BBGGRR) as a plain colour, and a framework colour resolved.
inline RgbColor Rgb(TColor c) { return static_cast<RgbColor>(ColorToRGB(c)) & 0xFFFFFF; }
inline RgbColor GreyRgb(int v) { return MakeRgb(v, v, v); }

// A picture made with the platform's own calls: `width` x `height`, filled with `background`.
class ReferencePicture {
 public:
  ReferencePicture(int width, int height, RgbColor background);
  // DrawText of `text` with `font` in `color` into `r` (transparent background).
  void Text(TFont& font, const std::wstring& text, RECT r, UINT flags, RgbColor color);
  void Fill(const RECT& r, RgbColor color);
  Rendering Pixels();
  HDC Dc() { return bitmap_.Canvas().Handle(); }

 private:
  TBitmap bitmap_;
};

// The size DrawText measures for `text` (DT_CALCRECT) with `font`.
SIZE MeasureText(TFont& font, const std::wstring& text, UINT flags = 0);
// The extent of one line with GetTextExtentPoint32.
SIZE TextExtentOf(TFont& font, const std::wstring& text);

// Positions where two renderings of the same size differ, as "x,y: got/want" lines (at most
// `limit` of them), for failure messages; empty when they are equal.
std::string Differences(const Rendering& got, const Rendering& want, int limit = 8);
// The bounding box of the pixels that are not `background` (an empty rectangle when none).
RECT InkBounds(const Rendering& r, RgbColor background);
int CountColor(const Rendering& r, RgbColor color);

}  // namespace vornada::testing
