// Gradient arithmetic (see FxGrafxCore.h).
#include "FxGrafxCore.h"

#include <algorithm>
#include <cstdlib>

namespace vornada {

namespace {

// One pass from p1 down to p0 beginning with `a`, moving towards `b`: fills colors[p0..p1].
void Pass(std::vector<RgbColor>& colors, int p1, int p0, RgbColor a, RgbColor b) {
  if (p1 < p0) return;
  const int64_t n = p1 - p0 + 1;
  const int64_t acc[3] = {int64_t{RedOf(a)} << 16, int64_t{GreenOf(a)} << 16, int64_t{BlueOf(a)} << 16};
  const int64_t target[3] = {int64_t{RedOf(b)} << 16, int64_t{GreenOf(b)} << 16, int64_t{BlueOf(b)} << 16};
  int64_t inc[3];
  for (int c = 0; c < 3; ++c) inc[c] = (target[c] - acc[c]) / n;  // truncated towards zero
  for (int64_t k = 0; k < n; ++k) {
    int v[3];
    // Every value lies between a and b, so it is never negative: the shift is the floor.
    for (int c = 0; c < 3; ++c) v[c] = static_cast<int>((acc[c] + k * inc[c]) >> 16);
    colors[static_cast<size_t>(p1 - k)] = MakeRgb(v[0], v[1], v[2]);
  }
}

struct PassRange {
  int high, low;
};

std::vector<PassRange> Passes(int length, TStripForm form) {
  if (form == TStripForm::sfEnd) return {{length - 1, 0}};
  const int s = length / 2;
  return {{s, 0}, {length - 1, s + 1}};
}

}  // namespace

std::vector<RgbColor> GradientStripColors(int length, TStripForm form, RgbColor start,
                                          RgbColor stop) {
  if (length <= 0 || length > kMaxGradientLength) return {};
  std::vector<RgbColor> colors(static_cast<size_t>(length));
  if (form == TStripForm::sfEnd) {
    Pass(colors, length - 1, 0, stop, start);
  } else {
    const int s = length / 2;
    Pass(colors, s, 0, stop, start);
    Pass(colors, length - 1, s + 1, start, stop);
  }
  return colors;
}

int MinimumRunLength(int band_step) {
  if (band_step <= 1) return 1;
  if (band_step <= 8) return band_step;
  return 255 / band_step + 1;
}

std::vector<GradientRun> GradientStripRuns(int length, TStripForm form, RgbColor start,
                                           RgbColor stop, int band_step) {
  std::vector<GradientRun> runs;
  if (length <= 0 || length > kMaxGradientLength) return runs;
  const std::vector<RgbColor> colors = GradientStripColors(length, form, start, stop);
  const int m = MinimumRunLength(band_step);
  for (const PassRange& pass : Passes(length, form)) {
    int p = pass.high;
    while (p >= pass.low) {
      const RgbColor color = colors[static_cast<size_t>(p)];
      int len = 1;
      while (p - len >= pass.low &&
             (len < m || colors[static_cast<size_t>(p - len)] == color))
        ++len;
      runs.push_back({p - len + 1, p, color});
      p -= len;
    }
  }
  return runs;
}

std::vector<BlockCopy> ReplicationPlan(int filled_width, int filled_height, int total_width,
                                       int total_height) {
  std::vector<BlockCopy> plan;
  int fw = std::min(filled_width, total_width), fh = std::min(filled_height, total_height);
  if (fw <= 0 || fh <= 0) return plan;
  bool height_next = true;
  while (fw < total_width || fh < total_height) {
    if (fh < total_height && (height_next || fw >= total_width)) {
      const int h = std::min(fh, total_height - fh);
      plan.push_back({0, fh, fw, h});
      fh += h;
      height_next = false;
    } else {
      const int w = std::min(fw, total_width - fw);
      plan.push_back({fw, 0, w, fh});
      fw += w;
      height_next = true;
    }
  }
  return plan;
}

bool IsStripDirection(TGradientDirection d) {
  return d == TGradientDirection::gdHorizontalEnd || d == TGradientDirection::gdHorizontalCenter ||
         d == TGradientDirection::gdVerticalEnd || d == TGradientDirection::gdVerticalCenter;
}

namespace {

// The colour of each position as the runs paint it (a BandStep run keeps its first colour).
std::vector<RgbColor> BandedColors(int length, TStripForm form, RgbColor start, RgbColor stop,
                                   int band_step) {
  std::vector<RgbColor> colors(static_cast<size_t>(std::max(length, 0)));
  for (const GradientRun& run : GradientStripRuns(length, form, start, stop, band_step))
    for (int p = run.low; p <= run.high; ++p) colors[static_cast<size_t>(p)] = run.color;
  return colors;
}

}  // namespace

std::vector<RgbColor> GradientPixels(TGradientDirection direction, int width, int height,
                                     RgbColor start, RgbColor stop, int band_step) {
  std::vector<RgbColor> pixels;
  if (width <= 0 || height <= 0) return pixels;
  if (int64_t{width} * height > kMaxGradientArea || width > kMaxGradientLength ||
      height > kMaxGradientLength)
    return pixels;
  pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  const int w = width, h = height;
  int length = 0;
  TStripForm form = TStripForm::sfEnd;
  switch (direction) {
    case TGradientDirection::gdHorizontalEnd: length = h; break;
    case TGradientDirection::gdHorizontalCenter: length = h; form = TStripForm::sfCentre; break;
    case TGradientDirection::gdVerticalEnd: length = w; break;
    case TGradientDirection::gdVerticalCenter: length = w; form = TStripForm::sfCentre; break;
    case TGradientDirection::gdDiagonalDown:
    case TGradientDirection::gdDiagonalUp: length = w + h - 1; break;
    case TGradientDirection::gdHorizontalBox: length = (h + 1) / 2; break;
    case TGradientDirection::gdVerticalBox: length = (w + 1) / 2; break;
    case TGradientDirection::gdSquareBox:
    case TGradientDirection::gdBigSquareBox: length = (std::max(w, h) + 1) / 2; break;
  }
  const std::vector<RgbColor> table = BandedColors(length, form, start, stop, band_step);
  const int last = length - 1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int p = 0;
      const int edge = std::min({x, w - 1 - x, y, h - 1 - y});
      switch (direction) {
        case TGradientDirection::gdHorizontalEnd:
        case TGradientDirection::gdHorizontalCenter: p = y; break;
        case TGradientDirection::gdVerticalEnd:
        case TGradientDirection::gdVerticalCenter: p = x; break;
        case TGradientDirection::gdDiagonalDown: p = x + y; break;
        case TGradientDirection::gdDiagonalUp: p = x + (h - 1 - y); break;
        case TGradientDirection::gdHorizontalBox:
        case TGradientDirection::gdVerticalBox: p = std::min(edge, last); break;
        case TGradientDirection::gdSquareBox: {
          // Twice the distance from the centre, so that even sizes stay whole numbers.
          const int c = std::max(std::abs(2 * x - (w - 1)), std::abs(2 * y - (h - 1)));
          p = last - c / 2;
          break;
        }
        case TGradientDirection::gdBigSquareBox: {
          // The same distance, each axis measured against its own half size.
          const int64_t dx = w > 1 ? int64_t{std::abs(2 * x - (w - 1))} * last : 0;
          const int64_t dy = h > 1 ? int64_t{std::abs(2 * y - (h - 1))} * last : 0;
          const int64_t rx = w > 1 ? (dx + (w - 1) / 2) / (w - 1) : 0;
          const int64_t ry = h > 1 ? (dy + (h - 1) / 2) / (h - 1) : 0;
          p = last - static_cast<int>(std::max(rx, ry));
          break;
        }
      }
      pixels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
          table[static_cast<size_t>(std::clamp(p, 0, last))];
    }
  }
  return pixels;
}

}  // namespace vornada
