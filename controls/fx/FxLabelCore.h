// The portable arithmetic of the effect label (no windows.h): its enumerations, the angle
// normalisation, where the caption and its effect copies go, how much room frames, margins and
// effects take, and the geometry of rotated and curved captions.
#pragma once

#include <cstddef>
#include <vector>

#include "FxCommonCore.h"

namespace vornada {

enum class TRotation { roNone, roFlat, roCurve };
enum class TCenterPoint {
  cpUpperLeft, cpUpperCenter, cpUpperRight, cpLeftCenter, cpCenter, cpRightCenter, cpLowerLeft,
  cpLowerCenter, cpLowerRight
};
enum class TFxCondenseCaption { ccNone, ccAtEnd, ccWithinPath };

// An angle in degrees brought into 0..359 (-90 is 270, 450 is 90).
int NormalizeAngle(int degrees);

enum class TextPlacement { kTop, kCenter, kBottom };
// How far the text moves down inside a rectangle of `rect_height` for a caption `text_height`
// high: the free height at the bottom, half of it (truncated towards zero) in the middle.
int VerticalTextOffset(TextPlacement placement, int rect_height, int text_height);

// The copies a caption is drawn as, in drawing order, each shifted by (dx, dy).
enum class TextCopyColor { kHighlight, kShadow, kMain, kDisabled };
struct TextCopy {
  int dx = 0, dy = 0;
  TextCopyColor color = TextCopyColor::kMain;
  bool operator==(const TextCopy&) const = default;
};
// Raised: shadow at (+1, +1) then highlight at (-1, -1); recessed: highlight at (+1, +1) then
// shadow at (-1, -1); with `light` only the highlight copy; shadow style: the shadow at
// (+depth, +depth); then the caption itself. Disabled: the caption alone, in grey.
std::vector<TextCopy> LabelTextCopies(TTextStyle style, bool light, int shadow_depth, bool enabled);

// The frames around a label's text.
struct LabelFrames {
  TFrameStyleEx outer = TFrameStyleEx::fsNone;
  TFrameStyleEx inner = TFrameStyleEx::fsNone;
  TSides sides = TSides::All();
  int border_width = 0;
  int bevel_width = 1;
};
// The client rectangle less BorderWidth on all sides and less the outer and inner frame widths
// on each side that carries frames.
FxRect DeflateRectForBorders(FxRect client, const LabelFrames& frames);

struct LabelEffects {
  TRotation rotation = TRotation::roNone;
  int angle = 0;
  TTextStyle style = TTextStyle::tsNormal;
  int shadow_depth = 2;
  int text_margin = 0;
};
// The label's size for a caption measured text_width x text_height: the frames (as
// DeflateRectForBorders takes them), twice the text margin, the drop shadow of an unrotated
// shadow-style caption, and for a flat rotation other than 0 and 180 degrees the bounding box of
// the rotated caption (its shadow, half the depth, added first).
void InflateBoundsForEffects(int text_width, int text_height, const LabelFrames& frames,
                             const LabelEffects& effects, int& width, int& height);
// The width frames, margins and the drop shadow add to an unrotated caption (what a word-wrapped
// caption is measured without, so that sizing it again keeps its size).
int HorizontalEffectsRoom(const LabelFrames& frames, const LabelEffects& effects);

// The bounding box of a width x height box turned by `degrees` (whole pixels, rounded up).
void RotatedBounds(int width, int height, int degrees, int& out_width, int& out_height);
// Where the top-left reference point of a one-line caption width x height goes so that the
// caption, turned counter-clockwise by `degrees`, is centred on (cx, cy).
void RotatedTextOrigin(double cx, double cy, int width, int height, int degrees, int& x, int& y);

// One character of a curved caption: its top-left reference point and the escapement of its
// font in tenths of a degree.
struct CurveGlyph {
  int x = 0, y = 0;
  int escapement = 0;
  bool operator==(const CurveGlyph&) const = default;
};
// A caption curved along a circle about the point chosen by `center` in `area`: the characters
// stand on the circle with their tops outwards, reading clockwise from `start_degrees` (0 is to
// the right, 90 up); each one advances along the circle by `advance` pixels (the width of "w"
// plus 2). The radius leaves room for one character height inside the area. `widths` are the
// characters' widths, `char_height` their height.
std::vector<CurveGlyph> CurveLayout(TCenterPoint center, FxRect area, const std::vector<int>& widths,
                                    int char_height, int start_degrees, int advance);
// The pivot a curved caption turns about.
void CurveCenter(TCenterPoint center, FxRect area, int& x, int& y);

}  // namespace vornada
