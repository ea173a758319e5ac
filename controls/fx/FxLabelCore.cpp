// Effect label arithmetic (see FxLabelCore.h).
#include "FxLabelCore.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vornada {

int NormalizeAngle(int degrees) {
  const int r = degrees % 360;
  return r < 0 ? r + 360 : r;
}

int VerticalTextOffset(TextPlacement placement, int rect_height, int text_height) {
  const int free_height = rect_height - text_height;
  switch (placement) {
    case TextPlacement::kBottom: return free_height;
    case TextPlacement::kCenter: return free_height / 2;  // truncated towards zero
    default: return 0;
  }
}

std::vector<TextCopy> LabelTextCopies(TTextStyle style, bool light, int shadow_depth, bool enabled) {
  if (!enabled) return {{0, 0, TextCopyColor::kDisabled}};
  shadow_depth = Bounded(shadow_depth);
  std::vector<TextCopy> copies;
  switch (style) {
    case TTextStyle::tsRaised:
      if (!light) copies.push_back({1, 1, TextCopyColor::kShadow});
      copies.push_back({-1, -1, TextCopyColor::kHighlight});
      break;
    case TTextStyle::tsRecessed:
      copies.push_back({1, 1, TextCopyColor::kHighlight});
      if (!light) copies.push_back({-1, -1, TextCopyColor::kShadow});
      break;
    case TTextStyle::tsShadow:
      copies.push_back({shadow_depth, shadow_depth, TextCopyColor::kShadow});
      break;
    default:
      break;
  }
  copies.push_back({0, 0, TextCopyColor::kMain});
  return copies;
}

FxRect DeflateRectForBorders(FxRect client, const LabelFrames& f) {
  const int gap = Bounded(f.border_width);
  FxRect r = client.Deflate(gap, gap);
  r = DeflateSides(r, f.sides, FrameWidth(f.outer, f.bevel_width));
  return DeflateSides(r, f.sides, FrameWidth(f.inner, f.bevel_width));
}

namespace {
void AddFrame(const TSides& sides, int frame, int& w, int& h) {
  if (sides.Contains(TSide::sdLeft)) w += frame;
  if (sides.Contains(TSide::sdRight)) w += frame;
  if (sides.Contains(TSide::sdTop)) h += frame;
  if (sides.Contains(TSide::sdBottom)) h += frame;
}
}  // namespace

void InflateBoundsForEffects(int text_width, int text_height, const LabelFrames& f,
                             const LabelEffects& e, int& width, int& height) {
  int w = Bounded(text_width), h = Bounded(text_height);
  const int depth = Bounded(e.shadow_depth), margin = Bounded(e.text_margin), gap = Bounded(f.border_width);
  const bool rotated =
      e.rotation == TRotation::roFlat && NormalizeAngle(e.angle) != 0 && NormalizeAngle(e.angle) != 180;
  if (rotated) {
    if (e.style == TTextStyle::tsShadow) {
      w += depth / 2;
      h += depth / 2;
    }
    RotatedBounds(w, h, e.angle, w, h);
  } else if (e.rotation == TRotation::roNone && e.style == TTextStyle::tsShadow) {
    w += depth;
    h += depth;
  }
  AddFrame(f.sides, FrameWidth(f.outer, f.bevel_width), w, h);
  // The gap between the frames lies on every side, as the text rectangle leaves it.
  w += 2 * gap;
  h += 2 * gap;
  w += 2 * margin;
  h += 2 * margin;
  AddFrame(f.sides, FrameWidth(f.inner, f.bevel_width), w, h);
  width = w;
  height = h;
}

int HorizontalEffectsRoom(const LabelFrames& frames, const LabelEffects& effects) {
  LabelEffects unrotated = effects;
  unrotated.rotation = TRotation::roNone;
  int w = 0, h = 0;
  InflateBoundsForEffects(0, 0, frames, unrotated, w, h);
  return w;
}

void RotatedBounds(int width, int height, int degrees, int& out_width, int& out_height) {
  const double a = NormalizeAngle(degrees) * std::numbers::pi / 180.0;
  const double c = std::fabs(std::cos(a)), s = std::fabs(std::sin(a));
  width = Bounded(width);
  height = Bounded(height);
  // A hair below whole numbers counts as whole (sin 90 is not exactly 1 in floating point).
  out_width = static_cast<int>(std::ceil(width * c + height * s - 1e-9));
  out_height = static_cast<int>(std::ceil(width * s + height * c - 1e-9));
}

void RotatedTextOrigin(double cx, double cy, int width, int height, int degrees, int& x, int& y) {
  const double a = NormalizeAngle(degrees) * std::numbers::pi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  // Screen coordinates (y down): the baseline runs along (cos, -sin), "down" in the text along
  // (sin, cos). The centre is the origin plus half of each.
  const double ox = cx - (width / 2.0 * c + height / 2.0 * s);
  const double oy = cy - (-width / 2.0 * s + height / 2.0 * c);
  x = static_cast<int>(std::lround(ox));
  y = static_cast<int>(std::lround(oy));
}

void CurveCenter(TCenterPoint center, FxRect area, int& x, int& y) {
  const int i = static_cast<int>(center);
  const int col = i % 3, row = i / 3;
  x = col == 0 ? area.left : col == 1 ? (area.left + area.right) / 2 : area.right;
  y = row == 0 ? area.top : row == 1 ? (area.top + area.bottom) / 2 : area.bottom;
}

std::vector<CurveGlyph> CurveLayout(TCenterPoint center, FxRect area, const std::vector<int>& widths,
                                    int char_height, int start_degrees, int advance) {
  std::vector<CurveGlyph> glyphs;
  int px = 0, py = 0;
  CurveCenter(center, area, px, py);
  const int i = static_cast<int>(center);
  // Room from the pivot to the area's edges: half the size when the pivot is in the middle.
  const int room_x = i % 3 == 1 ? area.Width() / 2 : area.Width();
  const int room_y = i / 3 == 1 ? area.Height() / 2 : area.Height();
  const double radius = std::max(1, std::min(room_x, room_y) - char_height);
  const double step = advance / radius * 180.0 / std::numbers::pi;
  double phi = start_degrees;
  for (int w : widths) {
    const double a = phi * std::numbers::pi / 180.0;
    // Outwards (the character's "up") and the clockwise tangent (its baseline), screen axes.
    const double ux = std::cos(a), uy = -std::sin(a);
    const double dx = -uy, dy = ux;
    // The character's bottom centre sits on the circle.
    const double bx = px + radius * ux, by = py + radius * uy;
    const double ox = bx - w / 2.0 * dx + char_height * ux;
    const double oy = by - w / 2.0 * dy + char_height * uy;
    CurveGlyph g;
    g.x = static_cast<int>(std::lround(ox));
    g.y = static_cast<int>(std::lround(oy));
    g.escapement = NormalizeAngle(static_cast<int>(std::lround(phi)) - 90) * 10;
    glyphs.push_back(g);
    phi -= step;
  }
  return glyphs;
}

}  // namespace vornada
