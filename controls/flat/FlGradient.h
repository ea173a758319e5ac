// The dithered vertical gradient of the flat button's faces and frames, as pure pixel
// arithmetic (portable, no windows.h): a table of band colours between a top and a bottom
// colour, bands whose rows follow the platform's MulDiv rounding, and a dithered edge at the top
// of each band drawn into a 16-column strip that repeats across the whole width.
//
// The Win32 side (FlButton) copies these pixels into bitmaps; keeping the arithmetic here lets
// it be tested natively under the sanitizers.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace vornada::flat {

// A colour as 0x00BBGGRR (red in the low byte), the platform's order.
using Rgb = uint32_t;

constexpr Rgb MakeRgb(int r, int g, int b) {
  return static_cast<Rgb>(r & 0xFF) | (static_cast<Rgb>(g & 0xFF) << 8) |
         (static_cast<Rgb>(b & 0xFF) << 16);
}
constexpr int RedOf(Rgb c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Rgb c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Rgb c) { return static_cast<int>((c >> 16) & 0xFF); }

// The platform's MulDiv: a × b / c computed in 64 bits and rounded to the nearest integer,
// halves away from zero; -1 when c is 0 or the result does not fit in an int.
int MulDiv(int a, int b, int c);

// The colours of a gradient of `bands` bands (at least 1): for i = 0 .. bands - 1 each channel
// is top + Round(i × (bottom − top) / (bands − 1)), rounded half to even.
std::vector<Rgb> GradientColorTable(Rgb top, Rgb bottom, int bands);

// The first row of band `band` of `bands` over `height` rows: MulDiv(band, height, bands).
// Band i covers the rows from its first row up to the next band's first row.
int BandTop(int band, int height, int bands);

// The pseudo-random generator of the dithering: a 32-bit linear congruential generator
// (state × 0x08088405 + 1) whose Next(k) is the high 32 bits of state × k: 0 <= Next(k) < k,
// and 0 for k <= 0. The same seed gives the same sequence.
class DitherRandom {
 public:
  explicit DitherRandom(uint32_t seed = 0) : state_(seed) {}
  int Next(int range);
  uint32_t State() const { return state_; }

 private:
  uint32_t state_;
};

// A random source for the dithering: returns an integer in [0, range), 0 for range <= 0.
using RandomSource = std::function<int(int range)>;

// The pixels of a gradient `width` × `height`, stored as its first min(width, 16) columns (the
// strip that repeats every 16 columns across the whole width).
struct GradientStrip {
  int width = 0;        // of the whole gradient
  int height = 0;
  int strip_width = 0;  // min(width, 16)
  std::vector<Rgb> pixels;  // strip_width × height, rows top-down
  // The colour at (x, y) of the whole gradient.
  Rgb At(int x, int y) const {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(strip_width) +
                  static_cast<size_t>(x % kStripColumns)];
  }
  static constexpr int kStripColumns = 16;
};

// The gradient from `top` (first row) to `bottom` in `bands` bands:
//  1. every pixel starts as the top colour;
//  2. band i (i = 0 .. bands - 1) fills its rows with colour i of GradientColorTable, each band
//     painting from its first row to the bottom over what the earlier ones left;
//  3. with `dither`, for each band i > 0, in each of the columns 0 .. 15, for
//     k = 0 .. height div (bands - 1), the pixel at row BandTop(i) + random(k) takes colour i - 1
//     (rows below the gradient are skipped);
//  4. the columns 0 .. 15 repeat every 16 columns.
// A width or height of 0 or less gives an empty gradient.
GradientStrip MakeGradientStrip(int width, int height, Rgb top, Rgb bottom, int bands,
                                bool dither, const RandomSource& random);

}  // namespace vornada::flat
