// The portable arithmetic of the bitmap button (no windows.h): its enumerations, the glyph cell
// rules, the places of the focus border, the caption and the glyph, the visual-style state, the
// caption's copies, the colours of its faces and the stock kinds.
#pragma once

#include <string>
#include <cstddef>
#include <vector>

#include "FxCommonCore.h"
#include "FxLabelCore.h"

namespace vornada {

enum class TAlignmentVertical { avTop, avCenter, avBottom };
enum class TFxHotTrackColorType { htctComplement, htctActual };
enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum class TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

// How a button face is drawn.
enum class ButtonFaceMode { kClassic, kThemed, kHotTrack };

// The state of a button that decides where things go.
struct ButtonGeometryInput {
  int width = 0, height = 0;  // client size
  ButtonFaceMode mode = ButtonFaceMode::kClassic;
  bool pressed_look = false;  // the button is held down now
  bool down = false;          // a grouped button latched down
  bool grouped = false;
};

// Pressed: latched down or held down.
inline bool IsPressed(const ButtonGeometryInput& b) { return b.down || b.pressed_look; }

// The dotted focus border's rectangle: the client less 3 (hot-track or themed) or 4 (classic),
// moved by (1, 1) for a grouped button that is pressed.
FxRect ButtonFocusRect(const ButtonGeometryInput& b);
// The black dots of the focus border on `f`: every second position along the four edges.
struct FxPoint {
  int x = 0, y = 0;
  bool operator==(const FxPoint&) const = default;
};
std::vector<FxPoint> FocusBorderDots(FxRect f);

// The caption rectangle of a button without a glyph: the client less 5, moved by (1, 1) when
// the classic face is pressed.
FxRect ButtonCaptionRect(const ButtonGeometryInput& b);

// What the glyph layout needs to know.
struct GlyphLayoutInput {
  TButtonLayout layout = TButtonLayout::blGlyphLeft;
  bool right_to_left = false;  // blGlyphLeft becomes blGlyphRight
  int margin = 2;              // -1: centred together with the caption
  int spacing = 4;
  int glyph_width = 0, glyph_height = 0;
  bool has_glyph = false;
  int caption_height = 0;  // the measured caption height (used with margin -1)
};
// The caption rectangle of a button with a glyph: room reserved for the glyph.
FxRect BitBtnCaptionRect(const ButtonGeometryInput& b, const GlyphLayoutInput& g);
// The glyph's rectangle.
FxRect BitBtnGlyphRect(const ButtonGeometryInput& b, const GlyphLayoutInput& g);

// Vertical placement of a caption h high in `r`: top, centred (truncated towards zero), or one
// pixel above the bottom.
FxRect PlaceCaptionVertically(FxRect r, TAlignmentVertical placement, int h);

// The number of cells of a glyph bitmap: width / height when the height is not zero and the
// width a multiple of it (outside 1..4: 1); otherwise `current` stays.
int NumGlyphsFor(int width, int height, int current);
// The cell drawn: 3 for a latched-down button of a four-cell glyph, else 2 while pressed with at
// least three cells, else 1 while disabled with at least two, else 0.
int GlyphCell(int num_glyphs, bool down, bool pressed_look, bool enabled);

// The visual-style state of the push-button part: 1 normal, 2 hot, 3 pressed, 4 disabled,
// 5 defaulted.
struct ThemedStateInput {
  bool enabled = true;
  bool pressed = false;
  bool mouse_inside = false;
  bool grouped = false;
  bool active = false;   // reacts to Enter
  bool focused = false;
  bool pressed_look = false;
};
int ThemedPushButtonState(const ThemedStateInput& s);

// The copies of a button caption in drawing order (see the label's copies). A right-aligned
// caption is drawn `depth` pixels further left, its raised or recessed copies with it; its drop
// shadow stays at (0, +depth), so that it lies `depth` right of and below the caption.
std::vector<TextCopy> ButtonTextCopies(TTextStyle style, bool light, int depth,
                                              bool right_aligned, bool enabled);

// The classic face's bevel rings (outermost first) for a face colour. `system_face` is true when
// the face colour is the system button face: the system's 3-D colours are used then (given in
// `system`), otherwise colours derived from the face.
struct ClassicColors {
  RgbColor highlight = 0, dark_shadow = 0, light = 0, shadow = 0, text = 0;
};
std::vector<FrameRing> ClassicBevelRings(bool pressed, bool system_face, RgbColor face,
                                         const ClassicColors& system);

// The hot-track highlight ring's two gradient colours (top, bottom).
struct HotTrackRing {
  RgbColor top = 0, bottom = 0;
};
HotTrackRing HotTrackHighlight(TFxHotTrackColorType type, RgbColor hot_track_color);
HotTrackRing FocusHighlight(RgbColor face, RgbColor highlight, RgbColor system_face);

// The disabled caption colour: the dark shadow when the face is nearly the grey text colour.
RgbColor DisabledCaptionColor(RgbColor face, RgbColor gray_text, RgbColor dark_shadow);

// The 8 x 8 pattern of a latched-down grouped button: the face colour, with every pixel whose
// row and column have equal parity silver (grey when the face itself is silver).
RgbColor DownPatternPixel(RgbColor face, int x, int y);

// Stock kinds: caption, modal result, Default and Cancel, and the glyph (two cells, 18 x 18
// each, as rows of characters: '.' transparent, others colours from the legend of the kind).
struct StockKind {
  const wchar_t* caption;
  int modal_result;
  bool is_default;
  bool is_cancel;
};
StockKind StockKindOf(TBitBtnKind kind);
// The glyph of a stock kind as 36 x 18 pixels (enabled cell, then disabled cell), rows top-down;
// `transparent` marks the background colour used (the lower-left pixel is always background).
std::vector<RgbColor> StockGlyphPixels(TBitBtnKind kind, RgbColor transparent);
constexpr int kStockGlyphSize = 18;

}  // namespace vornada
