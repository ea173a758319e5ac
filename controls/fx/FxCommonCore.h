// The portable part of the effect controls' shared unit (no windows.h): the shared enumerations
// (text styles, frame styles and sides, orientation, gradient directions), plain colour values,
// the colour routines on the HSL scale of 0 to 240 per component, a plain rectangle, and the
// frame arithmetic (how wide each frame style is, which rings of which colours it draws).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace vornada {

// ---- enumerations ----------------------------------------------------------------------------

// Effect of a caption: plain, raised (light above left, dark below right), recessed (the
// reverse), or with a drop shadow.
enum class TTextStyle { tsNormal, tsRaised, tsRecessed, tsShadow };

// Frame styles, each drawn as its name says: none; a one-pixel flat line; an etched groove; a
// bump (the groove reversed); a lowered (sunken) edge; a pressed button; a raised edge; a
// button at rest; a thin lowered status-bar edge and a thin raised pop-up edge (both BevelWidth
// wide); a two-pixel flat line; a two-pixel flat line with rounded corners.
enum class TFrameStyleEx {
  fsNone, fsFlat, fsGroove, fsBump, fsLowered, fsButtonDown, fsRaised, fsButtonUp, fsStatus,
  fsPopup, fsFlatBold, fsFlatRounded
};

enum class TSide { sdLeft, sdTop, sdRight, sdBottom };

// A set of sides.
class TSides {
 public:
  constexpr TSides() = default;
  constexpr TSides(std::initializer_list<TSide> sides) {
    for (TSide s : sides) bits_ |= Bit(s);
  }
  static constexpr TSides All() { return {TSide::sdLeft, TSide::sdTop, TSide::sdRight, TSide::sdBottom}; }
  static constexpr TSides FromBits(unsigned bits) { TSides s; s.bits_ = bits & 15u; return s; }
  constexpr bool Contains(TSide s) const { return (bits_ & Bit(s)) != 0; }
  constexpr unsigned Bits() const { return bits_; }
  constexpr bool operator==(const TSides&) const = default;

 private:
  static constexpr unsigned Bit(TSide s) { return 1u << static_cast<unsigned>(s); }
  unsigned bits_ = 0;
};

enum class TOrientation { orHorizontal, orVertical };

// "Horizontal" names bands that lie horizontally (the colour changes from top to bottom),
// "Vertical" vertical bands (the colour changes from left to right).
enum class TGradientDirection {
  gdDiagonalUp, gdDiagonalDown, gdHorizontalEnd, gdHorizontalCenter, gdHorizontalBox,
  gdVerticalEnd, gdVerticalCenter, gdVerticalBox, gdSquareBox, gdBigSquareBox
};

// ---- colours ---------------------------------------------------------------------------------

// A plain colour, 0x00BBGGRR.
using RgbColor = uint32_t;
constexpr RgbColor MakeRgb(int r, int g, int b) {
  return static_cast<RgbColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(RgbColor c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(RgbColor c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(RgbColor c) { return static_cast<int>((c >> 16) & 0xFF); }

// Hue, saturation and lightness, each 0 to 240 (hue 240 is hue 0 again).
struct Hsl {
  int h = 0, s = 0, l = 0;
  bool operator==(const Hsl&) const = default;
};

// The standard conversions, each component taken to the nearest integer.
Hsl RgbToHsl(RgbColor c);
RgbColor HslToRgb(Hsl hsl);

// Lightness moved up (Lighten) or down (Darken) by n, within 0..240.
RgbColor LightenRgb(RgbColor c, int n);
RgbColor DarkenRgb(RgbColor c, int n);
// Per channel w/255 of a and (1 - w/255) of b, to the nearest integer.
RgbColor MixRgb(RgbColor a, RgbColor b, int w);
// The hue turned by 120 (below 120: +120, else -120), saturation 240, lightness l.
RgbColor OppositeHueRgb(RgbColor c, int l);
// Hues differ by less than 20 and lightnesses by less than 60.
bool RgbNearlyEqual(RgbColor a, RgbColor b);

// ---- rectangles ------------------------------------------------------------------------------

struct FxRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  FxRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  FxRect Deflate(int dx, int dy) const { return {left + dx, top + dy, right - dx, bottom - dy}; }
  bool operator==(const FxRect&) const = default;
};

// No control measures more than this in any direction; widths, margins and depths taken from a
// design are held within it, so that their arithmetic cannot overflow.
constexpr int kMaxExtent = 1 << 20;
constexpr int Bounded(int v) { return v < -kMaxExtent ? -kMaxExtent : v > kMaxExtent ? kMaxExtent : v; }

// ---- frames ----------------------------------------------------------------------------------

// How much room a frame style takes on each side: 1 for fsFlat, bevel_width for fsStatus and
// fsPopup, 0 for fsNone, 2 for every other style.
int FrameWidth(TFrameStyleEx style, int bevel_width);

// Deflates `r` on each side of `sides` by `width`.
FxRect DeflateSides(FxRect r, TSides sides, int width);

// The colours frames are drawn in (resolved plain colours).
struct FrameColors {
  RgbColor face = 0;       // BorderColor: the frame's own face colour
  RgbColor highlight = 0;  // BorderHighlight
  RgbColor shadow = 0;     // BorderShadow
  RgbColor flat = 0;       // FlatColor, before its adjustment
  int flat_adjustment = 0;  // positive: lighter, negative: darker
};

// One one-pixel ring of a frame, outermost first: the left and top lines in `first`, then the
// right and bottom lines in `second`. With `cut_corners` the four corner pixels are left out.
struct FrameRing {
  RgbColor first = 0;
  RgbColor second = 0;
  bool cut_corners = false;
  bool operator==(const FrameRing&) const = default;
};

// The dark edge of raised and lowered frames, derived from the shadow colour.
RgbColor FrameDarkShadow(const FrameColors& c);
// The colour of flat frames: the flat colour with its lightness adjustment.
RgbColor AdjustedFlatColor(const FrameColors& c);
// The rings of a frame style, outermost first (FrameWidth(style) rings).
std::vector<FrameRing> FrameRings(TFrameStyleEx style, int bevel_width, const FrameColors& c);

}  // namespace vornada
