// The flat button's dithered gradient, computed as pixels.
#include "FlGradient.h"

#include <algorithm>
#include <cfenv>
#include <cstddef>
#include <cmath>
#include <limits>

namespace vornada::flat {

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const int64_t product = static_cast<int64_t>(a) * b;
  const bool negative = (product < 0) != (c < 0);
  const uint64_t num = static_cast<uint64_t>(product < 0 ? -product : product);
  const uint64_t den = static_cast<uint64_t>(c < 0 ? -static_cast<int64_t>(c) : c);
  const uint64_t q = (num + den / 2) / den;  // halves away from zero
  if (q > static_cast<uint64_t>(std::numeric_limits<int>::max())) return -1;
  return negative ? -static_cast<int>(q) : static_cast<int>(q);
}

namespace {
// Round(x) with halves to the even neighbour (the default floating-point rounding).
int RoundHalfEven(double x) {
  const double r = std::nearbyint(x);
  return static_cast<int>(r);
}
}  // namespace

std::vector<Rgb> GradientColorTable(Rgb top, Rgb bottom, int bands) {
  bands = std::max(bands, 1);
  const int steps = std::max(bands - 1, 1);
  // nearbyint follows the current rounding mode: make sure it is to-nearest-even here.
  const int saved_mode = std::fegetround();
  std::fesetround(FE_TONEAREST);
  std::vector<Rgb> table(static_cast<size_t>(bands));
  for (int i = 0; i < bands; ++i) {
    auto channel = [&](int t, int b) {
      return t + RoundHalfEven(static_cast<double>(i) * (b - t) / steps);
    };
    table[static_cast<size_t>(i)] =
        MakeRgb(channel(RedOf(top), RedOf(bottom)), channel(GreenOf(top), GreenOf(bottom)),
                channel(BlueOf(top), BlueOf(bottom)));
  }
  std::fesetround(saved_mode);
  return table;
}

int BandTop(int band, int height, int bands) { return MulDiv(band, height, std::max(bands, 1)); }

int DitherRandom::Next(int range) {
  state_ = state_ * 0x08088405u + 1u;
  if (range <= 0) return 0;
  return static_cast<int>((static_cast<uint64_t>(state_) * static_cast<uint64_t>(range)) >> 32);
}

GradientStrip MakeGradientStrip(int width, int height, Rgb top, Rgb bottom, int bands,
                                bool dither, const RandomSource& random) {
  GradientStrip out;
  if (width <= 0 || height <= 0) return out;
  bands = std::max(bands, 1);
  out.width = width;
  out.height = height;
  out.strip_width = std::min(width, GradientStrip::kStripColumns);
  const size_t sw = static_cast<size_t>(out.strip_width);
  out.pixels.assign(sw * static_cast<size_t>(height), top);

  const std::vector<Rgb> colors = GradientColorTable(top, bottom, bands);
  auto fill_rows = [&](int from, int to, Rgb c) {
    from = std::clamp(from, 0, height);
    to = std::clamp(to, 0, height);
    for (int y = from; y < to; ++y)
      std::fill_n(out.pixels.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(y) * sw), sw, c);
  };
  for (int i = 0; i < bands; ++i) fill_rows(BandTop(i, height, bands), height, colors[static_cast<size_t>(i)]);

  if (dither && bands > 1) {
    const int tries = height / (bands - 1);
    for (int i = 1; i < bands; ++i) {
      const int y0 = BandTop(i, height, bands);
      const Rgb previous = colors[static_cast<size_t>(i - 1)];
      // The strip's columns 0 .. 15; those beyond a narrower gradient fall outside it.
      for (int x = 0; x < GradientStrip::kStripColumns; ++x) {
        for (int k = 0; k <= tries; ++k) {
          const int y = y0 + random(k);
          if (x < out.strip_width && y >= y0 && y < height)
            out.pixels[static_cast<size_t>(y) * sw + static_cast<size_t>(x)] = previous;
        }
      }
    }
  }
  return out;
}

}  // namespace vornada::flat
