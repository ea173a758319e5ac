// Geometry of the flat controls (portable, no windows.h): the one-pixel rings of the flat
// edit's border, the flat panel's caption rectangle and corner size, the flat button's content
// layout, and the flat edit's automatic height.
#pragma once

#include <array>
#include <vector>

namespace vornada::flat {

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point&) const = default;
};

// A rectangle whose right and bottom edges lie outside it, as the platform's RECT.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

// ---- border rings ----------------------------------------------------------------------------

// One ring of a frame as the two polylines the platform draws with a one-pixel pen (a polyline
// leaves out its last point): (left, bottom) → (left, top) → (right, top), then
// (right, top) → (right, bottom) → (left − 1, bottom), where right and bottom are the ring's
// own last column and row.
struct RingPolylines {
  std::array<Point, 3> first;
  std::array<Point, 3> second;
};

// The `rings` rings of one colour along the inside of `r`, outermost first. `r` comes back
// shrunk by `rings` on every side, ready for the next frame inside this one.
std::vector<RingPolylines> FrameRings(Rect& r, int rings);

// ---- panel -----------------------------------------------------------------------------------

// The caption's line of a panel `width` × `height` with border width `border` and caption offset
// `offset`, for a font whose letter "W" is `text_height` high: horizontally the panel narrowed by
// border + offset on each side; vertically one line of `text_height` centred in the panel
// narrowed the same way (the top rounded toward zero).
Rect PanelCaptionRect(int width, int height, int border, int offset, int text_height);

// The corner ellipse's width and height of a panel's rounded rectangle: border − corners − 1
// (passed on unchanged, also when zero or negative).
constexpr int PanelCornerSize(int border, int corners_offset) { return border - corners_offset - 1; }

// ---- button ----------------------------------------------------------------------------------

// Where a flat button `width` × `height` puts its glyph (`glyph_width` × `glyph_height`, none when
// either is 0) and its caption.
struct ButtonLayout {
  Point glyph;   // top-left of the glyph
  Rect caption;  // the rectangle the caption is centred in
};

// Enabled look: the content rectangle is the button narrowed by 4 on the left and right, moved
// right and down by `press_offset` while the button is hot and pressed (pass 0 otherwise); the
// glyph goes to (left + 3, top + (height − glyph height) div 2) and the caption's rectangle
// starts glyph width + 3 further right.
ButtonLayout EnabledButtonLayout(int width, int height, int press_offset, int glyph_width,
                                 int glyph_height);
// Disabled look: the content rectangle is (2, 2)–(width − 2, height − 2); the glyph goes to
// (left + 5, (height − glyph height) div 2) and the caption's rectangle starts glyph width + 3
// further right.
ButtonLayout DisabledButtonLayout(int width, int height, int glyph_width, int glyph_height);

// ---- edit ------------------------------------------------------------------------------------

// The height of a single-line edit that fits its font: the font's character cell height plus
// room for the border. With the platform's new-style controls the room is 8 system border
// heights (6 when the control is not three-dimensional); without them it is 4 border heights
// plus a quarter of the smaller of the system font's and the control font's heights.
int EditAutoHeight(int font_height, int system_font_height, int border_height,
                   bool new_style_controls, bool three_dimensional);

}  // namespace vornada::flat
