// Geometry of the flat controls.
#include "FlGeometry.h"

#include <algorithm>

namespace vornada::flat {

std::vector<RingPolylines> FrameRings(Rect& r, int rings) {
  std::vector<RingPolylines> out;
  if (rings <= 0) return out;
  out.reserve(static_cast<size_t>(rings));
  // The rings run through the last column and row that belong to the rectangle.
  --r.right;
  --r.bottom;
  for (int i = 0; i < rings; ++i) {
    RingPolylines ring;
    ring.first = {Point{r.left, r.bottom}, Point{r.left, r.top}, Point{r.right, r.top}};
    ring.second = {Point{r.right, r.top}, Point{r.right, r.bottom}, Point{r.left - 1, r.bottom}};
    out.push_back(ring);
    ++r.left;
    ++r.top;
    --r.right;
    --r.bottom;
  }
  ++r.right;
  ++r.bottom;
  return out;
}

Rect PanelCaptionRect(int width, int height, int border, int offset, int text_height) {
  Rect r{border + offset, border + offset, width - border - offset, height - border - offset};
  // Integer division truncates toward zero, as the rule asks for a negative sum too.
  r.top = (r.top + r.bottom - text_height) / 2;
  r.bottom = r.top + text_height;
  return r;
}

ButtonLayout EnabledButtonLayout(int width, int height, int press_offset, int glyph_width,
                                 int glyph_height) {
  ButtonLayout out;
  Rect content{4 + press_offset, press_offset, width - 4 + press_offset, height + press_offset};
  if (glyph_width > 0 && glyph_height > 0) {
    out.glyph = {content.left + 3, content.top + (height - glyph_height) / 2};
    content.left += glyph_width + 3;
  }
  out.caption = content;
  return out;
}

ButtonLayout DisabledButtonLayout(int width, int height, int glyph_width, int glyph_height) {
  ButtonLayout out;
  Rect content{2, 2, width - 2, height - 2};
  if (glyph_width > 0 && glyph_height > 0) {
    out.glyph = {content.left + 5, (height - glyph_height) / 2};
    content.left += glyph_width + 3;
  }
  out.caption = content;
  return out;
}

int EditAutoHeight(int font_height, int system_font_height, int border_height,
                   bool new_style_controls, bool three_dimensional) {
  int extra;
  if (new_style_controls) {
    extra = border_height * (three_dimensional ? 8 : 6);
  } else {
    extra = border_height * 4 + std::min(system_font_height, font_height) / 4;
  }
  return font_height + extra;
}

}  // namespace vornada::flat
