// The colour routines of the effect controls on the HSL scale of 0 to 240, and the frame
// arithmetic. Expected colours were worked out with Python's colorsys (an independent
// conversion), scaled to 0..240 and taken to the nearest integer as the rules say.
#include <gtest/gtest.h>

#include "FxCommonCore.h"

namespace vornada {
namespace {

struct HslCase {
  RgbColor rgb;
  Hsl hsl;
};
class RgbToHslTable : public ::testing::TestWithParam<HslCase> {};
TEST_P(RgbToHslTable, ConvertsToTheNearestIntegers) {
  EXPECT_EQ(RgbToHsl(GetParam().rgb), GetParam().hsl);
}
INSTANTIATE_TEST_SUITE_P(
    Colors, RgbToHslTable,
    ::testing::Values(HslCase{MakeRgb(255, 0, 0), {0, 240, 120}},
                      HslCase{MakeRgb(0, 128, 0), {80, 240, 60}},
                      HslCase{MakeRgb(240, 155, 20), {25, 211, 122}},
                      HslCase{MakeRgb(245, 245, 245), {0, 0, 231}},
                      HslCase{MakeRgb(0, 0, 0), {0, 0, 0}},
                      HslCase{MakeRgb(255, 255, 255), {0, 0, 240}},
                      HslCase{MakeRgb(30, 60, 200), {153, 177, 108}},
                      HslCase{MakeRgb(49, 182, 0), {69, 240, 86}}));

struct LightnessCase {
  RgbColor color;
  int n;
  RgbColor lighter, darker;
};
class LightenDarkenTable : public ::testing::TestWithParam<LightnessCase> {};
TEST_P(LightenDarkenTable, MoveTheLightnessWithinTheScale) {
  const auto& c = GetParam();
  EXPECT_EQ(LightenRgb(c.color, c.n), c.lighter);
  EXPECT_EQ(DarkenRgb(c.color, c.n), c.darker);
}
INSTANTIATE_TEST_SUITE_P(
    Colors, LightenDarkenTable,
    ::testing::Values(
        LightnessCase{MakeRgb(255, 0, 0), 20, MakeRgb(255, 43, 43), MakeRgb(213, 0, 0)},
        LightnessCase{MakeRgb(255, 0, 0), 100, MakeRgb(255, 213, 213), MakeRgb(43, 0, 0)},
        LightnessCase{MakeRgb(0, 128, 0), 100, MakeRgb(85, 255, 85), MakeRgb(0, 0, 0)},
        LightnessCase{MakeRgb(240, 155, 20), 30, MakeRgb(244, 182, 79), MakeRgb(184, 119, 12)},
        LightnessCase{MakeRgb(245, 245, 245), 40, MakeRgb(255, 255, 255), MakeRgb(203, 203, 203)},
        LightnessCase{MakeRgb(128, 128, 128), 30, MakeRgb(159, 159, 159), MakeRgb(96, 96, 96)},
        LightnessCase{MakeRgb(0, 0, 0), 40, MakeRgb(43, 43, 43), MakeRgb(0, 0, 0)},
        LightnessCase{MakeRgb(255, 255, 255), 30, MakeRgb(255, 255, 255), MakeRgb(223, 223, 223)},
        LightnessCase{MakeRgb(30, 60, 200), 40, MakeRgb(85, 110, 229), MakeRgb(19, 38, 126)},
        LightnessCase{MakeRgb(214, 214, 214), 20, MakeRgb(235, 235, 235), MakeRgb(192, 192, 192)},
        LightnessCase{MakeRgb(49, 182, 0), 40, MakeRgb(79, 255, 13), MakeRgb(27, 98, 0)}));

TEST(ColorRoutines, MixWeighsTheFirstColourByWOver255) {
  EXPECT_EQ(MixRgb(MakeRgb(255, 255, 255), MakeRgb(240, 155, 20), 190), MakeRgb(251, 230, 195));
  EXPECT_EQ(MixRgb(MakeRgb(10, 20, 30), MakeRgb(200, 100, 50), 60), MakeRgb(155, 81, 45));
  EXPECT_EQ(MixRgb(MakeRgb(10, 20, 30), MakeRgb(200, 100, 50), 160), MakeRgb(81, 50, 37));
  EXPECT_EQ(MixRgb(MakeRgb(1, 2, 3), MakeRgb(9, 8, 7), 255), MakeRgb(1, 2, 3));
  EXPECT_EQ(MixRgb(MakeRgb(1, 2, 3), MakeRgb(9, 8, 7), 0), MakeRgb(9, 8, 7));
}

TEST(ColorRoutines, OppositeHueTurnsBy120WithFullSaturation) {
  // Hue 25 becomes 145, hue 153 becomes 33, hue 80 becomes 200.
  EXPECT_EQ(OppositeHueRgb(MakeRgb(240, 155, 20), 180), MakeRgb(128, 175, 255));
  EXPECT_EQ(OppositeHueRgb(MakeRgb(30, 60, 200), 180), MakeRgb(255, 233, 128));
  EXPECT_EQ(OppositeHueRgb(MakeRgb(0, 128, 0), 100), MakeRgb(213, 0, 212));
}

TEST(ColorRoutines, NearlyEqualNeedsCloseHueAndLightness) {
  // Greys have hue 0: lightness decides (231 vs 201: 30 apart; 231 vs 120: 111 apart).
  EXPECT_TRUE(RgbNearlyEqual(MakeRgb(245, 245, 245), MakeRgb(214, 214, 214)));
  EXPECT_FALSE(RgbNearlyEqual(MakeRgb(245, 245, 245), MakeRgb(128, 128, 128)));
  // Red (hue 0) and orange (hue 25): 25 apart.
  EXPECT_FALSE(RgbNearlyEqual(MakeRgb(255, 0, 0), MakeRgb(240, 155, 20)));
  // Hue 0 and hue 19 (a red-orange: 255, 120, 0) with equal lightness.
  EXPECT_EQ(RgbToHsl(MakeRgb(255, 120, 0)).h, 19);
  EXPECT_TRUE(RgbNearlyEqual(MakeRgb(255, 0, 0), MakeRgb(255, 120, 0)));
  // The hue difference is not taken around the circle: 0 and 235 are far apart.
  EXPECT_FALSE(RgbNearlyEqual(MakeRgb(255, 0, 0), MakeRgb(255, 0, 32)));
}

TEST(ColorRoutines, ConversionRoundTripsWithinOneStep) {
  // Every grey and every primary mix survives RGB -> HSL -> RGB within rounding.
  for (int v = 0; v < 256; v += 5)
    for (RgbColor c : {MakeRgb(v, v, v), MakeRgb(v, 0, 0), MakeRgb(0, v, 255), MakeRgb(255, v, 40)}) {
      const RgbColor back = HslToRgb(RgbToHsl(c));
      EXPECT_NEAR(RedOf(back), RedOf(c), 3) << std::hex << c;
      EXPECT_NEAR(GreenOf(back), GreenOf(c), 3) << std::hex << c;
      EXPECT_NEAR(BlueOf(back), BlueOf(c), 3) << std::hex << c;
    }
}

struct WidthCase {
  TFrameStyleEx style;
  int width_with_bevel_3;
};
class FrameWidthTable : public ::testing::TestWithParam<WidthCase> {};
TEST_P(FrameWidthTable, WidthAndRingCountAgree) {
  const FrameColors colours{MakeRgb(1, 1, 1), MakeRgb(2, 2, 2), MakeRgb(3, 3, 3), MakeRgb(4, 4, 4), 0};
  EXPECT_EQ(FrameWidth(GetParam().style, 3), GetParam().width_with_bevel_3);
  EXPECT_EQ(FrameRings(GetParam().style, 3, colours).size(),
            static_cast<size_t>(GetParam().width_with_bevel_3));
}
INSTANTIATE_TEST_SUITE_P(
    Styles, FrameWidthTable,
    ::testing::Values(WidthCase{TFrameStyleEx::fsNone, 0}, WidthCase{TFrameStyleEx::fsFlat, 1},
                      WidthCase{TFrameStyleEx::fsGroove, 2}, WidthCase{TFrameStyleEx::fsBump, 2},
                      WidthCase{TFrameStyleEx::fsLowered, 2}, WidthCase{TFrameStyleEx::fsButtonDown, 2},
                      WidthCase{TFrameStyleEx::fsRaised, 2}, WidthCase{TFrameStyleEx::fsButtonUp, 2},
                      WidthCase{TFrameStyleEx::fsStatus, 3}, WidthCase{TFrameStyleEx::fsPopup, 3},
                      WidthCase{TFrameStyleEx::fsFlatBold, 2},
                      WidthCase{TFrameStyleEx::fsFlatRounded, 2}));

TEST(Frames, AHugeBevelWidthCostsNoMemory) {
  const FrameColors colours{};
  EXPECT_LE(FrameRings(TFrameStyleEx::fsStatus, 2000000000, colours).size(), 4096u);
  EXPECT_TRUE(FrameRings(TFrameStyleEx::fsPopup, -5, colours).empty());
  EXPECT_EQ(FrameWidth(TFrameStyleEx::fsPopup, -5), 0);
}

TEST(Frames, FlatFramesTakeTheAdjustedFlatColour) {
  FrameColors c{};
  c.flat = MakeRgb(128, 128, 128);
  c.flat_adjustment = 30;
  EXPECT_EQ(AdjustedFlatColor(c), MakeRgb(159, 159, 159));
  c.flat_adjustment = -30;
  EXPECT_EQ(AdjustedFlatColor(c), MakeRgb(96, 96, 96));
  c.flat_adjustment = 0;
  EXPECT_EQ(AdjustedFlatColor(c), MakeRgb(128, 128, 128));
}

TEST(Frames, DeflateSidesOnlyOnTheGivenSides) {
  const FxRect r{0, 0, 20, 10};
  EXPECT_EQ(DeflateSides(r, TSides::All(), 2), (FxRect{2, 2, 18, 8}));
  EXPECT_EQ(DeflateSides(r, {TSide::sdLeft, TSide::sdBottom}, 3), (FxRect{3, 0, 20, 7}));
  EXPECT_EQ(DeflateSides(r, {}, 3), r);
}

}  // namespace
}  // namespace vornada
