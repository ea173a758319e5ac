// The effect label's arithmetic: angles, vertical placement, the effect copies, the room frames
// and effects take, and rotated and curved caption geometry.
#include <gtest/gtest.h>

#include <cmath>

#include "FxLabelCore.h"

namespace vornada {
namespace {

TEST(LabelAngles, NormalisedIntoOneTurn) {
  const std::pair<int, int> cases[] = {{0, 0},     {90, 90},    {-90, 270}, {450, 90},
                                       {360, 0},   {-360, 0},   {719, 359}, {-1, 359},
                                       {-450, 270}, {-721, 359}};
  for (auto [in, out] : cases) EXPECT_EQ(NormalizeAngle(in), out) << in;
}

TEST(LabelPlacement, BottomTakesTheFreeHeightAndCentreHalfOfItTruncated) {
  EXPECT_EQ(VerticalTextOffset(TextPlacement::kTop, 40, 13), 0);
  EXPECT_EQ(VerticalTextOffset(TextPlacement::kBottom, 40, 13), 27);
  EXPECT_EQ(VerticalTextOffset(TextPlacement::kCenter, 40, 13), 13);
  // A caption taller than its rectangle: -5 / 2 is -2, not -3.
  EXPECT_EQ(VerticalTextOffset(TextPlacement::kCenter, 10, 15), -2);
  EXPECT_EQ(VerticalTextOffset(TextPlacement::kBottom, 10, 15), -5);
}

struct CopiesCase {
  TTextStyle style;
  bool light;
  bool enabled;
  std::vector<TextCopy> copies;
};
class LabelCopiesTable : public ::testing::TestWithParam<CopiesCase> {};
TEST_P(LabelCopiesTable, InDrawingOrder) {
  const auto& c = GetParam();
  EXPECT_EQ(LabelTextCopies(c.style, c.light, 3, c.enabled), c.copies);
}
constexpr auto kHi = TextCopyColor::kHighlight, kSh = TextCopyColor::kShadow,
               kMain = TextCopyColor::kMain, kGrey = TextCopyColor::kDisabled;
INSTANTIATE_TEST_SUITE_P(
    Styles, LabelCopiesTable,
    ::testing::Values(
        CopiesCase{TTextStyle::tsNormal, false, true, {{0, 0, kMain}}},
        CopiesCase{TTextStyle::tsNormal, true, true, {{0, 0, kMain}}},
        CopiesCase{TTextStyle::tsRaised, false, true, {{1, 1, kSh}, {-1, -1, kHi}, {0, 0, kMain}}},
        CopiesCase{TTextStyle::tsRaised, true, true, {{-1, -1, kHi}, {0, 0, kMain}}},
        CopiesCase{TTextStyle::tsRecessed, false, true, {{1, 1, kHi}, {-1, -1, kSh}, {0, 0, kMain}}},
        CopiesCase{TTextStyle::tsRecessed, true, true, {{1, 1, kHi}, {0, 0, kMain}}},
        CopiesCase{TTextStyle::tsShadow, false, true, {{3, 3, kSh}, {0, 0, kMain}}},
        CopiesCase{TTextStyle::tsShadow, true, true, {{3, 3, kSh}, {0, 0, kMain}}},
        CopiesCase{TTextStyle::tsRaised, false, false, {{0, 0, kGrey}}},
        CopiesCase{TTextStyle::tsShadow, true, false, {{0, 0, kGrey}}}));

TEST(LabelBorders, DeflateByTheGapOnAllSidesAndByFramesOnTheirSides) {
  LabelFrames f;
  EXPECT_EQ(DeflateRectForBorders({0, 0, 50, 20}, f), (FxRect{0, 0, 50, 20}));
  f.outer = TFrameStyleEx::fsRaised;      // 2
  f.inner = TFrameStyleEx::fsFlat;        // 1
  f.border_width = 3;
  EXPECT_EQ(DeflateRectForBorders({0, 0, 50, 20}, f), (FxRect{6, 6, 44, 14}));
  f.sides = {TSide::sdLeft, TSide::sdTop};
  EXPECT_EQ(DeflateRectForBorders({0, 0, 50, 20}, f), (FxRect{6, 6, 47, 17}));
  f.outer = TFrameStyleEx::fsStatus;
  f.bevel_width = 4;
  EXPECT_EQ(DeflateRectForBorders({0, 0, 50, 20}, f), (FxRect{8, 8, 47, 17}));
}

TEST(LabelBounds, InflateAddsWhatTheTextRectangleLeavesOut) {
  LabelFrames f;
  LabelEffects e;
  int w = 0, h = 0;
  InflateBoundsForEffects(30, 13, f, e, w, h);
  EXPECT_EQ(w, 30);
  EXPECT_EQ(h, 13);
  e.style = TTextStyle::tsShadow;
  e.shadow_depth = 2;
  InflateBoundsForEffects(30, 13, f, e, w, h);
  EXPECT_EQ(w, 32);
  EXPECT_EQ(h, 15);
  e.text_margin = 4;
  f.outer = TFrameStyleEx::fsGroove;
  f.inner = TFrameStyleEx::fsFlat;
  f.border_width = 1;
  f.sides = {TSide::sdLeft, TSide::sdRight, TSide::sdTop};
  InflateBoundsForEffects(30, 13, f, e, w, h);
  // Width: 30 + 2 shadow + 2*2 outer + 2*1 gap + 2*4 margin + 2*1 inner = 48.
  // Height: 13 + 2 shadow + 2 outer (top only) + 2 gap + 8 margin + 1 inner = 28.
  EXPECT_EQ(w, 48);
  EXPECT_EQ(h, 28);
  // The label's text rectangle, deflated from that size, holds the caption and its shadow.
  const FxRect text = DeflateRectForBorders({0, 0, w, h}, f).Deflate(e.text_margin, e.text_margin);
  EXPECT_EQ(text.Width(), 32);
  EXPECT_EQ(text.Height(), 15);
  EXPECT_EQ(HorizontalEffectsRoom(f, e), 18);
}

TEST(LabelBounds, FlatRotationTakesTheRotatedBox) {
  LabelFrames f;
  LabelEffects e;
  e.rotation = TRotation::roFlat;
  e.angle = 90;
  int w = 0, h = 0;
  InflateBoundsForEffects(40, 12, f, e, w, h);
  EXPECT_EQ(w, 12);
  EXPECT_EQ(h, 40);
  e.angle = 180;  // upside down: the unrotated size
  InflateBoundsForEffects(40, 12, f, e, w, h);
  EXPECT_EQ(w, 40);
  EXPECT_EQ(h, 12);
  e.angle = 90;
  e.style = TTextStyle::tsShadow;
  e.shadow_depth = 4;  // half the depth is added before turning
  InflateBoundsForEffects(40, 12, f, e, w, h);
  EXPECT_EQ(w, 14);
  EXPECT_EQ(h, 42);
}

TEST(LabelBounds, ExtremeDesignValuesStayWithinBounds) {
  LabelFrames f;
  f.border_width = 2147483647;
  f.outer = TFrameStyleEx::fsStatus;
  f.bevel_width = -2147483647 - 1;
  LabelEffects e;
  e.text_margin = 2147483647;
  e.style = TTextStyle::tsShadow;
  e.shadow_depth = 2147483647;
  int w = 0, h = 0;
  InflateBoundsForEffects(2147483647, 10, f, e, w, h);
  EXPECT_GT(w, 0);
  EXPECT_LE(w, 8 * kMaxExtent);
  EXPECT_LE(h, 8 * kMaxExtent);
  const FxRect r = DeflateRectForBorders({0, 0, 100, 100}, f);
  EXPECT_EQ(r.left, kMaxExtent);
  EXPECT_EQ(LabelTextCopies(TTextStyle::tsShadow, false, -2147483647 - 1, true)[0].dx, -kMaxExtent);
}

TEST(LabelRotation, BoundsAndOrigin) {
  int w = 0, h = 0;
  RotatedBounds(30, 10, 45, w, h);
  // 30 cos 45 + 10 sin 45 = 28.28: 29 both ways.
  EXPECT_EQ(w, 29);
  EXPECT_EQ(h, 29);
  RotatedBounds(30, 10, 270, w, h);
  EXPECT_EQ(w, 10);
  EXPECT_EQ(h, 30);
  int x = 0, y = 0;
  RotatedTextOrigin(50, 20, 30, 10, 0, x, y);
  EXPECT_EQ(x, 35);
  EXPECT_EQ(y, 15);
  // Turned a quarter counter-clockwise the text runs upwards: its top-left reference point is
  // left of the centre by half its height and below it by half its width.
  RotatedTextOrigin(50, 20, 30, 10, 90, x, y);
  EXPECT_EQ(x, 45);
  EXPECT_EQ(y, 35);
  RotatedTextOrigin(50, 20, 30, 10, 180, x, y);
  EXPECT_EQ(x, 65);
  EXPECT_EQ(y, 25);
}

TEST(LabelCurve, CharactersStandOnACircleAboutThePivot) {
  const FxRect area{0, 0, 100, 100};
  int px = 0, py = 0;
  CurveCenter(TCenterPoint::cpCenter, area, px, py);
  EXPECT_EQ(px, 50);
  EXPECT_EQ(py, 50);
  CurveCenter(TCenterPoint::cpLowerRight, area, px, py);
  EXPECT_EQ(px, 100);
  EXPECT_EQ(py, 100);
  const std::vector<int> widths = {8, 8, 8};
  const auto glyphs = CurveLayout(TCenterPoint::cpCenter, area, widths, 10, 90, 10);
  ASSERT_EQ(glyphs.size(), 3u);
  // Radius: half the area less one character height = 40. The first character stands at the
  // top (90 degrees), upright: its cell's top-left corner is (50 - 4, 50 - 40 - 10).
  EXPECT_EQ(glyphs[0].x, 46);
  EXPECT_EQ(glyphs[0].y, 0);
  EXPECT_EQ(glyphs[0].escapement, 0);
  // The next ones follow clockwise: 10 pixels along a radius of 40 is 14.3 degrees each.
  const double step = 10.0 / 40 * 180 / 3.14159265358979;
  EXPECT_EQ(glyphs[1].escapement, NormalizeAngle(static_cast<int>(std::lround(90 - step)) - 90) * 10);
  EXPECT_GT(glyphs[1].x, glyphs[0].x);
  EXPECT_GT(glyphs[2].x, glyphs[1].x);
  EXPECT_GT(glyphs[2].y, glyphs[1].y);
  // Each character's bottom centre lies on the circle.
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const double a = (90 - step * static_cast<double>(i)) * 3.14159265358979 / 180;
    const double ux = std::cos(a), uy = -std::sin(a);
    const double bx = glyphs[i].x + 4 * -uy - 10 * ux, by = glyphs[i].y + 4 * ux - 10 * uy;
    EXPECT_NEAR(std::hypot(bx - 50, by - 50), 40, 1.0) << i;
  }
}

}  // namespace
}  // namespace vornada
