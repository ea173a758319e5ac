// Shared portable arithmetic of the effect controls (see FxCommonCore.h).
#include "FxCommonCore.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vornada {

namespace {
constexpr double kScale = 240.0;

int Nearest(double v) { return static_cast<int>(std::floor(v + 0.5)); }

double HueToChannel(double p, double q, double t) {
  if (t < 0) t += 1;
  if (t > 1) t -= 1;
  if (t < 1.0 / 6) return p + (q - p) * 6 * t;
  if (t < 0.5) return q;
  if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
  return p;
}
}  // namespace

Hsl RgbToHsl(RgbColor c) {
  const double r = RedOf(c) / 255.0, g = GreenOf(c) / 255.0, b = BlueOf(c) / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  const double l = (mx + mn) / 2;
  double h = 0, s = 0;
  if (mx != mn) {
    const double d = mx - mn;
    s = l > 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
    if (mx == r) h = (g - b) / d + (g < b ? 6 : 0);
    else if (mx == g) h = (b - r) / d + 2;
    else h = (r - g) / d + 4;
    h /= 6;
  }
  Hsl out{Nearest(h * kScale), Nearest(s * kScale), Nearest(l * kScale)};
  if (out.h >= 240) out.h -= 240;
  return out;
}

RgbColor HslToRgb(Hsl hsl) {
  const double h = std::clamp(hsl.h, 0, 240) / kScale, s = std::clamp(hsl.s, 0, 240) / kScale,
               l = std::clamp(hsl.l, 0, 240) / kScale;
  double r = l, g = l, b = l;
  if (s > 0) {
    const double q = l < 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    r = HueToChannel(p, q, h + 1.0 / 3);
    g = HueToChannel(p, q, h);
    b = HueToChannel(p, q, h - 1.0 / 3);
  }
  return MakeRgb(Nearest(r * 255), Nearest(g * 255), Nearest(b * 255));
}

RgbColor LightenRgb(RgbColor c, int n) {
  Hsl hsl = RgbToHsl(c);
  hsl.l = std::clamp(hsl.l + n, 0, 240);
  return HslToRgb(hsl);
}

RgbColor DarkenRgb(RgbColor c, int n) {
  Hsl hsl = RgbToHsl(c);
  hsl.l = std::clamp(hsl.l - n, 0, 240);
  return HslToRgb(hsl);
}

RgbColor MixRgb(RgbColor a, RgbColor b, int w) {
  const double f = std::clamp(w, 0, 255) / 255.0;
  auto mix = [f](int x, int y) { return Nearest(f * x + (1 - f) * y); };
  return MakeRgb(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)), mix(BlueOf(a), BlueOf(b)));
}

RgbColor OppositeHueRgb(RgbColor c, int l) {
  Hsl hsl = RgbToHsl(c);
  hsl.h = hsl.h < 120 ? hsl.h + 120 : hsl.h - 120;
  hsl.s = 240;
  hsl.l = std::clamp(l, 0, 240);
  return HslToRgb(hsl);
}

bool RgbNearlyEqual(RgbColor a, RgbColor b) {
  const Hsl x = RgbToHsl(a), y = RgbToHsl(b);
  return std::abs(x.h - y.h) < 20 && std::abs(x.l - y.l) < 60;
}

int FrameWidth(TFrameStyleEx style, int bevel_width) {
  switch (style) {
    case TFrameStyleEx::fsNone: return 0;
    case TFrameStyleEx::fsFlat: return 1;
    case TFrameStyleEx::fsStatus:
    case TFrameStyleEx::fsPopup: return std::max(Bounded(bevel_width), 0);
    default: return 2;
  }
}

FxRect DeflateSides(FxRect r, TSides sides, int width) {
  width = Bounded(width);
  if (sides.Contains(TSide::sdLeft)) r.left += width;
  if (sides.Contains(TSide::sdTop)) r.top += width;
  if (sides.Contains(TSide::sdRight)) r.right -= width;
  if (sides.Contains(TSide::sdBottom)) r.bottom -= width;
  return r;
}

RgbColor FrameDarkShadow(const FrameColors& c) { return DarkenRgb(c.shadow, 60); }

RgbColor AdjustedFlatColor(const FrameColors& c) {
  if (c.flat_adjustment > 0) return LightenRgb(c.flat, c.flat_adjustment);
  if (c.flat_adjustment < 0) return DarkenRgb(c.flat, -c.flat_adjustment);
  return c.flat;
}

std::vector<FrameRing> FrameRings(TFrameStyleEx style, int bevel_width, const FrameColors& c) {
  // No control is wide enough to show more rings than this; a huge width costs no memory.
  bevel_width = std::clamp(bevel_width, 0, 4096);
  const RgbColor flat = AdjustedFlatColor(c), dark = FrameDarkShadow(c);
  switch (style) {
    case TFrameStyleEx::fsNone: return {};
    case TFrameStyleEx::fsFlat: return {{flat, flat}};
    case TFrameStyleEx::fsFlatBold: return {{flat, flat}, {flat, flat}};
    // The outer ring leaves its corners out; the inner ring's corners round them off.
    case TFrameStyleEx::fsFlatRounded: return {{flat, flat, true}, {flat, flat}};
    case TFrameStyleEx::fsGroove: return {{c.shadow, c.highlight}, {c.highlight, c.shadow}};
    case TFrameStyleEx::fsBump: return {{c.highlight, c.shadow}, {c.shadow, c.highlight}};
    case TFrameStyleEx::fsLowered: return {{c.shadow, c.highlight}, {dark, c.face}};
    case TFrameStyleEx::fsButtonDown: return {{dark, dark}, {c.shadow, c.shadow}};
    case TFrameStyleEx::fsRaised: return {{c.face, dark}, {c.highlight, c.shadow}};
    case TFrameStyleEx::fsButtonUp: return {{c.highlight, dark}, {c.face, c.shadow}};
    case TFrameStyleEx::fsStatus:
      return std::vector<FrameRing>(static_cast<size_t>(bevel_width), {c.shadow, c.highlight});
    case TFrameStyleEx::fsPopup:
      return std::vector<FrameRing>(static_cast<size_t>(bevel_width), {c.highlight, c.shadow});
  }
  return {};
}

}  // namespace vornada
