// The separator and the gradient fills under Wine: the window's separators pixel by pixel, the
// derived gradient settings, the orientation swap (not while loading), colour changes, the
// flat bar and the paletted display, and DrawGradient's directions drawn through the platform.
#include <gtest/gtest.h>

#include <memory>

#include "FxBckgnd.h"
#include "FxGrafx.h"
#include "FxTestSupport.h"

namespace vornada {
namespace {

using testing::GreyRgb;
using testing::Rgb;

std::unique_ptr<TFxSeparator> NewSeparator() {
  auto s = std::make_unique<TFxSeparator>(nullptr);
  s->SetParent(&testing::StagePanel());
  return s;
}

TEST(Separator, DefaultsOfANewSeparator) {
  auto s = NewSeparator();
  EXPECT_EQ(s->Width(), 200);
  EXPECT_EQ(s->Height(), 2);
  EXPECT_TRUE(s->ShowGradient());
  EXPECT_EQ(s->HighlightColor(), clHighlight);
  EXPECT_EQ(s->HighlightLocation(), TFxHighlightLocation::hlCenter);
  EXPECT_EQ(s->Orientation(), TOrientation::orHorizontal);
  EXPECT_TRUE(s->ParentColor());
  // With ParentColor the stage panel's colour is the separator's.
  EXPECT_EQ(s->Color(), testing::StagePanel().Color());
  EXPECT_EQ(s->GradientDirection(), TGradientDirection::gdVerticalCenter);
}

TEST(Separator, TheWindowsSeparatorReadFromTheDesign) {
  auto s = NewSeparator();
  testing::LoadAsDesigned(*s, [&] {
    s->SetBounds(583, 88, 5, 375);
    s->SetOrientation(TOrientation::orVertical);
    s->SetHighlightColor(14671839);
    s->SetColor(clWhite);
  });
  // Read from the design, the orientation does not swap the size.
  EXPECT_EQ(s->Width(), 5);
  EXPECT_EQ(s->Height(), 375);
  EXPECT_EQ(s->GradientDirection(), TGradientDirection::gdHorizontalCenter);
  EXPECT_EQ(s->StartColor(), clWhite);
  EXPECT_EQ(s->StopColor(), 14671839);
  const auto r = testing::RenderControl(*s);
  ASSERT_EQ(r.height, 375);
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(r.At(x, 0), GreyRgb(254)) << x;
    EXPECT_EQ(r.At(x, 187), GreyRgb(223)) << x;
    EXPECT_EQ(r.At(x, 188), GreyRgb(223)) << x;
    EXPECT_EQ(r.At(x, 374), GreyRgb(255)) << x;
  }
  // The middle is darkest; from there the rows lighten towards both ends, never going back.
  for (int y = 1; y <= 187; ++y) EXPECT_LE(r.At(0, y) & 0xFF, r.At(0, y - 1) & 0xFF) << y;
  for (int y = 189; y < 375; ++y) EXPECT_GE(r.At(0, y) & 0xFF, r.At(0, y - 1) & 0xFF) << y;
}

TEST(Separator, OrientationFromCodeSwapsTheSize) {
  auto s = NewSeparator();
  s->SetOrientation(TOrientation::orVertical);
  EXPECT_EQ(s->Width(), 2);
  EXPECT_EQ(s->Height(), 200);
  EXPECT_EQ(s->GradientDirection(), TGradientDirection::gdHorizontalCenter);
  s->SetOrientation(TOrientation::orVertical);  // same value: nothing happens
  EXPECT_EQ(s->Width(), 2);
  s->SetOrientation(TOrientation::orHorizontal);
  EXPECT_EQ(s->Width(), 200);
  EXPECT_EQ(s->Height(), 2);
}

struct EndCase {
  TFxHighlightLocation location;
  std::vector<int> columns;  // Color white, HighlightColor black
};
class SeparatorEnds : public ::testing::TestWithParam<EndCase> {};
TEST_P(SeparatorEnds, HighlightAtOneEnd) {
  auto s = NewSeparator();
  s->SetBounds(0, 0, 10, 3);
  s->SetColor(clWhite);
  s->SetHighlightColor(clBlack);
  s->SetHighlightLocation(GetParam().location);
  const auto r = testing::RenderControl(*s);
  for (int x = 0; x < 10; ++x)
    for (int y = 0; y < 3; ++y) EXPECT_EQ(r.At(x, y), GreyRgb(GetParam().columns[static_cast<size_t>(x)])) << x;
}
INSTANTIATE_TEST_SUITE_P(
    Locations, SeparatorEnds,
    ::testing::Values(
        // Lower right: from white (start, left) to black (stop, exactly at the right end); one
        // pass over 10 columns: column 9 - k is floor(k * 25.5).
        EndCase{TFxHighlightLocation::hlLowerRight, {229, 204, 178, 153, 127, 102, 76, 51, 25, 0}},
        // Upper left: black at the start end, white exactly at the far end: 255 - k * 25.5.
        EndCase{TFxHighlightLocation::hlUpperLeft, {25, 51, 76, 102, 127, 153, 178, 204, 229, 255}}));

TEST(Separator, ColourChangesRecomputeTheGradient) {
  auto s = NewSeparator();
  s->SetBounds(0, 0, 9, 4);
  s->SetHighlightColor(clBlack);
  // The parent's colour reaches a separator with ParentColor.
  TPanel panel(nullptr);
  panel.SetParent(&testing::StageForm());
  panel.SetBounds(0, 0, 50, 50);
  s->SetParent(&panel);
  panel.SetColor(RGB(200, 100, 50));
  EXPECT_EQ(s->Color(), RGB(200, 100, 50));
  EXPECT_EQ(s->StartColor(), RGB(200, 100, 50));
  const auto r = testing::RenderControl(*s);
  // Centre form over 9 columns: split 4; column 8 is the start colour exactly.
  EXPECT_EQ(r.At(8, 0), MakeRgb(200, 100, 50));
  EXPECT_EQ(r.At(4, 0), MakeRgb(0, 0, 0));
  s->SetColor(clWhite);
  EXPECT_FALSE(s->ParentColor());
  EXPECT_EQ(testing::RenderControl(*s).At(8, 2), GreyRgb(255));
  s->SetParent(nullptr);
}

TEST(Separator, FlatBarWithoutGradientAndOnAPalettedDisplay) {
  auto s = NewSeparator();
  s->SetBounds(0, 0, 12, 3);
  s->SetColor(RGB(1, 100, 200));
  s->SetHighlightColor(RGB(90, 80, 70));
  s->SetShowGradient(false);
  auto r = testing::RenderControl(*s);
  EXPECT_EQ(testing::CountColor(r, MakeRgb(1, 100, 200)), 36);
  s->SetShowGradient(true);
  SetFullColorDisplay(false);
  r = testing::RenderControl(*s);
  SetFullColorDisplay(true);
  // The centre form's stop colour is the highlight colour, not the separator's colour.
  EXPECT_EQ(testing::CountColor(r, MakeRgb(90, 80, 70)), 36);
}

TEST(Separator, ASeparatorLargerThanAnyDisplayIsItsStopColour) {
  auto s = NewSeparator();
  s->SetBounds(0, 0, 3, 70000);
  s->SetOrientation(TOrientation::orVertical);  // swaps: 70000 x 3
  s->SetHighlightColor(RGB(90, 80, 70));
  const auto r = testing::RenderControl(*s);
  EXPECT_EQ(testing::CountColor(r, MakeRgb(90, 80, 70)), 70000 * 3);
  TBitmap target;
  testing::MakeFilled32(target, 4, 4, clBlack);
  ScopedCanvasLock lock(target.Canvas());
  EXPECT_THROW(DrawGradient(target.Canvas(), {0, 0, 70000, 1}, TGradientDirection::gdVerticalEnd,
                            clWhite, clBlack, 1),
               EOutOfResources);
}

TEST(Separator, AnEmptySeparatorGrowsToOnePixelWhenPainted) {
  auto s = NewSeparator();
  s->SetBounds(0, 0, 0, 7);
  TBitmap target;
  testing::MakeFilled32(target, 10, 10, clBlack);
  {
    ScopedCanvasLock lock(target.Canvas());
    s->Perform(WM_PAINT, reinterpret_cast<WPARAM>(target.Canvas().Handle()), 0);
  }
  EXPECT_EQ(s->Width(), 1);
  EXPECT_EQ(s->Height(), 7);
}

// ---- DrawGradient through the platform -------------------------------------------------------

testing::Rendering Draw(TGradientDirection d, RECT bounds, TColor start, TColor stop) {
  TBitmap target;
  testing::MakeFilled32(target, 20, 12, RGB(9, 9, 9));
  {
    ScopedCanvasLock lock(target.Canvas());
    DrawGradient(target.Canvas(), bounds, d, start, stop, 1);
  }
  testing::Rendering out;
  out.width = 20;
  out.height = 12;
  out.pixels = testing::PixelsOf(target);
  return out;
}

TEST(DrawGradient, ZeroSizedBoundsDrawNothing) {
  for (const RECT& r : {RECT{5, 5, 5, 10}, RECT{5, 5, 12, 5}})
    EXPECT_EQ(testing::CountColor(Draw(TGradientDirection::gdHorizontalEnd, r, clWhite, clBlack),
                                  GreyRgb(9)), 240);
}

TEST(DrawGradient, StripsAreSpreadOverWideAreas) {
  // 19 x 11 at (1, 1): a horizontal-centre strip copied across 19 columns (more than 8).
  const auto r = Draw(TGradientDirection::gdHorizontalCenter, {1, 1, 20, 12}, clWhite, clBlack);
  // Centre form over 11 rows, split 5: row 5 black, row 10 white; row 0 (position 0) from pass
  // one over 6 positions: inc = 2785280, 5 steps: floor(5 * 42.5) = 212.
  for (int x = 1; x < 20; ++x) {
    EXPECT_EQ(r.At(x, 1 + 5), GreyRgb(0)) << x;
    EXPECT_EQ(r.At(x, 1 + 10), GreyRgb(255)) << x;
    EXPECT_EQ(r.At(x, 1 + 0), GreyRgb(212)) << x;
  }
  EXPECT_EQ(r.At(0, 0), GreyRgb(9));
  // Vertical end over 12 columns, 3 rows high (less than the strip's 8).
  const auto v = Draw(TGradientDirection::gdVerticalEnd, {0, 0, 12, 3}, clBlack, clWhite);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(v.At(11, y), GreyRgb(255));
  EXPECT_EQ(v.At(0, 3), GreyRgb(9));
}

TEST(DrawGradient, PerPixelDirectionsAtTheirCornersAndCentre) {
  // 7 x 5 at (2, 3), start white, stop black (see the portable tests for the positions).
  const RECT b{2, 3, 9, 8};
  auto at = [](const testing::Rendering& r, int x, int y) { return r.At(2 + x, 3 + y); };
  const auto down = Draw(TGradientDirection::gdDiagonalDown, b, clWhite, clBlack);
  // 11 positions (x + y): position 10 - k is floor(k * 255 / 11) (inc = 1519243).
  EXPECT_EQ(at(down, 6, 4), GreyRgb(0));
  EXPECT_EQ(at(down, 0, 0), GreyRgb((10 * 1519243) >> 16));
  EXPECT_EQ(at(down, 6, 0), GreyRgb((4 * 1519243) >> 16));
  EXPECT_EQ(at(down, 0, 4), GreyRgb((6 * 1519243) >> 16));
  const auto square = Draw(TGradientDirection::gdSquareBox, b, clWhite, clBlack);
  EXPECT_EQ(at(square, 3, 2), GreyRgb(0));
  EXPECT_EQ(at(square, 0, 0), GreyRgb(191));
  const auto big = Draw(TGradientDirection::gdBigSquareBox, b, clWhite, clBlack);
  EXPECT_EQ(at(big, 3, 2), GreyRgb(0));
  EXPECT_EQ(at(big, 6, 4), GreyRgb(191));
  EXPECT_EQ(at(big, 3, 4), GreyRgb(191));
  const auto hbox = Draw(TGradientDirection::gdHorizontalBox, b, clWhite, clBlack);
  EXPECT_EQ(at(hbox, 3, 2), GreyRgb(0));
  EXPECT_EQ(at(hbox, 6, 0), GreyRgb(170));
  // Outside the bounds nothing changed.
  EXPECT_EQ(down.At(1, 3), GreyRgb(9));
  EXPECT_EQ(down.At(9, 7), GreyRgb(9));
  EXPECT_EQ(down.At(2, 8), GreyRgb(9));
}

TEST(DrawGradient, ReversedBoundsDrawAtTheirLeftTopCorner) {
  // Right of left and below top: the size is the absolute difference, drawn at (left, top).
  const auto r = Draw(TGradientDirection::gdVerticalEnd, {4, 2, 0, 0}, clBlack, clWhite);
  EXPECT_EQ(r.At(4 + 3, 2), GreyRgb(255));
  EXPECT_EQ(r.At(3, 2), GreyRgb(9));
  EXPECT_EQ(r.At(8, 2), GreyRgb(9));
}

TEST(DrawGradient, SystemColoursAreResolved) {
  const auto r = Draw(TGradientDirection::gdVerticalEnd, {0, 0, 3, 1}, clBtnFace, clHighlight);
  EXPECT_EQ(r.At(2, 0), Rgb(clHighlight));
}

}  // namespace
}  // namespace vornada
